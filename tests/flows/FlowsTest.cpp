// The document flows end to end: open and the monitor (the fake soffice edits, holds and releases
// the document), print, e-sign, edit demographics, and an edited report that is never lost.
#include "tests/flows/FlowsFixture.h"

#include "documents/core/OfficeProgram.h"
#include "documents/core/SigningCore.h"
#include "documents/demographics/CDlgEditDemographics.h"
#include "reportlist/window/StatusLine.h"

#include <QApplication>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>

namespace {

using Flows = FlowsFixture;

const QString kOwn = QStringLiteral("R260019");         // provider 12, not signed: the demo's report
const QString kOwnA = QStringLiteral("R260006");        // provider 12, not signed
const QString kOwnB = QStringLiteral("R260011");        // provider 12, not signed
const QString kOwnSigned = QStringLiteral("R260001");   // provider 12, e-signed
const QString kOther = QStringLiteral("R260004");       // provider 18: user 12 may print and edit, not sign
const QString kOtherSigned = QStringLiteral("R260014"); // provider 18, e-signed
const QString kReadOnly = QStringLiteral("R260007");    // provider 15: user 12 may only read
const QString kOffer = QStringLiteral("Do you want to E-Sign this document - %1?");
const QString kAttention = QStringLiteral("ATTENTION:  You are opening an esigned document. An addendum "
                                          "statement will be added if it is edited and saved.");
const QString kUpdated = QStringLiteral("Document updated.");
const QString kEdited = QStringLiteral("Demographics edited successfully");
const QString kSigner = QStringLiteral("Amelia Hart, MD on "); // the session's signature text
const QString kFileList = QStringLiteral("qm_download_filelist.php");

// Sets a row's value as the user does: a click on the row, the box, "Set Value".
void SetRow(CDlgEditDemographics* dialog, const QString& name, const QString& value) {
    auto* list = dialog->findChild<QTableWidget*>(QStringLiteral("ctl272"));
    list->clearSelection();
    for (int row = 0; row < list->rowCount(); ++row) {
        if (list->item(row, 1)->text() == name) {
            list->selectRow(row);
        }
    }
    dialog->OnClickListCp();
    dialog->findChild<QLineEdit*>(QStringLiteral("ctl274"))->setText(value);
    dialog->OnSetValue();
}

// Drives the Edit Demographics dialog once it is up: the edits, then OK.
void WhenDialogShows(const QList<QPair<QString, QString>>& edits) {
    QTimer::singleShot(0, [edits] {
        auto* dialog = qobject_cast<CDlgEditDemographics*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        for (const auto& [name, value] : edits) {
            SetRow(dialog, name, value);
        }
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("ctlOk")), Qt::LeftButton);
    });
}

} // namespace

