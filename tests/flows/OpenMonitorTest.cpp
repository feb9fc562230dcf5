// Open and the monitor: the word processor (the fake soffice) edits, holds and releases the
// document; what goes to the server and what the user is told.
#include "tests/flows/FlowsFixture.h"

#include "documents/core/SigningCore.h"

namespace {

using OpenTest = FlowsFixture;

const QString kOwn = QStringLiteral("R260019");         // provider 12, not signed: the demo's report
const QString kOwnSigned = QStringLiteral("R260001");   // provider 12, e-signed
const QString kOther = QStringLiteral("R260004");       // provider 18: user 12 may edit
const QString kOtherSigned = QStringLiteral("R260014"); // provider 18, e-signed
const QString kReadOnly = QStringLiteral("R260007");    // provider 15: user 12 may only read
const QString kOffer = QStringLiteral("Do you want to E-Sign this document - %1?");

} // namespace

TEST_F(OpenTest, EditedOwnReportIsOfferedForSigningAndResyncedOnNo) {
    Start();
    OpenForEditing(kOwn);
    EXPECT_EQ(desktop_->SofficeCalls().last(), QStringList{Temp(kOwn)});
    EXPECT_EQ(Status(kOwn, DeskContext::StatusColumn::Opened), QStringLiteral("O"));
    EXPECT_TRUE(StatusSent(kOwn, QStringLiteral("open")));

    // While it is open the window works: a query and a sort; the four document commands refuse.
    Click("ctl219");
    page_->List()->sortByColumn(7, Qt::DescendingOrder);
    for (const char* command : {"ctl210", "ctl201", "ctl204", "ctl207"}) {
        PromptsDouble::Current().Clear();
        Select({QStringLiteral("R260011")}); // provider 12, not signed
        Click(command);
        EXPECT_EQ(Shown(), QStringList{QStringLiteral("Currently opened document, ") + Temp(kOwn) +
                                       QStringLiteral(", needs to be closed before opening another one.")})
            << command;
    }
    // A query that no longer lists it: the monitor goes by what it knew at opening.
    page_->DeleteAllRows();
    PromptsDouble::Current().Clear();
    PromptsDouble::Current().QueueAnswer(Prompts::No);
    desktop_->ReleaseLock();
    ASSERT_TRUE(Closed());
    EXPECT_EQ(Shown(), (QStringList{kOffer.arg(kOwn), QStringLiteral("Document updated.")}));
    const QList<QJsonObject> resync = Uploads(QStringLiteral("qm_resync.php"));
    ASSERT_EQ(resync.size(), 1);
    const QStringList fields = Fields(resync.first()); // no demographics
    EXPECT_EQ(fields.size(), 5);
    EXPECT_EQ(fields.first(), QStringLiteral("loginid=30"));
    EXPECT_EQ(fields.last(), kOwn + QStringLiteral(".doc"));
    EXPECT_TRUE(ServerDocument(kOwn).contains(QStringLiteral("Edited in the word processor.")));
    EXPECT_EQ(Count(QStringLiteral("qm_esign.php")), 0);
    EXPECT_TRUE(StatusSent(kOwn, QStringLiteral("edit")));
    EXPECT_TRUE(PendingStore::All().isEmpty()); // nothing owed
}

// What the monitor does with a released document, by who edits what.
TEST_F(OpenTest, ReleasedDocumentByEditorAndReport) {
    const QString attention = QStringLiteral("ATTENTION:  You are opening an esigned document. An addendum "
                                             "statement will be added if it is edited and saved.");
    const QString updated = QStringLiteral("Document updated.");
    struct Case {
        QString report;
        bool change;
        QStringList messages;
        int resyncs, esigns;
        QString serverHas; // the statement the server's copy must then hold, if any
    };
    const QList<Case> cases{
        {kOwn, false, {}, 0, 0, {}},
        {kOwn,
         true,
         {kOffer.arg(kOwn), QStringLiteral("Document E-Signed successfully.")},
         0,
         1,
         Signing::kFirstPrefix},
        {kOwnSigned, true, {attention, updated}, 0, 1, Signing::kRevisionPrefix},
        {kOtherSigned, true, {}, 0, 0, {}}, // e-signed by another: a protected copy, never uploaded
        {kReadOnly, true, {}, 0, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report.toStdString());
        // A fresh window, working folder and word processor per case; the server goes on.
        page_.reset();
        QDir(CUtility().TempFolder()).removeRecursively();
        NewDesktop(c.change ? QStringLiteral("Corrected dosage.") : QStringLiteral("-"));
        PromptsDouble::Current().Clear();
        Start();
        const qsizetype resyncs = Count(QStringLiteral("qm_resync.php"));
        const qsizetype esigns = Count(QStringLiteral("qm_esign.php"));
        if (c.messages.value(0) == kOffer.arg(kOwn)) {
            PromptsDouble::Current().QueueAnswer(Prompts::Yes);
        }
        if (c.resyncs + c.esigns == 0 && c.change) {
            Select({c.report});
            Click("ctl210");
            EXPECT_TRUE(page_->State().ViewOnly);
            ASSERT_TRUE(desktop_->WaitForSofficeCalls(1)); // started detached
            EXPECT_EQ(desktop_->SofficeCalls().last(),
                      (QStringList{QStringLiteral("--view"), Temp(c.report)}));
            EXPECT_TRUE(ReadText(Temp(c.report)).startsWith(QStringLiteral("{\\rtf")));
            EXPECT_TRUE(ReadText(Temp(c.report)).contains(QStringLiteral("\\formprot")));
        } else {
            OpenForEditing(c.report);
            desktop_->ReleaseLock();
        }
        ASSERT_TRUE(WaitFor([&] { return DocumentMonitor::Find(page_.get()) == nullptr; }));
        ASSERT_TRUE(page_->State().OpenDocumentName.isEmpty());
        EXPECT_EQ(Shown(), c.messages);
        EXPECT_EQ(Count(QStringLiteral("qm_resync.php")) - resyncs, c.resyncs);
        EXPECT_EQ(Count(QStringLiteral("qm_esign.php")) - esigns, c.esigns);
        if (!c.serverHas.isEmpty()) {
            const QString doc = ServerDocument(c.report);
            EXPECT_EQ(doc.count(QStringLiteral("Electronically ESigned by")), 1);
            EXPECT_TRUE(doc.contains(c.serverHas + QStringLiteral("Amelia Hart, MD on ")));
            // A re-sign replaces everything from the old statement on, so only an edit above it
            // survives; the fake appends at the very end.
            EXPECT_EQ(doc.contains(QStringLiteral("Corrected dosage.")), c.report != kOwnSigned);
        }
    }
}

TEST_F(OpenTest, SelectionAndAccessChecks) {
    Start();
    page_->State().ReportTypeCode = QStringLiteral("p");
    ExpectRefusals("ctl210", {{{kOwn}, QStringLiteral("Click on Play to play voice files.")}});
    page_->State().ReportTypeCode = QStringLiteral("t");
    ExpectRefusals("ctl210", {{{}, QStringLiteral("Select a document to view.")},
                              {{kOwn, kOther}, QStringLiteral("Select only one file to open.")},
                              {{QStringLiteral("R260002")}, Denied(QStringLiteral("\"Open\" documents"))}});
    EXPECT_TRUE(Journal(QStringLiteral("qm_download_files.php")).isEmpty());
    EXPECT_TRUE(desktop_->SofficeCalls().isEmpty());
}
