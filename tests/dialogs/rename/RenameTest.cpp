// Rename/STAT: which jobs reach the dialog, the one post it makes, and the re-query.
#include "dialogs/rename/Rename.h"
#include "dialogs/rename/CDlgRenameJobs.h"
#include "tests/support/FakeDesk.h"

namespace {

class RenameTest : public ServerTest {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        Session().SetLocationList(kDemoLocations + QStringLiteral("[15]6~West Wing")); // two blocks for 15
        AddProviders({{"12", "Dr. Amelia Hart"}, {"15", "Dr. Rafael Ortiz"}});
    }
    QList<QStringList> Posts() const { return JournalFields(server_, QStringLiteral("qm_rename.php")); }
};

TEST_F(RenameTest, OnlyPendingJobsWithTheRenameRightReachTheDialog) {
    const struct {
        const char* type;
        QList<FakeDesk::Row> selected;
        QStringList messages, inDialog; // inDialog empty: the dialog does not open
    } cases[] = {
        {"t", {{{"J1"}}}, {"Transcribed files cannot be renamed."}, {}},
        {"P", {}, {"Select a file to rename."}, {}},
        {"p", {{{"J1"}, "111110"}}, {"User does not privilege to rename the file J1\n"}, {}},
        {"p",
         {{{"J1"}, "000000"}, {{""}, "000000"}, {{"J2"}}, {{"J3"}, "110110"}},
         {"User does not privilege to rename these files\nJ1\nJ3\n"},
         {"J2"}},
        {"p", {{{"J4"}, "11111"}, {{"J5"}, ""}}, {}, {"J4", "J5"}}, // short flags do not refuse
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.messages.join(u' ').toStdString());
        PromptsDouble::Current().Clear();
        FakeDesk desk = FakeDesk::Of(c.type, c.selected);
        QStringList listed;
        WhenShown<CDlgRenameJobs> driver([&](CDlgRenameJobs& dialog) {
            listed = Texts(In<CReportListCtrl>(dialog, "reportList")->Model(), 0, 0);
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        Rename(desk).Run();
        EXPECT_EQ(Shown(), c.messages);
        EXPECT_EQ(listed, c.inDialog);
        EXPECT_EQ(desk.queries, 0); // Cancel queries nothing
    }
    EXPECT_TRUE(server_.Journal().isEmpty());
}

TEST_F(RenameTest, ThePostCarriesTheStatOrTheProviderAndLocationAndItsAnswerIsShown) {
    const auto stat = [](const char* shown) {
        return [shown](CDlgRenameJobs& d) { Choose(In<QComboBox>(d, "statBox"), shown); };
    };
    const auto provider = [](CDlgRenameJobs& d) {
        Click(d, "providerRadio");
        Choose(In<QComboBox>(d, "providerBox"), QStringLiteral("Dr. Rafael Ortiz [15]"));
        EXPECT_EQ(Entries(In<QComboBox>(d, "locationBox")),
                  (QStringList{"North Clinic [3]", "East Office [5]", "West Wing [6]"}));
        Choose(In<QComboBox>(d, "locationBox"), QStringLiteral("East Office [5]"));
    };
    const QString done = QStringLiteral("File/s renamed successfully.");
    const struct {
        QString jobs;
        std::function<void(CDlgRenameJobs&)> act;
        QString post; // after the login id ("12" scrambled), the password and the file names
        QString message;
        Prompts::Icon icon = Prompts::Icon::Information;
    } cases[] = {
        {"J260101;J260107{STAT12}", stat("STAT4"), "phyid=&locationid=&stat=stat4", done},
        {"J260101", stat("Remove STAT"), "phyid=&locationid=&stat=notag", done},
        {"J260102", provider, "phyid=15&locationid=5&phyid=15", done},
        // J260104 belongs to a provider the user may not rename for; the server says so.
        {"J260104", stat("STAT8"), "phyid=&locationid=&stat=stat8", "You are not set up to rename J260104.",
         Prompts::Icon::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.jobs.toStdString());
        PromptsDouble::Current().Clear();
        FakeDesk desk = FakeDesk::Of("p", FakeDesk::Named(c.jobs.split(';')));
        bool startsInStatMode = false;
        WhenShown<CDlgRenameJobs> driver([&](CDlgRenameJobs& d) {
            startsInStatMode = In<QRadioButton>(d, "statRadio")->isChecked() &&
                               In<QComboBox>(d, "statBox")->currentText() == QStringLiteral("STAT4") &&
                               !In<QComboBox>(d, "providerBox")->isEnabled();
            c.act(d);
            Click(d, "okButton");
        });
        Rename(desk).Run();
        EXPECT_TRUE(startsInStatMode);
        EXPECT_EQ(Posts().value(Posts().size() - 1).join('&'),
                  "loginid=30&password=&filename=" + c.jobs + ";&" + c.post);
        ExpectOneBox(c.message, c.icon);
        EXPECT_EQ(desk.deletions, 1);
        EXPECT_EQ(desk.queries, 1);
        EXPECT_EQ(desk.statusWrites + desk.downloaded, QStringList()) << "the re-query shows the change";
    }
}

using RenameWindowTest = WindowFixture;

TEST_F(RenameWindowTest, MarkingAJobStatShowsItsMarkAfterTheRequery) {
    Session().SetFromDictationFlag(QStringLiteral("1")); // starts on the pending list
    Start();
    SelectRow(static_cast<int>(Filenames().indexOf(QStringLiteral("J260101"))));
    WhenShown<CDlgRenameJobs> driver([&](CDlgRenameJobs& d) {
        Choose(In<QComboBox>(d, "statBox"), QStringLiteral("STAT8"));
        SaveShot(d, QStringLiteral("dialog-rename.png"));
        Click(d, "okButton");
    });
    Click(Button("renameButton"));
    EXPECT_EQ(ListQueries().size(), 2);
    EXPECT_TRUE(Filenames().contains(QStringLiteral("J260101{STAT8}")))
        << Filenames().join(u' ').toStdString();
}

} // namespace
