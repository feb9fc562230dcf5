// Audit trail: which row is chosen, the page's address, and the refusals.
#include "dialogs/audittrail/AuditTrail.h"
#include "tests/support/FakeDesk.h"
#include "tests/support/ScopedEnv.h"

using AuditTrailTest = ServerTest;

TEST_F(AuditTrailTest, OneNamedRowOpensItsPageInTheBrowserAndAnythingElseIsRefused) {
    const struct {
        QStringList selected; // file names of the selected rows, in list order
        QString opened;       // the file name in the address; null: nothing opened
        QString message;
    } cases[] = {
        {{}, {}, QStringLiteral("Select file to view Audit Trail.")},
        {{"R1", "R2"}, {}, QStringLiteral("Select only one file to view audit trail.")},
        {{"", "R2"}, QStringLiteral("R2"), {}},
        {{" R3 "}, QStringLiteral("R3"), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selected.join(u',').toStdString());
        PromptsDouble::Current().Clear();
        shell_.opened.clear();
        // Neither the list type nor the rights count.
        FakeDesk desk = FakeDesk::Of("p", FakeDesk::Named(c.selected, QStringLiteral("000000")));
        AuditTrail(desk).Run();
        EXPECT_EQ(Shown(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
        EXPECT_EQ(shell_.opened, c.opened.isNull() ? QStringList()
                                                   : QStringList{server_.BaseUrl() +
                                                                 "view_audittrail.php?"
                                                                 "loginid=12&filename=" +
                                                                 c.opened + "&fromdate=&todate=&admin=0"});
    }
}

// The real desktop opener, on a desktop that has no program for web pages (xdg-open says so by
// its exit status): the user is told, with the address to open by hand.
TEST(AuditTrailDesktop, ADesktopWithoutABrowserIsToldTheAddress) {
    QTemporaryDir bin;
    WriteFile(bin.filePath("xdg-open"), "#!/bin/sh\nexit 3\n");
    QFile::setPermissions(bin.filePath("xdg-open"), QFile::ReadOwner | QFile::ExeOwner);
    ScopedEnv path;
    path.PrependPath(QFile::encodeName(bin.path()));
    Session().SetServerURL(QStringLiteral("http://reports.example/"));
    PromptsDouble::Current().Clear();
    FakeDesk desk = FakeDesk::Of("t", FakeDesk::Named({"R3"}));
    AuditTrail(desk).Run();
    ASSERT_TRUE(QTest::qWaitFor([] { return !Shown().isEmpty(); }, 20000));
    EXPECT_TRUE(Shown()[0].startsWith("No program is set up to open web pages.\n"));
    EXPECT_TRUE(Shown()[0].endsWith("view_audittrail.php?loginid=" + Session().LoggedUserId() +
                                    "&filename=R3&fromdate=&todate=&admin=0"));
}