// What the monitor does with a released document, by whose report, whether it changed and the
// answer to the e-sign offer.
TEST_F(Flows, OpenEditAndRelease) {
    struct Case {
        QString report, edit;
        int answer;
        QStringList messages;
        QString statement; // e-signed: the server's copy then holds exactly this statement
    };
    const QList<Case> cases{
        {kOwn,
         QStringLiteral("Edited in the word processor."),
         Prompts::No,
         {kOffer.arg(kOwn), kUpdated},
         {}},
        {kOwn, QStringLiteral("-"), Prompts::Yes, {}, {}},                               // unchanged
        {kOther, QStringLiteral("Edited by a colleague."), Prompts::No, {kUpdated}, {}}, // not asked to sign
        {kOwn,
         QStringLiteral("Corrected dosage."),
         Prompts::Yes,
         {kOffer.arg(kOwn), QStringLiteral("Document E-Signed successfully.")},
         Signing::kFirstPrefix},
        {kOwnSigned,
         QStringLiteral("Corrected dosage."),
         Prompts::Yes,
         {kAttention, kUpdated,
          QStringLiteral(
              "Text typed after the signature statement of R260001 was kept and now stands above the "
              "revision statement: Corrected dosage.")},
         Signing::kRevisionPrefix},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.messages.join(QLatin1Char('|')).toStdString());
        NewDesktop(c.edit);
        Start();
        const qsizetype esigns = Count(kEsign);
        const qsizetype resyncs = Count(kResync);
        Answers({c.answer});
        OpenForEditing(c.report);
        // In the desk's own editing profile; an e-signed report as its protected copy.
        EXPECT_EQ(desktop_->SofficeCalls().last(), OfficeProgram::EditingArguments() << Handed(c.report));
        EXPECT_EQ(Handed(c.report).endsWith(QStringLiteral(".fodt")),
                  c.statement == Signing::kRevisionPrefix);
        EXPECT_EQ(Status(c.report, DeskContext::StatusColumn::Opened), QStringLiteral("O"));
        if (c.answer == Prompts::No) {
            // While it is open the window works: a query and a sort; the document commands refuse.
            Click("ctl219");
            page_->List()->sortByColumn(7, Qt::DescendingOrder);
            for (const char* command : {"ctl210", "ctl201", "ctl204", "ctl207"}) {
                ExpectRefusals(command,
                               {{{kOwnB},
                                 QStringLiteral("Currently opened document, ") + Temp(c.report) +
                                     QStringLiteral(", needs to be closed before opening another one.")}});
            }
            page_->DeleteAllRows(); // gone from the list: the monitor goes by what it knew at opening
            Answers({c.answer});
        }
        desktop_->ReleaseLock();
        ASSERT_TRUE(WaitFor([&] { return DocumentMonitor::Find(page_.get()) == nullptr; }));
        EXPECT_EQ(Shown(), c.messages);
        EXPECT_EQ(Count(kEsign) - esigns, c.statement.isEmpty() ? 0 : 1);
        EXPECT_EQ(Count(kResync) - resyncs, c.answer == Prompts::No ? 1 : 0);
        const QString doc = ServerDocument(c.report);
        EXPECT_EQ(doc.count(QStringLiteral("Electronically ESigned by")), c.statement.isEmpty() ? 0 : 1);
        EXPECT_TRUE(doc.contains(c.statement + kSigner) || c.statement.isEmpty());
        if (c.answer == Prompts::No) {
            EXPECT_TRUE(doc.contains(c.edit));
            const auto uploads = Uploads(kResync);
            const QStringList fields = Fields(uploads.value(uploads.size() - 1)); // no demographics
            EXPECT_EQ(fields.size(), 4);
            EXPECT_EQ(fields.value(0), QStringLiteral("loginid=30")); // "12" scrambled
            EXPECT_TRUE(StatusSent(c.report, QStringLiteral("edit")));
        }
        EXPECT_TRUE(PendingStore::All().isEmpty()); // nothing owed
        Close();
    }
}

TEST_F(Flows, OpenChecksAndProtectedCopies) {
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
    qsizetype opened = 0;
    for (const QString& name : {kOtherSigned, kReadOnly, kOtherSigned}) {
        Select({name});
        Click("ctl210");
        EXPECT_TRUE(page_->State().ViewOnly);
        ++opened;
        ASSERT_TRUE(WaitFor([&] {
            const auto calls = desktop_->SofficeCalls();
            return calls.size() == opened &&
                   calls.last() == QStringList{QStringLiteral("--view"), Temp(name)};
        }));
        EXPECT_TRUE(ReadText(Temp(name)).startsWith(QStringLiteral("{\\rtf")));
        EXPECT_TRUE(ReadText(Temp(name)).contains(QStringLiteral("\\formprot")));
    }
    EXPECT_EQ(Journal(kDownload).size(), 2);
    EXPECT_EQ(DocumentMonitor::Find(page_.get()), nullptr);
    EXPECT_TRUE(Shown().isEmpty());
}

TEST_F(Flows, PrintThreeRowsAndRefusals) {
    Start();
    Select({kOwnA, kOwnB, kOther});
    Click("ctl201");
    EXPECT_EQ(desktop_->SofficeCalls().size(), 3); // one word-processor run per document
    EXPECT_EQ(Journal(QStringLiteral("qm_statusupdate.php")).size(), 3);
    for (const QString& name : {kOwnA, kOwnB, kOther}) {
        EXPECT_TRUE(desktop_->Printed().contains(Temp(name)));
        EXPECT_TRUE(page_->Status()->Note().startsWith("Sent to the printer PDF: ") &&
                    page_->Status()->Note().contains(name));
        EXPECT_TRUE(StatusSent(name, QStringLiteral("print&value=1"))) << name.toStdString();
        EXPECT_EQ(Status(name, DeskContext::StatusColumn::Printed), QStringLiteral("O"))
            << name.toStdString();
    }
    EXPECT_TRUE(Shown().isEmpty());

    // Refusals stop before anything is fetched or printed.
    const qsizetype downloads = Journal(kDownload).size();
    ExpectRefusals("ctl201", {{{}, QStringLiteral("Select a document to print.")},
                              {{kOwnA, QStringLiteral("R260003")}, Denied("\"Print\" documents")}});
    EXPECT_EQ(desktop_->Printed().size(), 3);
    EXPECT_EQ(Journal(kDownload).size(), downloads);
}

