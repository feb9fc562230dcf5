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
const QString kEdit = QStringLiteral("Corrected dosage.");

} // namespace

TEST_F(OpenTest, EditedOwnReportIsOfferedForSigningAndResyncedOnNo) {
    Start();
    OpenForEditing(kOwn);
    EXPECT_EQ(desktop_->SofficeCalls().last(), QStringList{Temp(kOwn)});
    EXPECT_EQ(Status(kOwn, DeskContext::StatusColumn::Opened), QStringLiteral("O"));

    // While it is open the window works: a query and a sort; the four document commands refuse.
    Click("ctl219");
    page_->List()->sortByColumn(7, Qt::DescendingOrder);
    for (const char* command : {"ctl210", "ctl201", "ctl204", "ctl207"}) {
        Answers();
        Select({QStringLiteral("R260011")}); // provider 12, not signed
        Click(command);
        EXPECT_EQ(Shown(), QStringList{QStringLiteral("Currently opened document, ") + Temp(kOwn) +
                                       QStringLiteral(", needs to be closed before opening another one.")})
            << command;
    }
    // A query that no longer lists it: the monitor goes by what it knew at opening.
    page_->DeleteAllRows();
    Answers({Prompts::No});
    desktop_->ReleaseLock();
    ASSERT_TRUE(Closed());
    EXPECT_EQ(Shown(), (QStringList{kOffer.arg(kOwn), QStringLiteral("Document updated.")}));
    const QList<QJsonObject> resync = Uploads(kResync);
    ASSERT_EQ(resync.size(), 1);
    const QStringList fields = Fields(resync.first()); // no demographics
    EXPECT_EQ(fields.size(), 4);
    EXPECT_EQ(fields.first(), QStringLiteral("loginid=30"));
    EXPECT_TRUE(ServerDocument(kOwn).contains(QStringLiteral("Edited in the word processor.")));
    EXPECT_EQ(Count(kEsign), 0);
    EXPECT_TRUE(StatusSent(kOwn, QStringLiteral("edit")));
    EXPECT_TRUE(PendingStore::All().isEmpty()); // nothing owed
}

// What the monitor does with a released document, by whose report and whether it changed.
TEST_F(OpenTest, ReleasedDocumentByEditorAndReport) {
    struct Case {
        QString report, edit;
        QStringList messages;
        QString statement; // e-signed: the server's copy then holds exactly this statement
    };
    const QList<Case> cases{
        {kOwn, QStringLiteral("-"), {}, {}}, // unchanged
        {kOwn,
         kEdit,
         {kOffer.arg(kOwn), QStringLiteral("Document E-Signed successfully.")},
         Signing::kFirstPrefix},
        {kOwnSigned,
         kEdit,
         {QStringLiteral("ATTENTION:  You are opening an esigned document. An addendum statement will be "
                         "added if it is edited and saved."),
          QStringLiteral("Document updated.")},
         Signing::kRevisionPrefix},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report.toStdString());
        NewDesktop(c.edit);
        Answers();
        Start();
        const qsizetype before = Count(kEsign);
        Answers({Prompts::Yes});
        OpenForEditing(c.report);
        desktop_->ReleaseLock();
        ASSERT_TRUE(WaitFor([&] { return DocumentMonitor::Find(page_.get()) == nullptr; }));
        EXPECT_EQ(Shown(), c.messages);
        EXPECT_EQ(Count(kEsign) - before, c.statement.isEmpty() ? 0 : 1);
        EXPECT_EQ(Count(kResync), 0);
        if (!c.statement.isEmpty()) { // one statement, the old one replaced
            const QString doc = ServerDocument(c.report);
            EXPECT_EQ(doc.count(QStringLiteral("Electronically ESigned by")), 1);
            EXPECT_TRUE(doc.contains(c.statement + QStringLiteral("Amelia Hart, MD on ")));
        }
        Close();
    }
}

TEST_F(OpenTest, ChecksAndProtectedCopies) {
    Start();
    page_->State().ReportTypeCode = QStringLiteral("p");
    ExpectRefusals("ctl210", {{{kOwn}, QStringLiteral("Click on Play to play voice files.")}});
    page_->State().ReportTypeCode = QStringLiteral("t");
    ExpectRefusals("ctl210", {{{}, QStringLiteral("Select a document to view.")},
                              {{kOwn, kOther}, QStringLiteral("Select only one file to open.")},
                              {{QStringLiteral("R260002")}, Denied("\"Open\" documents")}});
    EXPECT_TRUE(Journal(kDownload).isEmpty());
    EXPECT_TRUE(desktop_->SofficeCalls().isEmpty());

    // Signed by another: a protected RTF copy, shown, never watched; another may open at once,
    // and a report already here is not fetched again.
    Answers();
    for (const QString& name : {kOtherSigned, kReadOnly, kOtherSigned}) {
        Select({name});
        Click("ctl210");
        EXPECT_TRUE(page_->State().ViewOnly);
        ASSERT_TRUE(WaitFor([&] {
            return desktop_->SofficeCalls().value(0) ==
                   QStringList{QStringLiteral("--view"), Temp(kOtherSigned)};
        }));
        EXPECT_TRUE(ReadText(Temp(name)).startsWith(QStringLiteral("{\\rtf")));
        EXPECT_TRUE(ReadText(Temp(name)).contains(QStringLiteral("\\formprot")));
    }
    EXPECT_EQ(Journal(kDownload).size(), 2);
    EXPECT_EQ(DocumentMonitor::Find(page_.get()), nullptr);
    EXPECT_TRUE(Shown().isEmpty());
}
