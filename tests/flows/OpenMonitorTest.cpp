// Open and the monitor: the word processor (the fake soffice) edits, holds and releases the
// document; what goes to the server and what the user is told.
#include "tests/flows/FlowsFixture.h"

#include "documents/core/SigningCore.h"
#include "documents/core/WordHoldsFile.h"
#include "documents/monitor/DocumentMonitor.h"

#include <QDir>

namespace {

using OpenTest = FlowsFixture;

const QString kOwn = QStringLiteral("R260019");         // provider 12, not signed: the demo's report
const QString kOwnSigned = QStringLiteral("R260001");   // provider 12, e-signed
const QString kOwn2 = QStringLiteral("R260011");        // provider 12, not signed
const QString kOther = QStringLiteral("R260004");       // provider 18: user 12 may edit
const QString kOtherSigned = QStringLiteral("R260014"); // provider 18, e-signed
const QString kReadOnly = QStringLiteral("R260007");    // provider 15: user 12 may only read
const QString kClosed = QStringLiteral("R260002");      // no access at all

QString OpenRefusal(const QString& name) {
    return QStringLiteral("Currently opened document, ") + LocalDocumentPath(name) +
           QStringLiteral(", needs to be closed before opening another one.");
}

} // namespace

TEST_F(OpenTest, EditedOwnReportIsOfferedForSigningAndResyncedOnNo) {
    Start();
    OpenForEditing(kOwn);
    EXPECT_EQ(page_->State().OpenDocumentName, kOwn);
    EXPECT_EQ(desktop_->SofficeCalls().last(), QStringList{Temp(kOwn)});
    EXPECT_EQ(Status(kOwn, DeskContext::StatusColumn::Opened), QStringLiteral("O"));
    ASSERT_TRUE(WaitForRequests(QStringLiteral("qm_statusupdate.php"), 1));
    EXPECT_TRUE(Journal(QStringLiteral("qm_statusupdate.php"))
                    .first()
                    .value(QStringLiteral("query"))
                    .toString()
                    .contains(QStringLiteral("vfilename=") + kOwn + QStringLiteral("&field=open")));

    // While it is open the window works: a query and a sort; the four document commands refuse.
    Click("ctl219");
    page_->List()->sortByColumn(7, Qt::DescendingOrder);
    for (const char* command : {"ctl210", "ctl201", "ctl204", "ctl207"}) {
        PromptsDouble::Current().Clear();
        Select({kOwn2});
        Click(command);
        EXPECT_EQ(Shown(), QStringList{OpenRefusal(kOwn)}) << command;
    }
    PromptsDouble::Current().Clear();

    PromptsDouble::Current().QueueAnswer(Prompts::No);
    desktop_->ReleaseLock();
    ASSERT_TRUE(WaitFor([&] { return page_->State().OpenDocumentName.isEmpty(); }));
    EXPECT_EQ(Shown(),
              (QStringList{QStringLiteral("Do you want to E-Sign this document - ") + kOwn + QLatin1Char('?'),
                           QStringLiteral("Document updated.")}));
    const QList<QJsonObject> resync = Uploads(QStringLiteral("qm_resync.php"));
    ASSERT_EQ(resync.size(), 1);
    const QStringList fields = Fields(resync.first());
    ASSERT_EQ(fields.size(), 4) << fields.join(QLatin1Char(' ')).toStdString(); // no demographics
    EXPECT_EQ(fields.first(), QStringLiteral("loginid=30"));
    EXPECT_EQ(Entries(resync.first()), QStringList{kOwn + QStringLiteral(".doc")});
    EXPECT_TRUE(ServerDocument(kOwn).contains(QStringLiteral("Edited in the word processor.")));
    EXPECT_TRUE(Uploads(QStringLiteral("qm_esign.php")).isEmpty());
    ASSERT_TRUE(WaitFor([&] {
        for (const QJsonObject& e : Journal(QStringLiteral("qm_statusupdate.php"))) {
            if (e.value(QStringLiteral("query")).toString().contains(QStringLiteral("&field=edit"))) {
                return true;
            }
        }
        return false;
    }));
    EXPECT_TRUE(PendingStore::All().isEmpty()); // nothing owed
}

