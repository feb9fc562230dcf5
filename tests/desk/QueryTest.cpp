// "Go": its checks, its side effects and the no-result check that follows it.
#include "host/core/Delays.h"
#include "tests/support/DeskWindow.h"

#include <QElapsedTimer>

namespace {

const QDate kEmptyDay(2001, 1, 1); // the demo practice has no reports that far back

class QueryTest : public WindowFixture {
protected:
    void Dates(const QDate& from, const QDate& to) {
        Date("fromDate")->setDate(from);
        Date("toDate")->setDate(to);
    }
};

// Rows whose report names aim outside the desk's folder are not listed; each is logged once and
// the user is told how many.
TEST_F(QueryTest, RowsWithNamesTheDeskRefusesAreNotListedLoggedAndTold) {
    const QByteArray row = "Privileges~111111|Owner~12|Activity Indicator~00000|Filename~";
    ASSERT_TRUE(server_.SetZippedAnswer("qm_download_filelist.php", "FileList.txt",
                                        row + "R260019|FirstName~Jane\n" + row +
                                            "../../.ssh/id_rsa|FirstName~A\n" + row +
                                            QByteArray("id_rsa\0|FirstName~B\n", 21) + row +
                                            "-p|FirstName~C\n" + row + "R260006|FirstName~Ann\n"));
    const LogCapture log;
    Start();
    EXPECT_EQ(Filenames(), (QStringList{"R260019", "R260006"}));
    EXPECT_EQ(log.Messages().filter("not listed").size(), 3);
    EXPECT_TRUE(Shown().value(0).startsWith("3 reports of the list are not shown"));
}

TEST_F(QueryTest, ChecksStopTheQueryWithTheirMessagesAndEqualDatesAreAccepted) {
    Start();
    ChooseProvider("Dr. Rafael Ortiz [15]");
    Dates(QDate(2026, 2, 11), QDate(2026, 2, 10));
    qsizetype queries = ListQueries().size();
    ClickGo();
    ExpectOneBox("From date should be less than To date", Prompts::Icon::Error);
    EXPECT_EQ(ListQueries().size(), queries);

    Date("fromDate")->setDate(QDate(2026, 2, 10));
    ClickGo();
    ASSERT_EQ(ListQueries().size(), ++queries);
    EXPECT_EQ(ListQueries().last(), "loginuserid=12&physicianid=15&locationid=All&fromdate=2026-02-10"
                                    "&todate=2026-02-10&reporttype=t");
    EXPECT_TRUE(WaitForNoResultCheck());

    // Each box emptied in turn (the later checks' boxes stay empty): the first check that fails speaks.
    const std::pair<const char*, const char*> cases[] = {
        {"reportTypeBox", "Please select the report type"},
        {"locationBox", "No location is associated to this Care Provider."},
        {"providerBox", "Please select a Care Provider."},
    };
    for (const auto& [box, message] : cases) {
        SCOPED_TRACE(message);
        PromptsDouble::Current().Clear();
        Box(box)->setCurrentIndex(-1);
        ClickGo();
        ExpectOneBox(message, Prompts::Icon::Information);
    }
    EXPECT_EQ(ListQueries().size(), queries);
}

TEST_F(QueryTest, EmptyResultSaysSoAndAFailedDownloadNotButBothRestoreTheLastFilters) {
    CVelmoPropPage& page = Start();
    const int rows = page.List()->Model()->rowCount();
    ASSERT_GT(rows, 0);
    ChooseProvider("Dr. Nina Kowalski [18]");
    ASSERT_EQ(Box("locationBox")->currentText(), "East Office [5]");
    Box("reportTypeBox")->setCurrentIndex(0); // Pending
    Dates(kEmptyDay, kEmptyDay);
    ClickGo();
    // The new report type takes effect before the answer is looked at.
    EXPECT_TRUE(ListQueries().last().endsWith("&fromdate=2001-01-01&todate=2001-01-01&reporttype=p"));
    EXPECT_EQ(page.State().ReportTypeCode, "p");
    ASSERT_TRUE(page.NoResultCheckPending());
    EXPECT_TRUE(Shown().isEmpty());
    ASSERT_TRUE(WaitForNoResultCheck());
    EXPECT_EQ(Shown(), QStringList{"No result found."});
    EXPECT_EQ(page.State().ReportTypeCode, "t");
    EXPECT_FALSE(Button("renameButton")->isEnabled());
    EXPECT_EQ(Box("reportTypeBox")->currentText() + '|' + Box("providerBox")->currentText() + '|' +
                  Items(Box("locationBox")),
              "Transcribed|Dr. Amelia Hart [12]|All Locations [All]|North Clinic [3]|South Clinic [4]");
    EXPECT_EQ(Date("fromDate")->date(), DefaultFrom());
    EXPECT_EQ(page.List()->Model()->rowCount(), rows) << "an empty file leaves the rows in place";

    // A failed download restores the filters too, without a message.
    PromptsDouble::Current().Clear();
    server_.Stop();
    ChooseProvider("Dr. Rafael Ortiz [15]");
    Date("fromDate")->setDate(kEmptyDay);
    ClickGo();
    // The last list file's name is still known but the file is gone: the check runs silently.
    ASSERT_TRUE(page.NoResultCheckPending());
    ASSERT_TRUE(WaitForNoResultCheck());
    EXPECT_FALSE(Shown().contains("No result found."));
    EXPECT_EQ(Box("providerBox")->currentText(), "Dr. Amelia Hart [12]");
    EXPECT_EQ(page.List()->Model()->rowCount(), rows);
}

TEST_F(QueryTest, GoBeforeTheNoResultCheckCancelsIt) {
    CVelmoPropPage& page = Start();
    Dates(kEmptyDay, kEmptyDay);
    ClickGo();
    ASSERT_TRUE(page.NoResultCheckPending());
    // The next query starts before the check's tick: the check must not run inside it.
    ChooseProvider("Dr. Rafael Ortiz [15]");
    Date("toDate")->setDate(QDate::currentDate());
    Date("fromDate")->setDate(DefaultFrom());
    ClickGo();
    ASSERT_TRUE(WaitForNoResultCheck());
    EXPECT_FALSE(Shown().contains("No result found."));
    EXPECT_EQ(Box("providerBox")->currentText(), "Dr. Rafael Ortiz [15]");
}

// By default Go waits for the server and nothing else: the list is in well inside the 4 s that a
// paced Go spends before it even asks.
TEST_F(QueryTest, GoWaitsOnlyForTheServerByDefault) {
    Delays::UseFixedWaits(false);
    CVelmoPropPage& page = Start();
    ChooseProvider("Dr. Rafael Ortiz [15]");
    QElapsedTimer go;
    go.start();
    ClickGo(); // returns with the list loaded
    const qint64 ms = go.elapsed();
    Delays::ZeroAll();
    EXPECT_TRUE(ListQueries().last().startsWith("loginuserid=12&physicianid=15&"));
    EXPECT_GT(page.RowCount(), 0);
    EXPECT_LT(ms, 3000);
}

} // namespace
