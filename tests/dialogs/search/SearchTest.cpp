// Search: the dialog's start by session, the search address it builds, and the result replacing
// the list.
#include "dialogs/search/Search.h"
#include "dialogs/search/CDlgSearch.h"

#include "tests/dialogs/ActionTestSupport.h"
#include "tests/reportlist/window/WindowFixture.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace {

using Providers = QList<std::pair<const char*, const char*>>;
const Providers kThree{{"12", "Dr. Amelia Hart"}, {"15", "Dr. Rafael Ortiz"}, {"18", "Dr. Nina Kowalski"}};

void StartSession(const Providers& providers, const char* user) {
    Session().Reset();
    for (const auto& [id, name] : providers) {
        Session().AppendCareProvider(QString::fromLatin1(id), {}, QString::fromLatin1(name));
    }
    Session().SetLoggedUserId(QString::fromLatin1(user));
    Session().SetLoggedUserName(QStringLiteral("Dr. Amelia Hart"));
}

TEST(SearchDialogTest, StartsFromTheSessionsProvidersAndTheServersNames) {
    struct Case {
        Providers providers;
        const char* user;
        const char* names;
        QStringList providerEntries;
        QString shownUser; // empty: "Other Care Providers" is checked, "Current" disabled
        QStringList searchOn;
    };
    const QList<Case> cases{
        {kThree,
         "12",
         "FirstName~LastName~ MRN ~",
         {"All", "Dr. Amelia Hart [12]", "Dr. Rafael Ortiz [15]", "Dr. Nina Kowalski [18]"},
         "Dr. Amelia Hart [12]",
         {"FirstName", "LastName", "MRN"}},
        {{{"12", "Dr. Amelia Hart"}}, "12", "MRN", {"Dr. Amelia Hart [12]"}, "Dr. Amelia Hart [12]", {"MRN"}},
        {{{"12", "Dr. Amelia Hart"}, {"15", "Dr. Rafael Ortiz"}},
         "90",
         "",
         {"All", "Dr. Amelia Hart [12]", "Dr. Rafael Ortiz [15]"},
         "",
         {""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.user);
        StartSession(c.providers, c.user);
        CDlgSearch dialog;
        dialog.SetDemographicNames(QString::fromLatin1(c.names));
        dialog.show();
        const bool own = !c.shownUser.isEmpty();
        EXPECT_EQ(Entries(In<QComboBox>(dialog, "ctl271")), c.providerEntries);
        EXPECT_EQ(In<QComboBox>(dialog, "ctl271")->currentIndex(), 0);
        EXPECT_EQ(In<QComboBox>(dialog, "ctl271")->isEnabled(), !own);
        EXPECT_EQ(In<QRadioButton>(dialog, "ctl236")->isChecked(), own);
        EXPECT_EQ(In<QRadioButton>(dialog, "ctl236")->isEnabled(), own);
        EXPECT_EQ(In<QLabel>(dialog, "ctl270")->text(), c.shownUser);
        EXPECT_EQ(Entries(In<QComboBox>(dialog, "ctl293")), c.searchOn);
        EXPECT_EQ(In<QComboBox>(dialog, "ctl293")->currentIndex(), -1);
        EXPECT_FALSE(In(dialog, "ctl238")->isEnabled());
        EXPECT_FALSE(In(dialog, "grpFreeText")->isVisible());
    }
}

// The action on a fake list against the stand-in server.
class SearchActionTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartSession(kThree, "12");
        PromptsDouble::Current().Clear();
        ASSERT_TRUE(server_.Start()) << server_.Error().toStdString();
        Session().SetServerURL(server_.BaseUrl());
        Session().SetQueryPhysicianId(QStringLiteral("12"));
        Session().SetQueryLocationId(QStringLiteral("All"));
        desk_.state.ReportTypeCode = QStringLiteral("t");
    }

    QStringList Queries(const char* script) const {
        QStringList queries;
        for (const QJsonObject& entry : server_.JournalFor(QString::fromLatin1(script))) {
            queries.append(entry.value(QStringLiteral("query")).toString());
        }
        return queries;
    }

    StandInServer server_;
    FakeDesk desk_;
};

