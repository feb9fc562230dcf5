// Search: the search address the dialog builds, and the result replacing the list.
#include "dialogs/search/Search.h"
#include "desk/SearchBar.h"
#include "dialogs/search/CDlgSearch.h"

#include "tests/support/FakeDesk.h"

#include <QCheckBox>
#include <QDateTimeEdit>

namespace {

class SearchTest : public ServerTest {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        AddProviders({{"12", "Dr. Amelia Hart"}, {"15", "Dr. Rafael Ortiz"}, {"18", "Dr. Nina Kowalski"}});
        Session().SetLoggedUserName(QStringLiteral("Dr. Amelia Hart"));
    }
};

TEST_F(SearchTest,
       ScopesDatesAndArchiveMakeTheSearchAddressMistakesKeepTheDialogOpenAndCancelSearchesNothing) {
    const QString today = QDate::currentDate().toString(QStringLiteral("MM-dd-yyyy"));
    const QString todayRange = "&txthid_stdate=" + today + "&txthid_eddate=" + today;
    const QList<std::pair<std::function<void(CDlgSearch&)>, QString>> cases{
        {[](CDlgSearch&) {}, "&chktrdate=0&arrradio=0" + todayRange + "&archivedsearch=0"},
        {[](CDlgSearch& d) {
             Click(d, "otherProvidersRadio");
             In<QCheckBox>(d, "includeArchiveCheck")->click();
         },
         "&chktrdate=0&arrradio=All" + todayRange + "&archivedsearch=1"},
        {[](CDlgSearch& d) {
             Click(d, "otherProvidersRadio");
             Choose(In<QComboBox>(d, "otherProviderBox"), QStringLiteral("Dr. Rafael Ortiz [15]"));
             In<QCheckBox>(d, "dateRangeCheck")->click();
             EXPECT_TRUE(In(d, "fromDate")->isEnabled());
             In<QDateTimeEdit>(d, "fromDate")->setDate(QDate(2026, 3, 5));
             In<QDateTimeEdit>(d, "toDate")->setDate(QDate(2026, 11, 30));
         },
         QStringLiteral(
             "&chktrdate=1&arrradio=15&txthid_stdate=03-05-2026&txthid_eddate=11-30-2026&archivedsearch=0")},
    };
    for (const auto& item : cases) {
        const auto& choose = item.first; // named, not bound: lambdas capture it (clang 14)
        const QString& query = item.second;
        SCOPED_TRACE(query.toStdString());
        FakeDesk desk = FakeDesk::Of("t", {});
        WhenShown<CDlgSearch> driver([&](CDlgSearch& d) {
            Click(d, "searchButton"); // no demographic chosen
            Choose(In<QComboBox>(d, "demographicBox"), QStringLiteral("Last Name"));
            In<QLineEdit>(d, "demographicValueEdit")->setText(QStringLiteral("   "));
            Click(d, "searchButton"); // blanks only
            In<QLineEdit>(d, "demographicValueEdit")->setText(QStringLiteral("  Whitfield "));
            choose(d);
            QTest::keyClick(In(d, "demographicValueEdit"), Qt::Key_Return); // the default button: Search
        });
        PromptsDouble::Current().Clear();
        Search(desk).Run();
        EXPECT_EQ(Shown(),
                  (QStringList{"Select a demographic to search.", "Enter search string to continue."}));
        EXPECT_EQ(Queries("qm_search.php").constLast(),
                  "loginid=12&locationid=All&txtDemographicName=LastName&txtDemographicValue=Whitfield" +
                      query);
        EXPECT_EQ(desk.loadedLists, QStringList{Session().LastFileListName()});
        EXPECT_TRUE(Session().LastFileListName().endsWith(QStringLiteral("/SearchResult.txt")));
    }
    EXPECT_EQ(Queries("qm_searchdemographics.php"), QStringList(3, QStringLiteral("loginid=12")));

    // Cancel searches nothing, and on the pending list Search asks nothing of the server.
    const qsizetype searches = Queries("qm_search.php").size();
    FakeDesk desk = FakeDesk::Of("t", {});
    WhenShown<CDlgSearch> driver([&](CDlgSearch& d) { QTest::keyClick(&d, Qt::Key_Escape); });
    Search(desk).Run();
    EXPECT_EQ(driver.Runs(), 1);
    EXPECT_EQ(Queries("qm_search.php").size(), searches);
    EXPECT_TRUE(desk.loadedLists.isEmpty());
    PromptsDouble::Current().Clear();
    desk.state.ReportTypeCode = QStringLiteral("P");
    const qsizetype requests = server_.Journal().size();
    Search(desk).Run();
    EXPECT_EQ(Shown(), QStringList{"Click on Play to play Voice files"});
    EXPECT_EQ(server_.Journal().size(), requests);
}

using SearchWindowTest = WindowFixture;

TEST_F(SearchWindowTest, AResultSaysWhatWasSearchedAnEmptyOneEmptiesTheListAndGoGoesBack) {
    CVelmoPropPage& page = Start();
    const auto search = [&](const QString& value) {
        WhenShown<CDlgSearch> driver([&](CDlgSearch& d) {
            QComboBox* names = In<QComboBox>(d, "demographicBox");
            EXPECT_FALSE(Entries(names).contains("LastName")) << "captions, not the server's keys";
            if (names->currentIndex() < 0) {
                Choose(names, QStringLiteral("Last Name"));
                Click(d, "otherProvidersRadio");
            } else { // the last search comes back
                EXPECT_EQ(names->currentText() + '|' + In<QLineEdit>(d, "demographicValueEdit")->text(),
                          "Last Name|whitfield");
                EXPECT_TRUE(In<QRadioButton>(d, "otherProvidersRadio")->isChecked());
            }
            In<QLineEdit>(d, "demographicValueEdit")->setText(value);
            SaveShot(d, QStringLiteral("dialog-search.png"));
            Click(d, "searchButton");
        });
        Click(Button("searchButton"));
        ASSERT_EQ(driver.Runs(), 1);
    };
    search(QStringLiteral("whitfield"));
    ASSERT_GT(page.RowCount(), 0);
    for (int row = 0; row < page.RowCount(); ++row) {
        EXPECT_EQ(page.CellText(row, QStringLiteral("Last Name")), QStringLiteral("Whitfield")) << row;
    }
    EXPECT_EQ(page.SearchResultBar()->Text(), "Search: Last Name = whitfield, all care providers, any date");
    SaveShot(page, QStringLiteral("search-bar.png"));
    EXPECT_TRUE(Shown().isEmpty());

    search(QStringLiteral("nobody"));
    EXPECT_EQ(Shown(), QStringList{"No result found."});
    EXPECT_EQ(page.RowCount(), 0) << "no rows of another list under the bar";
    EXPECT_TRUE(page.SearchResultBar()->isVisible());

    Click(page.SearchResultBar()->BackButton()); // as Go does
    EXPECT_FALSE(page.SearchResultBar()->isVisible());
    EXPECT_GT(page.RowCount(), 0);
}

} // namespace
