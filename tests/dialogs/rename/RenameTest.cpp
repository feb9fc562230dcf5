// Rename/STAT: which jobs reach the dialog, the one post it makes, and the re-query.
#include "dialogs/rename/Rename.h"
#include "dialogs/rename/CDlgRenameJobs.h"

#include "tests/dialogs/ActionTestSupport.h"
#include "tests/reportlist/window/WindowFixture.h"

#include <QJsonArray>
#include <QRadioButton>

namespace {

void Click(QWidget* w) {
    QTest::mouseClick(w, Qt::LeftButton);
}

TEST(RenameHandlerTest, OnlyPendingJobsWithTheRenameRightReachTheDialog) {
    struct Case {
        const char* type;
        QList<FakeDesk::Row> selected;
        QStringList messages;
        QStringList inDialog; // empty: the dialog does not open
    };
    const QList<Case> cases{
        {"t", {{"J1", "111111"}}, {"Transcribed files cannot be renamed."}, {}},
        {"P", {}, {"Select a file to rename."}, {}},
        {"p", {{"J1", "111110"}}, {"User does not privilege to rename the file J1\n"}, {}},
        {"p",
         {{"J1", "000000"}, {"", "000000"}, {"J2", "111111"}, {"J3", "110110"}},
         {"User does not privilege to rename these files\nJ1\nJ3\n"},
         {"J2"}},
        {"p", {{"J4", "11111"}, {"J5", ""}}, {}, {"J4", "J5"}}, // short flags do not refuse
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.messages.join(u' ').toStdString());
        PromptsDouble::Current().Clear();
        FakeDesk desk;
        desk.state.ReportTypeCode = QString::fromLatin1(c.type);
        desk.rows = c.selected;
        QStringList listed;
        WhenShown<CDlgRenameJobs> driver([&](CDlgRenameJobs& dialog) {
            const ReportListModel* model = In<CReportListCtrl>(dialog, "ctl263")->Model();
            for (int row = 0; row < model->rowCount(); ++row) {
                listed.append(model->CellText(row, 0));
            }
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        Rename(desk).Run();
        EXPECT_EQ(PromptsDouble::Current().ShownTexts(), c.messages);
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
        Session().SetLocationList(kDemoLocations + QStringLiteral("[15]6~West Wing")); // two blocks for 15
        for (const auto& [id, name] :
             {std::pair{"12", "Dr. Amelia Hart"}, std::pair{"15", "Dr. Rafael Ortiz"},
              std::pair{"20", "Dr. No Location"}}) {
            Session().AppendCareProvider(QString::fromLatin1(id), {}, QString::fromLatin1(name));
        }
    }

    // Runs the action on these jobs (all with every right); act works the open dialog.
    FakeDesk RunOn(const QStringList& jobs, const std::function<void(CDlgRenameJobs&)>& act) {
        FakeDesk desk;
        desk.state.ReportTypeCode = QStringLiteral("p");
        for (const QString& job : jobs) {
            desk.rows.append({job, QStringLiteral("111111")});
        }
        WhenShown<CDlgRenameJobs> driver(act);
        Rename(desk).Run();
        EXPECT_EQ(driver.Runs(), 1);
        return desk;
    }

    // The form fields of each post with a body (the bodiless probe left out).
    QList<QStringList> Posts() const {
        QList<QStringList> posts;
        for (const QJsonObject& entry : server_.JournalFor(QStringLiteral("qm_rename.php"))) {
            QStringList fields;
            for (const QJsonValue& f : entry.value(QStringLiteral("fields")).toArray()) {
                fields.append(f[QStringLiteral("name")].toString() + '=' +
                              f[QStringLiteral("value")].toString());
            }
            if (entry.value(QStringLiteral("body_size")).toInt() > 0) {
                posts.append(fields);
            }
        }
        return posts;
    }

    StandInServer server_;
};

TEST_F(RenameDialogTest, StatValuesAreSentInLowerCaseAndRemoveStatAsNotag) {
    const QList<std::pair<QString, QString>> cases{
        {"STAT4", "stat4"}, {"STAT8", "stat8"}, {"STAT12", "stat12"}, {"Remove STAT", "notag"}};
    for (const auto& [shown, sent] : cases) {
        SCOPED_TRACE(shown.toStdString());
        PromptsDouble::Current().Clear();
        bool startsInStatMode = false;
        const FakeDesk desk = RunOn({"J260101", "J260107{STAT12}"}, [&](CDlgRenameJobs& d) {
            startsInStatMode = In<QRadioButton>(d, "ctl266")->isChecked() &&
                               In<QComboBox>(d, "ctl264")->currentText() == QStringLiteral("STAT4") &&
                               !In<QComboBox>(d, "ctl265")->isEnabled();
            Choose(In<QComboBox>(d, "ctl264"), shown);
            Click(In(d, "ctl1"));
        });
        EXPECT_TRUE(startsInStatMode);
        // "30" is login id 12 scrambled; without a provider there is no second phyid.
        EXPECT_EQ(Posts().value(Posts().size() - 1),
                  (QStringList{"loginid=30", "password=", "filename=J260101;J260107{STAT12};",
                               "phyid=", "locationid=", "stat=" + sent}));
        EXPECT_EQ(PromptsDouble::Current().ShownTexts(), QStringList{"File/s renamed successfully."});
        EXPECT_EQ(desk.deletions, 1);
        EXPECT_EQ(desk.queries, 1);
    }
}

TEST_F(RenameDialogTest, ProviderModeSendsTheProviderTwiceAndTheChosenLocation) {
    QStringList locations;
    const FakeDesk desk = RunOn({"J260102"}, [&](CDlgRenameJobs& d) {
        Click(In(d, "ctl267"));
        Choose(In<QComboBox>(d, "ctl265"), QStringLiteral("Dr. Rafael Ortiz [15]"));
        locations = Entries(In<QComboBox>(d, "ctl294"));
        Choose(In<QComboBox>(d, "ctl294"), QStringLiteral("East Office [5]"));
        Click(In(d, "ctl1"));
    });
    EXPECT_EQ(locations, (QStringList{"North Clinic [3]", "East Office [5]", "West Wing [6]"}));
    EXPECT_EQ(Posts(), QList<QStringList>{(QStringList{"loginid=30", "password=", "filename=J260102;",
                                                       "phyid=15", "locationid=5", "phyid=15"})});
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(), QStringList{"File/s renamed successfully."});
    EXPECT_EQ(desk.queries, 1);
}

TEST_F(RenameDialogTest, ProviderWithoutLocationsSendsNothingAndKeepsTheDialogOpen) {
    const FakeDesk desk = RunOn({"J260102"}, [&](CDlgRenameJobs& d) {
        Click(In(d, "ctl267"));
        Choose(In<QComboBox>(d, "ctl265"), QStringLiteral("Dr. No Location [20]"));
        EXPECT_EQ(In<QComboBox>(d, "ctl294")->count(), 0);
        Click(In(d, "ctl1"));
        EXPECT_TRUE(d.isVisible());
        EXPECT_TRUE(In(d, "ctl1")->isEnabled());
        d.reject();
    });
    EXPECT_TRUE(server_.JournalFor(QStringLiteral("qm_rename.php")).isEmpty());
    EXPECT_TRUE(PromptsDouble::Current().ShownTexts().isEmpty());
    EXPECT_EQ(desk.queries, 0);
}

TEST_F(RenameDialogTest, AServerRefusalIsShownAsItCameAndTheListIsQueriedAgain) {
    // J260104 belongs to a provider the user may not rename for; the server says so.
    const FakeDesk desk = RunOn({"J260104"}, [&](CDlgRenameJobs& d) { Click(In(d, "ctl1")); });
    const QList<Prompts::Box> shown = PromptsDouble::Current().Shown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].text, QStringLiteral("You are not set up to rename J260104."));
    EXPECT_EQ(shown[0].icon, Prompts::Icon::None);
    EXPECT_EQ(desk.queries, 1);
}

using RenameWindowTest = WindowFixture;

TEST_F(RenameWindowTest, MarkingAJobStatShowsItsMarkAfterTheRequery) {
    Session().SetFromDictationFlag(QStringLiteral("1")); // starts on the pending list
    CVelmoPropPage& page = Start();
    QStringList names;
    for (int r = 0; r < page.RowCount(); ++r) {
        names.append(page.Filename(r));
    }
    ASSERT_TRUE(names.contains(QStringLiteral("J260101")));
    SelectRow(static_cast<int>(names.indexOf(QStringLiteral("J260101"))));
    WhenShown<CDlgRenameJobs> driver([&](CDlgRenameJobs& d) {
        Choose(In<QComboBox>(d, "ctl264"), QStringLiteral("STAT8"));
        SaveShot(d, QStringLiteral("dialog-rename.png"));
        Click(In(d, "ctl1"));
    });
    Click(Button("ctl212"));
    EXPECT_EQ(ListQueries().size(), 2);
    names.clear();
    for (int r = 0; r < page.RowCount(); ++r) {
        names.append(page.Filename(r));
    }
    EXPECT_TRUE(names.contains(QStringLiteral("J260101{STAT8}"))) << names.join(u' ').toStdString();
}

} // namespace