// What the monitor does with a released document, by who edits what.
TEST_F(OpenTest, ReleasedDocumentByEditorAndReport) {
    struct Case {
        QString report;
        bool change;
        int answer; // to the e-sign offer, when one comes
        QStringList messages;
        int resyncs;
        int esigns;
        QString serverHas; // a statement prefix the server's copy must then hold, if any
    };
    const QString updated = QStringLiteral("Document updated.");
    const QString attention = QStringLiteral("ATTENTION:  You are opening an esigned document. An addendum "
                                             "statement will be added if it is edited and saved.");
    const QList<Case> cases{
        {kOwn, false, 0, {}, 0, 0, {}},
        {kOther, true, 0, {updated}, 1, 0, {}},
        {kOwn,
         true,
         Prompts::Yes,
         {QStringLiteral("Do you want to E-Sign this document - ") + kOwn + QLatin1Char('?'),
          QStringLiteral("Document E-Signed successfully.")},
         0,
         1,
         Signing::kFirstPrefix},
        {kOwnSigned, true, 0, {attention, updated}, 0, 1, Signing::kRevisionPrefix},
        {kOtherSigned, true, 0, {}, 0, 0, {}}, // e-signed by another: a protected copy, never uploaded
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report.toStdString());
        // A fresh window, working folder and word processor per case; the server goes on.
        page_.reset();
        QDir(CUtility().TempFolder()).removeRecursively();
        desktop_.reset();
        desktop_ = std::make_unique<FakeDesktop>();
        PromptsDouble::Current().Clear();
        desktop_->SetEditText(c.change ? QStringLiteral("Corrected dosage.") : QStringLiteral("-"));
        Start();
        const auto resyncsBefore = Uploads(QStringLiteral("qm_resync.php")).size();
        const auto esignsBefore = Uploads(QStringLiteral("qm_esign.php")).size();
        if (c.answer != 0) {
            PromptsDouble::Current().QueueAnswer(c.answer);
        }
        if (c.report == kOtherSigned) {
            Select({c.report});
            Click("ctl210");
            EXPECT_TRUE(page_->State().ViewOnly);
            ASSERT_TRUE(WaitFor([&] { return !desktop_->SofficeCalls().isEmpty(); })); // started detached
            EXPECT_EQ(desktop_->SofficeCalls().last(),
                      (QStringList{QStringLiteral("--view"), Temp(c.report)}));
            EXPECT_TRUE(ReadText(Temp(c.report)).contains(QStringLiteral("\\formprot")));
        } else {
            OpenForEditing(c.report);
            page_->DownloadDocuments({kReadOnly}); // another action fetches a report meanwhile
            desktop_->ReleaseLock();
        }
        ASSERT_TRUE(WaitFor([&] { return DocumentMonitor::Find(page_.get()) == nullptr; }));
        ASSERT_TRUE(page_->State().OpenDocumentName.isEmpty());
        EXPECT_EQ(Shown(), c.messages);
        EXPECT_EQ(Uploads(QStringLiteral("qm_resync.php")).size() - resyncsBefore, c.resyncs);
        EXPECT_EQ(Uploads(QStringLiteral("qm_esign.php")).size() - esignsBefore, c.esigns);
        if (!c.serverHas.isEmpty()) {
            const QString doc = ServerDocument(c.report);
            EXPECT_EQ(doc.count(QStringLiteral("Electronically ESigned by")), 1);
            EXPECT_TRUE(doc.contains(c.serverHas + QStringLiteral("Amelia Hart, MD on ")));
            // A re-sign replaces everything from the old statement on, so only an edit above it
            // survives; the fake appends at the very end.
            EXPECT_EQ(doc.contains(QStringLiteral("Corrected dosage.")), c.report != kOwnSigned);
        }
        EXPECT_TRUE(PendingStore::All().isEmpty());
    }
}

TEST_F(OpenTest, SelectionAndAccessChecks) {
    Start();
    struct Case {
        QStringList rows;
        QString type;
        QString message;
    };
    const QList<Case> cases{
        {{kOwn}, QStringLiteral("p"), QStringLiteral("Click on Play to play voice files.")},
        {{}, QStringLiteral("t"), QStringLiteral("Select a document to view.")},
        {{kOwn, kOther}, QStringLiteral("t"), QStringLiteral("Select only one file to open.")},
        {{kClosed},
         QStringLiteral("t"),
         QStringLiteral(
             "ACCESS DENIED: Your user account is not configured to \"Open\" documents. For assistance, "
             "please contact technical support via email at support@molve-reports.com or "
             "1-800-555-0142.")},
    };
    for (const Case& c : cases) {
        PromptsDouble::Current().Clear();
        page_->State().ReportTypeCode = c.type;
        Select(c.rows);
        Click("ctl210");
        EXPECT_EQ(Shown(), QStringList{c.message}) << c.message.toStdString();
    }
    EXPECT_TRUE(Journal(QStringLiteral("qm_download_files.php")).isEmpty());
    EXPECT_TRUE(desktop_->SofficeCalls().isEmpty());
}

TEST_F(OpenTest, ReaderGetsAProtectedCopyAndMayOpenAnotherAtOnce) {
    Start();
    Select({kReadOnly});
    Click("ctl210");
    EXPECT_TRUE(page_->State().ViewOnly);
    EXPECT_TRUE(page_->State().OpenDocumentName.isEmpty());
    ASSERT_TRUE(WaitFor([&] { return !desktop_->SofficeCalls().isEmpty(); })); // started detached
    EXPECT_EQ(desktop_->SofficeCalls().last(), (QStringList{QStringLiteral("--view"), Temp(kReadOnly)}));
    EXPECT_TRUE(ReadText(Temp(kReadOnly)).startsWith(QStringLiteral("{\\rtf")));
    EXPECT_TRUE(ReadText(Temp(kReadOnly)).contains(QStringLiteral("\\formprot")));
    EXPECT_EQ(DocumentMonitor::Find(page_.get()), nullptr);

    // Already in TempFolder: opened again without a download.
    const auto downloads = Journal(QStringLiteral("qm_download_files.php")).size();
    Select({kReadOnly});
    Click("ctl210");
    EXPECT_EQ(Journal(QStringLiteral("qm_download_files.php")).size(), downloads);
    EXPECT_TRUE(Shown().isEmpty());
}

// A query that no longer lists the opened report: the monitor goes by what it knew at opening.
TEST_F(OpenTest, MonitorUsesTheOpenedReportEvenWhenTheListChanged) {
    Start();
    OpenForEditing(kOwn);
    page_->DeleteAllRows();
    PromptsDouble::Current().QueueAnswer(Prompts::No);
    desktop_->ReleaseLock();
    ASSERT_TRUE(WaitFor([&] { return page_->State().OpenDocumentName.isEmpty(); }));
    EXPECT_EQ(Shown().value(0),
              QStringLiteral("Do you want to E-Sign this document - ") + kOwn + QLatin1Char('?'));
    EXPECT_EQ(Uploads(QStringLiteral("qm_resync.php")).size(), 1);
}
