// "Go": its checks, its side effects and the no-result check that follows it.
#include "tests/reportlist/window/WindowFixture.h"

namespace {

using QueryTest = WindowFixture;

const QDate kEmptyDay(2001, 1, 1); // the demo practice has no reports that far back

} // namespace

TEST_F(QueryTest, ChecksStopTheQueryWithTheirMessages) {
    Start();
    const qsizetype queries = ListQueries().size();

    Box("ctl262")->setCurrentIndex(-1);
    ClickGo();
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(),
              QStringList{QStringLiteral("Please select the report type")});
    Box("ctl262")->setCurrentIndex(1);

    PromptsDouble::Current().Clear();
    Box("ctl211")->setCurrentIndex(-1);
    ClickGo();
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(),
              QStringList{QStringLiteral("No location is associated to this Care Provider.")});

    PromptsDouble::Current().Clear();
    Box("ctl209")->setCurrentIndex(-1);
    ClickGo();
    ASSERT_EQ(PromptsDouble::Current().Shown().size(), 1);
    const Prompts::Box box = PromptsDouble::Current().Shown().first();
    EXPECT_EQ(box.text, QStringLiteral("Please select a Care Provider."));
    EXPECT_EQ(box.title, QStringLiteral("Molve"));
    EXPECT_EQ(box.icon, Prompts::Icon::Information);

    EXPECT_EQ(ListQueries().size(), queries);
    EXPECT_FALSE(page_->NoResultCheckPending());
}

TEST_F(QueryTest, FromAfterToIsRefusedButEqualDatesAreAccepted) {
    Start();
    ChooseProvider(QStringLiteral("Dr. Rafael Ortiz [15]"));
    Date("ctl220")->setDate(QDate(2026, 2, 11));
    Date("ctl221")->setDate(QDate(2026, 2, 10));
    const qsizetype queries = ListQueries().size();
    ClickGo();
    ASSERT_EQ(PromptsDouble::Current().Shown().size(), 1);
    EXPECT_EQ(PromptsDouble::Current().Shown().first().text,
              QStringLiteral("From date should be less than To date"));
    EXPECT_EQ(PromptsDouble::Current().Shown().first().icon, Prompts::Icon::Error);
    EXPECT_EQ(ListQueries().size(), queries);
    // The ids were stored before the date check.
    EXPECT_EQ(Session().QueryPhysicianId(), QStringLiteral("15"));

    PromptsDouble::Current().Clear();
    Date("ctl220")->setDate(QDate(2026, 2, 10));
    ClickGo();
    ASSERT_EQ(ListQueries().size(), queries + 1);
    EXPECT_EQ(ListQueries().last(),
              QStringLiteral("loginuserid=12&physicianid=15&locationid=All&fromdate=2026-02-10"
                             "&todate=2026-02-10&reporttype=t"));
    EXPECT_TRUE(WaitForNoResultCheck());
}

TEST_F(QueryTest, EmptyResultSaysSoAndRestoresTheLastFilters) {
    CVelmoPropPage& page = Start();
    const int rows = page.List()->Model()->rowCount();
    ASSERT_GT(rows, 0);

    ChooseProvider(QStringLiteral("Dr. Nina Kowalski [18]"));
    ASSERT_EQ(Box("ctl211")->currentText(), QStringLiteral("East Office [5]"));
    Box("ctl262")->setCurrentIndex(0); // Pending
    Date("ctl220")->setDate(kEmptyDay);
    Date("ctl221")->setDate(kEmptyDay);
    ClickGo();

    // The new report type takes effect before the answer is looked at.
    EXPECT_TRUE(
        ListQueries().last().endsWith(QStringLiteral("&fromdate=2001-01-01&todate=2001-01-01&reporttype=p")));
    EXPECT_TRUE(Button("ctl212")->isEnabled());
    EXPECT_EQ(page.State().ReportTypeCode, QStringLiteral("p"));
    ASSERT_TRUE(page.NoResultCheckPending());
    EXPECT_TRUE(PromptsDouble::Current().ShownTexts().isEmpty());

    ASSERT_TRUE(WaitForNoResultCheck());
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(), QStringList{QStringLiteral("No result found.")});
    EXPECT_EQ(Box("ctl262")->currentText(), QStringLiteral("Transcribed"));
    EXPECT_EQ(page.State().ReportTypeCode, QStringLiteral("t"));
    EXPECT_FALSE(Button("ctl212")->isEnabled());
    EXPECT_EQ(Box("ctl209")->currentText(), QStringLiteral("Dr. Amelia Hart [12]"));
    EXPECT_EQ(Items(Box("ctl211")),
              (QStringList{QStringLiteral("All Locations [All]"), QStringLiteral("North Clinic [3]"),
                           QStringLiteral("South Clinic [4]")}));
    EXPECT_EQ(Box("ctl211")->currentText(), QStringLiteral("All Locations [All]"));
    EXPECT_EQ(Date("ctl220")->date(), DefaultFrom());
    EXPECT_EQ(Date("ctl221")->date(), QDate::currentDate());
    // An empty file leaves the previous rows in place.
    EXPECT_EQ(page.List()->Model()->rowCount(), rows);
}

TEST_F(QueryTest, FailedDownloadRestoresTheFiltersWithoutAMessage) {
    CVelmoPropPage& page = Start();
    const int rows = page.List()->Model()->rowCount();
    ASSERT_FALSE(Session().LastFileListName().isEmpty());

    server_.Stop();
    ChooseProvider(QStringLiteral("Dr. Rafael Ortiz [15]"));
    Date("ctl220")->setDate(kEmptyDay);
    ClickGo();

    // The last list file's name is still known but the file is gone: the check runs silently.
    ASSERT_TRUE(page.NoResultCheckPending());
    ASSERT_TRUE(WaitForNoResultCheck());
    EXPECT_FALSE(page.State().ListFileFound);
    EXPECT_FALSE(PromptsDouble::Current().ShownTexts().contains(QStringLiteral("No result found.")));
    EXPECT_EQ(Box("ctl209")->currentText(), QStringLiteral("Dr. Amelia Hart [12]"));
    EXPECT_EQ(Date("ctl220")->date(), DefaultFrom());
    EXPECT_EQ(page.List()->Model()->rowCount(), rows);
}

TEST_F(QueryTest, GoBeforeTheNoResultCheckCancelsItsRestore) {
    CVelmoPropPage& page = Start();
    Date("ctl220")->setDate(kEmptyDay);
    Date("ctl221")->setDate(kEmptyDay);
    ClickGo();
    ASSERT_TRUE(page.NoResultCheckPending());

    // The next query starts before the check's tick: the empty result's check must not run
    // inside it and put the old filters back.
    ChooseProvider(QStringLiteral("Dr. Rafael Ortiz [15]"));
    Date("ctl220")->setDate(DefaultFrom());
    Date("ctl221")->setDate(QDate::currentDate());
    ClickGo();
    ASSERT_TRUE(WaitForNoResultCheck());
    EXPECT_FALSE(PromptsDouble::Current().ShownTexts().contains(QStringLiteral("No result found.")));
    EXPECT_EQ(Box("ctl209")->currentText(), QStringLiteral("Dr. Rafael Ortiz [15]"));
    EXPECT_TRUE(ListQueries().last().startsWith(QStringLiteral("loginuserid=12&physicianid=15&")));
}