TEST_F(Flows, EsignOwnReport) {
    Start();
    ExpectRefusals("ctl204", {{{kOther}, Denied("\"Esign\" documents")},
                              {{kOwnA, kOwnB}, QStringLiteral("Select only one file to esign.")},
                              {{}, QStringLiteral("Select a document to e-Sign.")}});
    EXPECT_TRUE(Journal(kDownload).isEmpty());
    Answers();
    Select({kOwnA});
    Click("ctl204");
    EXPECT_EQ(Shown(), QStringList{QStringLiteral("Document E-Signed successfully.")});
    ASSERT_EQ(Count(kEsign), 1);
    EXPECT_EQ(
        Fields(Uploads(kEsign).first()).join(QLatin1Char(' ')),
        QStringLiteral("loginid=30 password= locationid=All phyid=All esign=1 edit=1")); // "12" scrambled
    EXPECT_EQ(ServerDocument(kOwnA).count(Signing::kFirstPrefix + kSigner), 1);
    EXPECT_EQ(Status(kOwnA, DeskContext::StatusColumn::Esigned), QStringLiteral("O"));
    EXPECT_TRUE(page_->State().EsignedDocuments.contains(kOwnA));
}

TEST(DemographicsDialog, FixedFieldRefusesAChange) {
    PromptsDouble::Current().Clear();
    CDlgEditDemographics dialog({QStringLiteral("Filename")}, {QStringLiteral("R1")}, QStringLiteral("R1"));
    SetRow(&dialog, QStringLiteral("Filename"), QStringLiteral("R2"));
    dialog.OnSetDemographics();
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(),
              QStringList{QStringLiteral("Cannot change the contents of the field.")});
    EXPECT_TRUE(dialog.Changed().isEmpty());
}

TEST_F(Flows, EditDemographics) {
    Start();
    page_->State().EsignedDocuments.append(kOtherSigned);
    ExpectRefusals("ctl207", {{{kOtherSigned}, Denied("\"Edit\" an E-signed document")}});
    EXPECT_TRUE(Journal(kDownload).isEmpty());
    Answers();
    Select({kOwnA});
    WhenDialogShows({}); // no change: still uploaded, without a demographics field
    Click("ctl207");
    ASSERT_EQ(Count(kResync), 1);
    EXPECT_EQ(Fields(Uploads(kResync).first()).size(), 4);

    const qsizetype queries = Journal(kFileList).size();
    Select({kOwnA});
    WhenDialogShows({{QString(), QString()}, // no row
                     {QStringLiteral("LastName"), QStringLiteral("  Okafor-Lind ")}});
    Click("ctl207");
    EXPECT_EQ(Shown(), (QStringList{kEdited, QStringLiteral("Click on a particular row to edit "), kEdited}));
    EXPECT_EQ(Fields(Uploads(kResync).value(1)).value(4),
              QStringLiteral("demographics=LastName~Okafor-Lind"));
    const QString onServer = ServerDocument(kOwnA);
    EXPECT_TRUE(onServer.contains(QStringLiteral("{\\staticval Okafor-Lind}")));
    EXPECT_TRUE(
        onServer.contains(QStringLiteral("{\\*\\bkmkstart LastName}Okafor-Lind{\\*\\bkmkend LastName}")));
    // Never signed: no statement even for its owner; the list is queried again.
    EXPECT_FALSE(onServer.contains(QStringLiteral("Electronically ESigned")));
    EXPECT_EQ(Journal(kFileList).size(), queries + 1);

    // Its owner's e-signed report is signed again.
    Answers();
    Select({kOwnSigned});
    WhenDialogShows({{QStringLiteral("FirstName"), QStringLiteral("Maria")}});
    Click("ctl207");
    EXPECT_EQ(Shown(), (QStringList{kAttention, kEdited}));
    ASSERT_EQ(Count(kEsign), 1);
    EXPECT_EQ(ServerDocument(kOwnSigned).count(Signing::kRevisionPrefix + kSigner), 1);
}

