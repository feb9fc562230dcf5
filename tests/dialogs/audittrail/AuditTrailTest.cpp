// Audit trail: which row is chosen, the page's address, and the messages.
#include "dialogs/audittrail/AuditTrail.h"

#include "host/core/SessionSettings.h"
#include "tests/dialogs/ActionTestSupport.h"
#include "tests/reportlist/window/WindowFixture.h"

namespace {

class AuditTrailTest : public ::testing::Test {
protected:
    void SetUp() override {
        Session().Reset();
        Session().SetServerURL(QStringLiteral("http://reports.example/"));
        Session().SetLoggedUserId(QStringLiteral("12"));
        PromptsDouble::Current().Clear();
        Shell::Install(&shell_);
    }
    void TearDown() override { Shell::Install(nullptr); }

    RecordingShell shell_;
};

struct SelectionCase {
    const char* name;
    QStringList filenames; // every row selected, in list order
    QString opened;        // the file name in the address; null: nothing opened
    QString message;
};

TEST_F(AuditTrailTest, OneNamedRowOpensItsPageAndAnythingElseIsRefused) {
    const QList<SelectionCase> cases{
        {"nothing selected", {}, {}, QStringLiteral("Select file to view Audit Trail.")},
        {"two named rows", {"R1", "R2"}, {}, QStringLiteral("Select only one file to view audit trail.")},
        {"named row before an unnamed one",
         {"R1", ""},
         {},
         QStringLiteral("Select only one file to view audit trail.")},
        {"unnamed row before a named one", {"", "R2"}, QStringLiteral("R2"), {}},
        {"one row, blanks trimmed", {" R3 "}, QStringLiteral("R3"), {}},
        {"one unnamed row: sent empty", {""}, QStringLiteral(""), {}},
    };
    for (const SelectionCase& c : cases) {
        SCOPED_TRACE(c.name);
        PromptsDouble::Current().Clear();
        shell_.opened.clear();
        FakeDesk desk;
        desk.state.ReportTypeCode = QStringLiteral("p"); // the pending list and no rights: no check
        for (const QString& name : c.filenames) {
            desk.selected.append(static_cast<int>(desk.rows.size()));
            desk.rows.append({name, QStringLiteral("000000")});
        }
        AuditTrail(desk).Run();
        if (c.opened.isNull()) {
            EXPECT_TRUE(shell_.opened.isEmpty());
            EXPECT_EQ(PromptsDouble::Current().ShownTexts(), QStringList{c.message});
        } else {
            EXPECT_EQ(shell_.opened,
                      QStringList{
                          QStringLiteral("http://reports.example/view_audittrail.php?loginid=12&filename=") +
                          c.opened + QStringLiteral("&fromdate=&todate=&admin=0")});
            EXPECT_TRUE(PromptsDouble::Current().ShownTexts().isEmpty());
        }
    }
}

// From the window's menu command to the browser, on the stand-in server's list.
class AuditTrailWindowTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        Shell::Install(&shell_);
    }
    void TearDown() override {
        WindowFixture::TearDown();
        Shell::Install(nullptr);
    }
    RecordingShell shell_;
};

TEST_F(AuditTrailWindowTest, MenuCommandOpensTheSelectedReportsPage) {
    CVelmoPropPage& page = Start();
    ASSERT_GT(page.RowCount(), 1);
    SelectRow(1);
    const QString name = page.Filename(1);
    ASSERT_FALSE(name.isEmpty());
    page.OnPopAuditTrail();
    EXPECT_EQ(shell_.opened,
              QStringList{server_.BaseUrl() + QStringLiteral("view_audittrail.php?loginid=12&filename=") +
                          name + QStringLiteral("&fromdate=&todate=&admin=0")});
}

} // namespace