TEST_F(SearchActionTest, ScopesDatesAndArchiveMakeTheSearchAddress) {
    const QString today = QDate::currentDate().toString(QStringLiteral("MM-dd-yyyy"));
    const QString todayRange = "&txthid_stdate=" + today + "&txthid_eddate=" + today;
    const QList<std::pair<std::function<void(CDlgSearch&)>, QString>> cases{
        {[](CDlgSearch&) {}, "&chktrdate=0&arrradio=0" + todayRange + "&archivedsearch=0"},
        {[](CDlgSearch& d) {
             QTest::mouseClick(In(d, "ctl237"), Qt::LeftButton);
             In<QCheckBox>(d, "ctl242")->click();
         },
         "&chktrdate=0&arrradio=All" + todayRange + "&archivedsearch=1"},
        {[](CDlgSearch& d) {
             QTest::mouseClick(In(d, "ctl237"), Qt::LeftButton);
             Choose(In<QComboBox>(d, "ctl271"), QStringLiteral("Dr. Rafael Ortiz [15]"));
             In<QCheckBox>(d, "ctl241")->click();
             EXPECT_TRUE(In(d, "ctl238")->isEnabled());
             In<QDateTimeEdit>(d, "ctl238")->setDate(QDate(2026, 3, 5));
             In<QDateTimeEdit>(d, "ctl239")->setDate(QDate(2026, 11, 30));
         },
         QStringLiteral(
             "&chktrdate=1&arrradio=15&txthid_stdate=03-05-2026&txthid_eddate=11-30-2026&archivedsearch=0")},
    };
    for (const auto& [choose, query] : cases) {
        SCOPED_TRACE(query.toStdString());
        desk_.loadedLists.clear();
        WhenShown<CDlgSearch> driver([&](CDlgSearch& d) {
            Choose(In<QComboBox>(d, "ctl293"), QStringLiteral("LastName"));
            In<QLineEdit>(d, "ctl292")->setText(QStringLiteral("  Whitfield "));
            choose(d);
            QTest::keyClick(In(d, "ctl292"), Qt::Key_Return); // the default button: Search
        });
        Search(desk_).Run();
        EXPECT_EQ(Queries("qm_search.php").value(Queries("qm_search.php").size() - 1),
                  "loginid=12&locationid=All&txtDemographicName=LastName&txtDemographicValue=Whitfield" +
                      query);
        EXPECT_EQ(desk_.loadedLists, QStringList{Session().LastFileListName()});
        EXPECT_TRUE(Session().LastFileListName().endsWith(QStringLiteral("/SearchResult.txt")));
    }
    EXPECT_EQ(Queries("qm_searchdemographics.php"), QStringList(3, QStringLiteral("loginid=12")));
    EXPECT_TRUE(PromptsDouble::Current().ShownTexts().isEmpty());
}

TEST_F(SearchActionTest, MissingChoicesKeepTheDialogOpenAndCancelSearchesNothing) {
    WhenShown<CDlgSearch> driver([&](CDlgSearch& d) {
        QTest::mouseClick(In(d, "ctl1"), Qt::LeftButton); // no demographic chosen
        Choose(In<QComboBox>(d, "ctl293"), QStringLiteral("MRN"));
        In<QLineEdit>(d, "ctl292")->setText(QStringLiteral("   "));
        QTest::mouseClick(In(d, "ctl1"), Qt::LeftButton); // blanks only
        EXPECT_TRUE(d.isVisible());
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    Search(desk_).Run();
    EXPECT_EQ(driver.Runs(), 1);
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(),
              (QStringList{"Select a demographic to search.", "Enter search string to continue."}));
    EXPECT_TRUE(Queries("qm_search.php").isEmpty());
    EXPECT_TRUE(desk_.loadedLists.isEmpty());

    PromptsDouble::Current().Clear();
    desk_.state.ReportTypeCode = QStringLiteral("P"); // the pending list asks nothing of the server
    const qsizetype requests = server_.Journal().size();
    Search(desk_).Run();
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(), QStringList{"Click on Play to play Voice files"});
    EXPECT_EQ(server_.Journal().size(), requests);
}

using SearchWindowTest = WindowFixture;

TEST_F(SearchWindowTest, SearchingByLastNameReplacesTheList) {
    CVelmoPropPage& page = Start();
    WhenShown<CDlgSearch> driver([&](CDlgSearch& d) {
        Choose(In<QComboBox>(d, "ctl293"), QStringLiteral("LastName"));
        In<QLineEdit>(d, "ctl292")->setText(QStringLiteral("whitfield"));
        QTest::mouseClick(In(d, "ctl237"), Qt::LeftButton);
        SaveShot(d, QStringLiteral("dialog-search.png"));
        QTest::mouseClick(In(d, "ctl1"), Qt::LeftButton);
    });
    QTest::mouseClick(Button("ctl206"), Qt::LeftButton);
    ASSERT_EQ(driver.Runs(), 1);
    ASSERT_GT(page.RowCount(), 0);
    for (int row = 0; row < page.RowCount(); ++row) {
        EXPECT_EQ(page.CellText(row, QStringLiteral("Last Name")), QStringLiteral("Whitfield")) << row;
    }
}

} // namespace
