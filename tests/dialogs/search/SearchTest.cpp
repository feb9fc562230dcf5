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

template <class T = QWidget> T* In(QWidget& dialog, const char* name) {
    T* w = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) {
        items.append(box->itemText(i));
    }
    return items;
}

void Choose(QComboBox* box, const QString& text) {
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box->setCurrentIndex(index);
}

void SetProviders(const QList<std::pair<const char*, const char*>>& providers) {
    Session().ClearCareProviders();
    for (const auto& [id, name] : providers) {
        Session().AppendCareProvider(QString::fromLatin1(id), {}, QString::fromLatin1(name));
    }
}

const QList<std::pair<const char*, const char*>> kThree{
    {"12", "Dr. Amelia Hart"}, {"15", "Dr. Rafael Ortiz"}, {"18", "Dr. Nina Kowalski"}};

TEST(SearchDialogTest, StartsFromTheSessionsProvidersAndTheServersNames) {
    struct Case {
        const char* name;
        QList<std::pair<const char*, const char*>> providers;
        const char* user;
        const char* demographicNames;
        QStringList providerItems;
        bool current; // "Current Care Provider" checked and enabled
        QString shownUser;
        QStringList searchOn;
    };
    const QList<Case> cases{
        {"own provider among three",
         kThree,
         "12",
         "FirstName~LastName~ MRN ~",
         {"All", "Dr. Amelia Hart [12]", "Dr. Rafael Ortiz [15]", "Dr. Nina Kowalski [18]"},
         true,
         "Dr. Amelia Hart [12]",
         {"FirstName", "LastName", "MRN"}},
        {"one provider: no All",
         {{"12", "Dr. Amelia Hart"}},
         "12",
         "MRN",
         {"Dr. Amelia Hart [12]"},
         true,
         "Dr. Amelia Hart [12]",
         {"MRN"}},
        {"user not among the providers",
         {{"12", "Dr. Amelia Hart"}, {"15", "Dr. Rafael Ortiz"}},
         "90",
         "",
         {"All", "Dr. Amelia Hart [12]", "Dr. Rafael Ortiz [15]"},
         false,
         "",
         {""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Session().Reset();
        SetProviders(c.providers);
        Session().SetLoggedUserId(QString::fromLatin1(c.user));
        Session().SetLoggedUserName(QStringLiteral("Dr. Amelia Hart"));
        CDlgSearch dialog;
        dialog.SetDemographicNames(QString::fromLatin1(c.demographicNames));
        dialog.show();
        QComboBox* providers = In<QComboBox>(dialog, "ctl271");
        EXPECT_EQ(Items(providers), c.providerItems);
        EXPECT_EQ(providers->currentIndex(), 0);
        EXPECT_EQ(providers->isEnabled(), !c.current);
        EXPECT_EQ(In<QRadioButton>(dialog, "ctl236")->isChecked(), c.current);
        EXPECT_EQ(In<QRadioButton>(dialog, "ctl236")->isEnabled(), c.current);
        EXPECT_EQ(In<QRadioButton>(dialog, "ctl237")->isChecked(), !c.current);
        EXPECT_EQ(In<QLabel>(dialog, "ctl270")->text(), c.shownUser);
        EXPECT_EQ(Items(In<QComboBox>(dialog, "ctl293")), c.searchOn);
        EXPECT_EQ(In<QComboBox>(dialog, "ctl293")->currentIndex(), -1);
        EXPECT_FALSE(In<QDateTimeEdit>(dialog, "ctl238")->isEnabled());
        EXPECT_FALSE(In<QWidget>(dialog, "grpFreeText")->isVisible());
    }
}

// The action on a fake list against the stand-in server.
class SearchActionTest : public ::testing::Test {
protected:
    void SetUp() override {
        Session().Reset();
        PromptsDouble::Current().Clear();
        ASSERT_TRUE(server_.Start()) << server_.Error().toStdString();
        Session().SetServerURL(server_.BaseUrl());
        Session().SetLoggedUserId(QStringLiteral("12"));
        Session().SetLoggedUserName(QStringLiteral("Dr. Amelia Hart"));
        Session().SetQueryPhysicianId(QStringLiteral("12"));
        Session().SetQueryLocationId(QStringLiteral("All"));
        SetProviders(kThree);
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
    const QDate start(2026, 3, 5);
    const QDate end(2026, 11, 30);
    const QString today = QDate::currentDate().toString(QStringLiteral("MM-dd-yyyy"));
    struct Case {
        const char* name;
        std::function<void(CDlgSearch&)> choose;
        QString query; // after the demographic value
    };
    const QList<Case> cases{
        {"current provider, no dates", [](CDlgSearch&) {},
         "&chktrdate=0&arrradio=0&txthid_stdate=" + today + "&txthid_eddate=" + today + "&archivedsearch=0"},
        {"all providers, archive",
         [](CDlgSearch& d) {
             QTest::mouseClick(In<QRadioButton>(d, "ctl237"), Qt::LeftButton);
             In<QCheckBox>(d, "ctl242")->click();
         },
         "&chktrdate=0&arrradio=All&txthid_stdate=" + today + "&txthid_eddate=" + today +
             "&archivedsearch=1"},
        {"one provider, transcribed between",
         [&](CDlgSearch& d) {
             QTest::mouseClick(In<QRadioButton>(d, "ctl237"), Qt::LeftButton);
             Choose(In<QComboBox>(d, "ctl271"), QStringLiteral("Dr. Rafael Ortiz [15]"));
             In<QCheckBox>(d, "ctl241")->click();
             EXPECT_TRUE(In<QDateTimeEdit>(d, "ctl238")->isEnabled());
             In<QDateTimeEdit>(d, "ctl238")->setDate(start);
             In<QDateTimeEdit>(d, "ctl239")->setDate(end);
         },
         QStringLiteral(
             "&chktrdate=1&arrradio=15&txthid_stdate=03-05-2026&txthid_eddate=11-30-2026&archivedsearch=0")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        desk_.loadedLists.clear();
        WhenShown<CDlgSearch> driver([&](CDlgSearch& d) {
            Choose(In<QComboBox>(d, "ctl293"), QStringLiteral("LastName"));
            In<QLineEdit>(d, "ctl292")->setText(QStringLiteral("  Whitfield "));
            c.choose(d);
            QTest::keyClick(In<QLineEdit>(d, "ctl292"), Qt::Key_Return); // the default button: Search
        });
        Search(desk_).Run();
        EXPECT_EQ(Queries("qm_search.php").last(),
                  "loginid=12&locationid=All&txtDemographicName=LastName&txtDemographicValue=Whitfield" +
                      c.query);
        // The answer was unpacked and handed to the list.
        ASSERT_EQ(desk_.loadedLists.size(), 1);
        EXPECT_TRUE(desk_.loadedLists[0].endsWith(QStringLiteral("/SearchResult.txt")));
        EXPECT_EQ(desk_.loadedLists[0], Session().LastFileListName());
    }
    EXPECT_EQ(Queries("qm_searchdemographics.php"), QStringList(3, QStringLiteral("loginid=12")));
    EXPECT_TRUE(PromptsDouble::Current().ShownTexts().isEmpty());
}

TEST_F(SearchActionTest, MissingChoicesKeepTheDialogOpenAndCancelSearchesNothing) {
    QStringList whileOpen;
    WhenShown<CDlgSearch> driver([&](CDlgSearch& d) {
        QTest::mouseClick(In<QPushButton>(d, "ctl1"), Qt::LeftButton); // no demographic chosen
        Choose(In<QComboBox>(d, "ctl293"), QStringLiteral("MRN"));
        In<QLineEdit>(d, "ctl292")->setText(QStringLiteral("   "));
        QTest::mouseClick(In<QPushButton>(d, "ctl1"), Qt::LeftButton); // blanks only
        whileOpen = PromptsDouble::Current().ShownTexts();
        EXPECT_TRUE(d.isVisible());
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    Search(desk_).Run();
    EXPECT_EQ(driver.Runs(), 1);
    EXPECT_EQ(whileOpen,
              (QStringList{"Select a demographic to search.", "Enter search string to continue."}));
    EXPECT_TRUE(Queries("qm_search.php").isEmpty());
    EXPECT_TRUE(desk_.loadedLists.isEmpty());
}

TEST_F(SearchActionTest, ThePendingListAsksNothingOfTheServer) {
    desk_.state.ReportTypeCode = QStringLiteral("P");
    Search(desk_).Run();
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(), QStringList{"Click on Play to play Voice files"});
    EXPECT_TRUE(server_.Journal().isEmpty());
}

// From the window's button to the result in the list.
using SearchWindowTest = WindowFixture;

TEST_F(SearchWindowTest, SearchingByLastNameReplacesTheList) {
    Session().SetLoggedUserName(QStringLiteral("Dr. Amelia Hart"));
    CVelmoPropPage& page = Start();
    WhenShown<CDlgSearch> driver([&](CDlgSearch& d) {
        Choose(In<QComboBox>(d, "ctl293"), QStringLiteral("LastName"));
        In<QLineEdit>(d, "ctl292")->setText(QStringLiteral("whitfield"));
        QTest::mouseClick(In<QRadioButton>(d, "ctl237"), Qt::LeftButton);
        SaveShot(d, QStringLiteral("dialog-search.png"));
        QTest::mouseClick(In<QPushButton>(d, "ctl1"), Qt::LeftButton);
    });
    QTest::mouseClick(Button("ctl206"), Qt::LeftButton);
    ASSERT_EQ(driver.Runs(), 1);
    ASSERT_GT(page.RowCount(), 0);
    for (int row = 0; row < page.RowCount(); ++row) {
        EXPECT_EQ(page.CellText(row, QStringLiteral("Last Name")), QStringLiteral("Whitfield")) << row;
    }
}

} // namespace
