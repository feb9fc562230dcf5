// Audit trail: which row is chosen, the page's address, and the refusals.
#include "dialogs/audittrail/AuditTrail.h"

#include "tests/dialogs/ActionTestSupport.h"

namespace {

TEST(AuditTrailTest, OneNamedRowOpensItsPageInTheBrowserAndAnythingElseIsRefused) {
    const QString tooMany = QStringLiteral("Select only one file to view audit trail.");
    const struct {
        QStringList selected; // file names of the selected rows, in list order
        QString opened;       // the file name in the address; null: nothing opened
        QString message;
    } cases[] = {
        {{}, {}, QStringLiteral("Select file to view Audit Trail.")},
        {{"R1", "R2"}, {}, tooMany},
        {{"", "R2"}, QStringLiteral("R2"), {}},
        {{" R3 "}, QStringLiteral("R3"), {}},
    };
    Session().Reset();
    Session().SetServerURL(QStringLiteral("http://reports.example/"));
    Session().SetLoggedUserId(QStringLiteral("12"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selected.join(u',').toStdString());
        PromptsDouble::Current().Clear();
        RecordingShell shell;
        Shell::Install(&shell);
        // Neither the list type nor the rights count.
        FakeDesk desk = FakeDesk::Of("p", FakeDesk::Named(c.selected, QStringLiteral("000000")));
        AuditTrail(desk).Run();
        Shell::Install(nullptr);
        EXPECT_EQ(Shown(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
        EXPECT_EQ(shell.opened, c.opened.isNull() ? QStringList()
                                                  : QStringList{"http://reports.example/view_audittrail.php?"
                                                                "loginid=12&filename=" +
                                                                c.opened + "&fromdate=&todate=&admin=0"});
    }
}

} // namespace
