// Rename/STAT: which jobs reach the dialog, the one post it makes, and the re-query.
#include "dialogs/rename/Rename.h"
#include "dialogs/rename/CDlgRenameJobs.h"
#include "dialogs/rename/ProviderEntries.h"

#include "tests/dialogs/ActionTestSupport.h"
#include "tests/reportlist/window/WindowFixture.h"

#include <QJsonArray>
#include <QRadioButton>

namespace {

QStringList Fields(const QJsonObject& entry) {
    QStringList out;
    for (const QJsonValue& field : entry.value(QStringLiteral("fields")).toArray()) {
        out.append(field[QStringLiteral("name")].toString() + QLatin1Char('=') +
                   field[QStringLiteral("value")].toString());
    }
    return out;
}

template <class T = QWidget> T* In(QWidget& dialog, const char* name) {
    T* w = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

void Choose(QComboBox* box, const QString& text) {
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box->setCurrentIndex(index);
    emit box->activated(index);
}

TEST(ProviderEntriesTest, LocationsOfOneProviderFromEveryBlockInOrder) {
    struct Case {
        const char* provider;
        const char* locationList;
        QStringList entries;
    };
    const QList<Case> cases{
        {"15",
         "[12]3~North Clinic|4~South Clinic[15]3~North Clinic|5~East Office",
         {"North Clinic [3]", "East Office [5]"}},
        {"7", "[7]1~A[8]2~B[7]3~C| |4~D", {"A [1]", "C [3]", "D [4]"}},
        {"ab", "[AB]9~Annex", {"Annex [9]"}},
        {"20", "[12]3~North Clinic", {}},
        {"12", "[12]", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProviderEntries::LocationEntries(QString::fromLatin1(c.provider),
                                                   QString::fromLatin1(c.locationList)),
                  c.entries)
            << c.provider << " in " << c.locationList;
    }
    EXPECT_EQ(ProviderEntries::IdFromEntry(QStringLiteral(" Dr. Rafael Ortiz [ 15 ] ")),
              QStringLiteral("15"));
}

// The handler's checks, on a fake list; the dialog is cancelled where it opens.
TEST(RenameHandlerTest, OnlyPendingJobsWithTheRenameRightReachTheDialog) {
    struct Case {
        const char* name;
        const char* type;
        QList<FakeDesk::Row> selected;
        QStringList message;  // boxes shown before (or instead of) the dialog
        QStringList inDialog; // job names the dialog lists; empty: it does not open
    };
    const QList<Case> cases{
        {"transcribed list", "t", {{"J1", "111111"}}, {"Transcribed files cannot be renamed."}, {}},
        {"nothing selected", "P", {}, {"Select a file to rename."}, {}},
        {"one refused", "p", {{"J1", "111110"}}, {"User does not privilege to rename the file J1\n"}, {}},
        {"two refused, one accepted",
         "p",
         {{"J1", "000000"}, {"", "000000"}, {"J2", "111111"}, {"J3", "110110"}},
         {"User does not privilege to rename these files\nJ1\nJ3\n"},
         {"J2"}},
        {"short flags do not refuse", "p", {{"J4", "11111"}, {"J5", ""}}, {}, {"J4", "J5"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PromptsDouble::Current().Clear();
        FakeDesk desk;
        desk.state.ReportTypeCode = QString::fromLatin1(c.type);
        for (const FakeDesk::Row& row : c.selected) {
            desk.selected.append(static_cast<int>(desk.rows.size()));
            desk.rows.append(row);
        }
        QStringList listed;
        WhenShown<CDlgRenameJobs> driver([&](CDlgRenameJobs& dialog) {
            const ReportListModel* model = In<CReportListCtrl>(dialog, "ctl263")->Model();
            for (int row = 0; row < model->rowCount(); ++row) {
                listed.append(model->CellText(row, 0));
            }
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        Rename(desk).Run();
        EXPECT_EQ(PromptsDouble::Current().ShownTexts(), c.message);
        EXPECT_EQ(driver.Runs(), c.inDialog.isEmpty() ? 0 : 1);
        EXPECT_EQ(listed, c.inDialog);
        EXPECT_EQ(desk.queries, 0); // Cancel queries nothing
    }
}

// The dialog's post against the stand-in server, driven as a user would.
class RenameDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        Session().Reset();
        PromptsDouble::Current().Clear();
        ASSERT_TRUE(server_.Start()) << server_.Error().toStdString();
        Session().SetServerURL(server_.BaseUrl());
        Session().SetLoggedUserId(QStringLiteral("12"));
        Session().SetLocationList(kDemoLocations);
        for (const auto& [id, name] :
             {std::pair{"12", "Dr. Amelia Hart"}, std::pair{"15", "Dr. Rafael Ortiz"},
              std::pair{"18", "Dr. Nina Kowalski"}, std::pair{"20", "Dr. No Location"}}) {
            Session().AppendCareProvider(QString::fromLatin1(id), {}, QString::fromLatin1(name));
        }
    }

    // Runs the action on these jobs (all with full rights); act works the open dialog.
    FakeDesk RunOn(const QStringList& jobs, const std::function<void(CDlgRenameJobs&)>& act) {
        FakeDesk desk;
        desk.state.ReportTypeCode = QStringLiteral("p");
        for (const QString& job : jobs) {
            desk.selected.append(static_cast<int>(desk.rows.size()));
            desk.rows.append({job, QStringLiteral("111111")});
        }
        WhenShown<CDlgRenameJobs> driver([&](CDlgRenameJobs& dialog) { act(dialog); });
        Rename(desk).Run();
        EXPECT_EQ(driver.Runs(), 1);
        return desk;
    }

    QList<QStringList> Posts() const {
        QList<QStringList> posts;
        for (const QJsonObject& entry : server_.JournalFor(QStringLiteral("qm_rename.php"))) {
            if (entry.value(QStringLiteral("body_size")).toInt() > 0) { // not the bodiless probe
                posts.append(Fields(entry));
            }
        }
        return posts;
    }

    StandInServer server_;
};

TEST_F(RenameDialogTest, StatValuesAreSentInLowerCaseAndRemoveStatAsNotag) {
    const QList<std::pair<QString, QString>> cases{{QStringLiteral("STAT4"), QStringLiteral("stat4")},
                                                   {QStringLiteral("STAT8"), QStringLiteral("stat8")},
                                                   {QStringLiteral("STAT12"), QStringLiteral("stat12")},
                                                   {QStringLiteral("Remove STAT"), QStringLiteral("notag")}};
    for (const auto& [shown, sent] : cases) {
        SCOPED_TRACE(shown.toStdString());
        PromptsDouble::Current().Clear();
        bool startedInStatMode = false;
        const FakeDesk desk =
            RunOn({QStringLiteral("J260101"), QStringLiteral("J260107{STAT12}")}, [&](CDlgRenameJobs& d) {
                startedInStatMode = In<QRadioButton>(d, "ctl266")->isChecked() &&
                                    In<QComboBox>(d, "ctl264")->currentText() == QStringLiteral("STAT4") &&
                                    !In<QComboBox>(d, "ctl265")->isEnabled();
                Choose(In<QComboBox>(d, "ctl264"), shown);
                QTest::mouseClick(In<QPushButton>(d, "ctl1"), Qt::LeftButton);
            });
        EXPECT_TRUE(startedInStatMode);
        ASSERT_FALSE(Posts().isEmpty());
        // "30" is login id 12 scrambled; no second phyid without a provider.
        EXPECT_EQ(Posts().last(), (QStringList{"loginid=30", "password=", "filename=J260101;J260107{STAT12};",
                                               "phyid=", "locationid=", "stat=" + sent}));
        EXPECT_EQ(PromptsDouble::Current().ShownTexts(), QStringList{"File/s renamed successfully."});
        EXPECT_EQ(desk.deletions, 1);
        EXPECT_EQ(desk.queries, 1);
    }
}

TEST_F(RenameDialogTest, ProviderModeSendsProviderTwiceAndTheChosenLocation) {
    QStringList locations;
    const FakeDesk desk = RunOn({QStringLiteral("J260102")}, [&](CDlgRenameJobs& d) {
        QTest::mouseClick(In<QRadioButton>(d, "ctl267"), Qt::LeftButton);
        Choose(In<QComboBox>(d, "ctl265"), QStringLiteral("Dr. Rafael Ortiz [15]"));
        QComboBox* location = In<QComboBox>(d, "ctl294");
        for (int i = 0; i < location->count(); ++i) {
            locations.append(location->itemText(i));
        }
        Choose(location, QStringLiteral("East Office [5]"));
        QTest::mouseClick(In<QPushButton>(d, "ctl1"), Qt::LeftButton);
    });
    EXPECT_EQ(locations, (QStringList{"North Clinic [3]", "East Office [5]"}));
    EXPECT_EQ(Posts(), QList<QStringList>{(QStringList{"loginid=30", "password=", "filename=J260102;",
                                                       "phyid=15", "locationid=5", "phyid=15"})});
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(), QStringList{"File/s renamed successfully."});
    EXPECT_EQ(desk.queries, 1);
}

TEST_F(RenameDialogTest, ProviderWithoutLocationsSendsNothingAndKeepsTheDialogOpen) {
    bool stillOpen = false;
    bool okEnabled = false;
    const FakeDesk desk = RunOn({QStringLiteral("J260102")}, [&](CDlgRenameJobs& d) {
        QTest::mouseClick(In<QRadioButton>(d, "ctl267"), Qt::LeftButton);
        Choose(In<QComboBox>(d, "ctl265"), QStringLiteral("Dr. No Location [20]"));
        QTest::mouseClick(In<QPushButton>(d, "ctl1"), Qt::LeftButton);
        stillOpen = d.isVisible();
        okEnabled = In<QPushButton>(d, "ctl1")->isEnabled();
        EXPECT_EQ(In<QComboBox>(d, "ctl294")->count(), 0);
        d.reject();
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(okEnabled);
    EXPECT_TRUE(server_.JournalFor(QStringLiteral("qm_rename.php")).isEmpty());
    EXPECT_TRUE(PromptsDouble::Current().ShownTexts().isEmpty());
    EXPECT_EQ(desk.queries, 0);
}

TEST_F(RenameDialogTest, AServerRefusalIsShownAsItCameAndTheListIsQueriedAgain) {
    // J260104 belongs to a provider the user may not rename for; the server says so.
    const FakeDesk desk = RunOn({QStringLiteral("J260104")}, [&](CDlgRenameJobs& d) {
        QTest::mouseClick(In<QPushButton>(d, "ctl1"), Qt::LeftButton);
    });
    const QList<Prompts::Box> shown = PromptsDouble::Current().Shown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].text, QStringLiteral("You are not set up to rename J260104."));
    EXPECT_EQ(shown[0].icon, Prompts::Icon::None);
    EXPECT_EQ(desk.queries, 1);
}

// From the window's button to the marked job in the re-queried list.
using RenameWindowTest = WindowFixture;

TEST_F(RenameWindowTest, MarkingAJobStatShowsItsMarkAfterTheRequery) {
    Session().SetFromDictationFlag(QStringLiteral("1"));
    CVelmoPropPage& page = Start();
    int row = -1;
    for (int r = 0; r < page.RowCount(); ++r) {
        row = page.Filename(r) == QStringLiteral("J260101") ? r : row;
    }
    ASSERT_GE(row, 0);
    SelectRow(row);
    WhenShown<CDlgRenameJobs> driver([&](CDlgRenameJobs& d) {
        Choose(In<QComboBox>(d, "ctl264"), QStringLiteral("STAT8"));
        SaveShot(d, QStringLiteral("dialog-rename.png"));
        QTest::mouseClick(In<QPushButton>(d, "ctl1"), Qt::LeftButton);
    });
    QTest::mouseClick(Button("ctl212"), Qt::LeftButton);
    EXPECT_EQ(driver.Runs(), 1);
    EXPECT_EQ(ListQueries().size(), 2);
    QStringList names;
    for (int r = 0; r < page.RowCount(); ++r) {
        names.append(page.Filename(r));
    }
    EXPECT_TRUE(names.contains(QStringLiteral("J260101{STAT8}"))) << names.join(u' ').toStdString();
}

} // namespace