// A record is read back from disk: an oversized one is no record.
TEST(PendingRecordFormat, OversizedTextIsNoRecord) {
    EXPECT_FALSE(PendingRecord::Parse(QByteArray("velmo-pending 1\nreport=") + QByteArray(70000, 'x')));
}

// Each way the edit fails to reach the server; the next start sends it. "changed": another desk
// changed the server's copy meanwhile, and the user is asked first. The server goes down last.
TEST_F(Flows, EditIsNeverLost) {
    for (const std::string how : {"close", "changed", "kill", "refuse", "down"}) {
        SCOPED_TRACE(how);
        const QString edit =
            QStringLiteral("Addendum kept through a restart: ") + QString::fromStdString(how);
        NewDesktop(edit);
        Answers();
        const qsizetype resyncs = Count(kResync);
        Start();
        OpenForEditing(kOther);
        ASSERT_TRUE(WaitFor([&] { return PendingStore::Load(kOther).has_value(); }));
        if (how == "kill") {
            // Nothing of the desk's own clean-up runs: the monitor and the window just vanish.
            delete DocumentMonitor::Find(page_.get());
            page_->hide();
            killed_ = std::move(page_);
        } else if (how == "refuse") {
            ASSERT_TRUE(server_.SetFault(QStringLiteral("refuse"), kResync));
        } else if (how == "down") {
            server_.Stop();
        } else {
            Close();
            EXPECT_EQ(Shown().value(0),
                      QStringLiteral("R260004 is still open in LibreOffice. Its edit is kept: it "
                                     "will be sent when LibreOffice closes it and the desk next "
                                     "starts."));
            EXPECT_TRUE(QFile::exists(Temp(kOther))); // LibreOffice still has it there
            EXPECT_TRUE(PendingStore::HasDocument(kOther));
        }
        desktop_->ReleaseLock();
        ASSERT_TRUE(desktop_->WaitForRelease(Temp(kOther)));
        if (page_) { // the desk still runs: it tells, keeps the edit and empties TempFolder at close
            ASSERT_TRUE(WaitFor([&] { return page_->State().OpenDocumentName.isEmpty(); }, 60000));
            EXPECT_EQ(Shown(),
                      QStringList{QStringLiteral("The edited report R260004 has not reached the server. It "
                                                 "is kept and will be offered again when the desk next "
                                                 "starts.")});
            EXPECT_EQ(PendingStore::Load(kOther)->state, PendingRecord::State::Owed);
            Close();
            EXPECT_TRUE(PendingStore::HasDocument(kOther));
        }
        EXPECT_EQ(Count(kResync), resyncs + (how == "refuse" ? 1 : 0));
        ASSERT_TRUE(how == "down" ? RestartServerInPlace() : server_.ClearFaults());
        if (how == "changed") {
            QFile other(Temp(kOther));
            ASSERT_TRUE(
                other.open(QIODevice::WriteOnly) &&
                other.write(
                    ReadText(PendingStore::DocumentPath(kOther)).toLatin1().replace("Addendum", "Other's")));
            other.close();
            ASSERT_TRUE(CFileDownloads().UploadFile(kOther, QString()).contains(QLatin1Char('~')));
            QFile::remove(Temp(kOther));
            Answers({Prompts::Yes, Prompts::No}); // send, but do not replace the changed copy
            Start();
            EXPECT_EQ(Shown().value(1),
                      QStringLiteral("The server's copy of R260004 has changed since it was edited "
                                     "here. Replace it with the edited copy?"));
            EXPECT_TRUE(ServerDocument(kOther).contains(QStringLiteral("Other's kept")));
            Close();
        }

        Answers({Prompts::Yes, Prompts::Yes});
        Start();
        EXPECT_EQ(Shown().value(0),
                  QStringLiteral("1 edited report has not reached the server yet: R260004. Send it now?"));
        EXPECT_EQ(Shown().last(), QStringLiteral("Document updated: R260004.")); // what was sent is confirmed
        EXPECT_TRUE(ServerDocument(kOther).contains(edit));
        EXPECT_EQ(page_->Status()->Note(), "Edits sent to the server: " + kOther);
        EXPECT_FALSE(PendingStore::Load(kOther).has_value());
        EXPECT_FALSE(PendingStore::HasDocument(kOther));
        Close();
    }
}
