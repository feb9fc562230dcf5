// The document flows end to end: open and the monitor (the fake soffice edits, holds and releases
// the document), print, e-sign, edit demographics, and an edited report that is never lost.
#include "tests/flows/FlowsFixture.h"

#include "desk/StatusLine.h"
#include "documents/core/OfficeProgram.h"
#include "documents/core/SigningCore.h"

namespace {

using Flows = FlowsFixture;

const QString kOffer = u"Do you want to E-Sign this document - %1?"_s;
const QString kEdited = u"Demographics edited successfully"_s;
const QString kSigner = u"Amelia Hart, MD on "_s; // the session's signature text

// What the monitor does with a released document, by whose report, whether it changed and the
// answer to the e-sign offer.
struct Release {
    const char* name;
    QString report, edit;
    int answer;
    QStringList messages;
    QString statement = {}; // e-signed: the server's copy then holds exactly this statement
};

void PrintTo(const Release& c, std::ostream* os) {
    *os << c.name;
}

class OpenEditAndRelease : public FlowsFixture, public ::testing::WithParamInterface<Release> {};

TEST_P(OpenEditAndRelease, TheMonitorSendsWhatChanged) {
    const Release& c = GetParam();
    NewDesktop(c.edit);
    Start();
    Answers({c.answer});
    OpenForEditing(c.report);
    // In the desk's own editing profile; an e-signed report as its protected copy.
    EXPECT_EQ(desktop_->SofficeCalls().last(), OfficeProgram::EditingArguments() << Handed(c.report));
    EXPECT_EQ(Handed(c.report).endsWith(u".fodt"_s), c.statement == Signing::kRevisionPrefix);
    EXPECT_EQ(Status(c.report, DeskContext::StatusColumn::Opened), u"O"_s);
    if (c.answer == Prompts::No) {
        // While it is open the window works: a query and a sort; the document commands refuse.
        Click("goButton");
        page_->List()->sortByColumn(7, Qt::DescendingOrder);
        for (const char* command : {"openButton", "printButton", "esignButton", "demographicsButton"}) {
            ExpectMessages(command, {{{kOwnB}, kAnotherOpen.arg(Temp(c.report))}});
        }
        page_->DeleteAllRows(); // gone from the list: the monitor goes by what it knew at opening
        Answers({c.answer});
    }
    desktop_->ReleaseLock();
    ASSERT_TRUE(WaitFor([&] { return DocumentMonitor::Find(page_.get()) == nullptr; }));
    EXPECT_EQ(Shown(), c.messages);
    EXPECT_EQ(Count(kEsign), c.statement.isEmpty() ? 0 : 1);
    EXPECT_EQ(Count(kResync), c.answer == Prompts::No ? 1 : 0);
    const QString doc = ServerDocument(c.report);
    EXPECT_EQ(doc.count(u"Electronically ESigned by"_s), c.statement.isEmpty() ? 0 : 1);
    EXPECT_TRUE(doc.contains(c.statement + kSigner) || c.statement.isEmpty());
    if (c.answer == Prompts::No) {
        EXPECT_TRUE(doc.contains(c.edit));
        EXPECT_EQ(JournalFields(Uploads(kResync).value(0)).size(), 4); // no demographics
        EXPECT_TRUE(StatusSent(c.report, u"edit"_s));
    }
    EXPECT_TRUE(PendingStore::All().isEmpty()); // nothing owed
}

const QString kDosage = u"Corrected dosage."_s;
const QString kEdit = u"Edited in the word processor."_s;
const QStringList kResigned{kAttention, kUpdated, kKeptAbove.arg(kOwnSigned, kDosage)};
const Release kReleases[] = {
    {"OwnReportKeptUnsigned", kOwn, kEdit, Prompts::No, {kOffer.arg(kOwn), kUpdated}},
    {"UnchangedSendsNothing", kOwn, "-", Prompts::Yes, {}},
    {"OthersReportIsNotOffered", kOther, "Edited by a colleague.", Prompts::No, {kUpdated}},
    {"OwnReportSigned", kOwn, kDosage, Prompts::Yes, {kOffer.arg(kOwn), kSigned}, Signing::kFirstPrefix},
    {"SignedReportResigned", kOwnSigned, kDosage, Prompts::Yes, kResigned, Signing::kRevisionPrefix},
};
INSTANTIATE_TEST_SUITE_P(Flows, OpenEditAndRelease, ::testing::ValuesIn(kReleases),
                         ::testing::PrintToStringParamName());

TEST_F(Flows, OpenChecksAndProtectedCopies) {
    Start();
    page_->State().ReportTypeCode = u"p"_s;
    ExpectMessages("openButton", {{{kOwn}, u"Click on Play to play voice files."_s}});
    page_->State().ReportTypeCode = u"t"_s;
    ExpectMessages("openButton", {{{}, u"Select a document to view."_s},
                                  {{kOwn, kOther}, u"Select only one file to open."_s},
                                  {{u"R260002"_s}, Denied("\"Open\" documents")}});
    EXPECT_TRUE(Journal(kDownload).isEmpty());
    EXPECT_TRUE(desktop_->SofficeCalls().isEmpty());

    // Signed by another: a protected RTF copy, shown, never watched; another may open at once,
    // and a report already here is not fetched again.
    Answers();
    qsizetype opened = 0;
    for (const QString& name : {kOtherSigned, kReadOnly, kOtherSigned}) {
        Select({name});
        Click("openButton");
        EXPECT_TRUE(page_->State().ViewOnly);
        ++opened;
        ASSERT_TRUE(WaitFor([&] {
            const auto calls = desktop_->SofficeCalls();
            return calls.size() == opened &&
                   calls.last() == OfficeProgram::EditingArguments() + QStringList{u"--view"_s, Temp(name)};
        }));
        EXPECT_TRUE(ReadText(Temp(name)).startsWith(u"{\\rtf"_s));
        EXPECT_TRUE(ReadText(Temp(name)).contains(u"\\formprot"_s));
    }
    EXPECT_EQ(Journal(kDownload).size(), 2);
    EXPECT_EQ(DocumentMonitor::Find(page_.get()), nullptr);
    EXPECT_TRUE(Shown().isEmpty());
}

TEST_F(Flows, PrintThreeRowsAndRefusals) {
    Start();
    Select({kOwnA, kOwnB, kOther});
    Click("printButton");
    EXPECT_EQ(desktop_->SofficeCalls().size(), 3); // one word-processor run per document
    EXPECT_EQ(Journal(u"qm_statusupdate.php"_s).size(), 3);
    for (const QString& name : {kOwnA, kOwnB, kOther}) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(desktop_->Printed().contains(Temp(name)));
        EXPECT_TRUE(page_->Status()->Note().startsWith("Sent to the printer PDF: ") &&
                    page_->Status()->Note().contains(name));
        EXPECT_TRUE(StatusSent(name, u"print&value=1"_s));
        EXPECT_EQ(Status(name, DeskContext::StatusColumn::Printed), u"O"_s);
    }
    EXPECT_TRUE(Shown().isEmpty());

    // Refusals stop before anything is fetched or printed.
    const qsizetype downloads = Journal(kDownload).size();
    ExpectMessages("printButton", {{{}, u"Select a document to print."_s},
                                   {{kOwnA, u"R260003"_s}, Denied("\"Print\" documents")}});
    EXPECT_EQ(desktop_->Printed().size(), 3);
    EXPECT_EQ(Journal(kDownload).size(), downloads);
}

TEST_F(Flows, EsignOwnReportFetchedAfresh) {
    Start();
    ExpectMessages("esignButton", {{{kOther}, Denied("\"Esign\" documents")},
                                   {{kOwnA, kOwnB}, u"Select only one file to esign."_s},
                                   {{}, u"Select a document to e-Sign."_s}});
    EXPECT_TRUE(Journal(kDownload).isEmpty());
    // A copy this run did not fetch (planted, or left by an earlier run) is fetched afresh: what is
    // signed and sent back is the server's report.
    WriteFile(Temp(kOwnA), "{\\rtf1\\ansi Planted text.\\par}");
    ExpectMessages("esignButton", {{{kOwnA}, kSigned}});
    EXPECT_EQ(Queries(kDownload), QStringList{u"filename="_s + kOwnA});
    ASSERT_EQ(Count(kEsign), 1);
    EXPECT_EQ(JournalFields(Uploads(kEsign).first()).join(' '),
              u"loginid=30 password= locationid=All phyid=All esign=1 edit=1"_s); // "12" scrambled
    const QString onServer = ServerDocument(kOwnA);
    EXPECT_EQ(onServer.count(Signing::kFirstPrefix + kSigner), 1);
    EXPECT_FALSE(onServer.contains(u"Planted"_s));
    EXPECT_EQ(Status(kOwnA, DeskContext::StatusColumn::Esigned), u"O"_s);
    EXPECT_TRUE(page_->State().EsignedDocuments.contains(kOwnA));
}

TEST(DemographicsDialog, FixedFieldRefusesAChange) {
    PromptsDouble::Current().Clear();
    CDlgEditDemographics dialog({u"Filename"_s}, {u"R1"_s}, u"R1"_s);
    SetRow(&dialog, u"Filename"_s, u"R2"_s);
    dialog.OnSetDemographics();
    EXPECT_EQ(Shown(), QStringList{u"Cannot change the contents of the field."_s});
    EXPECT_TRUE(dialog.Changed().isEmpty());
}

TEST_F(Flows, EditDemographics) {
    Start();
    page_->State().EsignedDocuments.append(kOtherSigned);
    ExpectMessages("demographicsButton", {{{kOtherSigned}, Denied("\"Edit\" an E-signed document")}});
    EXPECT_TRUE(Journal(kDownload).isEmpty());
    Answers();
    Select({kOwnA});
    WhenDemographicsShow(); // no change: still uploaded, without a demographics field
    Click("demographicsButton");
    ASSERT_EQ(Count(kResync), 1);
    EXPECT_EQ(JournalFields(Uploads(kResync).first()).size(), 4);

    const qsizetype queries = Journal(u"qm_download_filelist.php"_s).size();
    Select({kOwnA});
    WhenDemographicsShow({{QString(), QString()}, // no row
                          {u"LastName"_s, u"  Okafor-Lind "_s}});
    Click("demographicsButton");
    EXPECT_EQ(Shown(), (QStringList{kEdited, u"Click on a particular row to edit "_s, kEdited}));
    EXPECT_EQ(JournalFields(Uploads(kResync).value(1)).value(4), u"demographics=LastName~Okafor-Lind"_s);
    const QString onServer = ServerDocument(kOwnA);
    EXPECT_TRUE(onServer.contains(u"{\\staticval Okafor-Lind}"_s));
    EXPECT_TRUE(onServer.contains(u"{\\*\\bkmkstart LastName}Okafor-Lind{\\*\\bkmkend LastName}"_s));
    // Never signed: no statement even for its owner; the list is queried again.
    EXPECT_FALSE(onServer.contains(u"Electronically ESigned"_s));
    EXPECT_EQ(Journal(u"qm_download_filelist.php"_s).size(), queries + 1);

    // Its owner's e-signed report is signed again.
    Answers();
    Select({kOwnSigned});
    WhenDemographicsShow({{u"FirstName"_s, u"Maria"_s}});
    Click("demographicsButton");
    EXPECT_EQ(Shown(), (QStringList{kAttention, kEdited}));
    ASSERT_EQ(Count(kEsign), 1);
    EXPECT_EQ(ServerDocument(kOwnSigned).count(Signing::kRevisionPrefix + kSigner), 1);
}

TEST(PendingRecordFormat, OversizedTextIsNoRecord) {
    EXPECT_FALSE(PendingRecord::Parse(QByteArray("velmo-pending 1\nreport=") + QByteArray(70000, 'x')));
}

// Each way the edit fails to reach the server; the next start sends it. "changed": another desk
// changed the server's copy meanwhile, and the user is asked first. "kill": the desk dies, and
// another session empties TempFolder; the saves kept in the pending folder are what is sent.
class EditIsNeverLost : public FlowsFixture, public ::testing::WithParamInterface<std::string> {};

TEST_P(EditIsNeverLost, TheNextStartSendsIt) {
    const std::string how = GetParam();
    const QString edit = "Addendum kept through a restart: " + QString::fromStdString(how);
    NewDesktop(edit);
    Start();
    OpenForEditing(kOther);
    ASSERT_TRUE(WaitFor([&] { return PendingStore::Load(kOther).has_value(); }));
    if (how == "kill") {
        ASSERT_TRUE(WaitFor([&] { return ReadText(PendingStore::DocumentPath(kOther)).contains(edit); }));
        KillDesk();
    } else if (how == "refuse") {
        ASSERT_TRUE(server_.SetFault(u"refuse"_s, kResync));
    } else if (how == "down") {
        server_.Stop();
    } else {
        Close();
        EXPECT_EQ(Shown().value(0), kStillOpen.arg(kOther));
        EXPECT_TRUE(QFile::exists(Temp(kOther))); // LibreOffice still has it there
        EXPECT_TRUE(PendingStore::HasDocument(kOther));
    }
    desktop_->ReleaseLock();
    ASSERT_TRUE(desktop_->WaitForRelease(Temp(kOther)));
    if (how == "kill") {
        QDir(QFileInfo(Temp(kOther)).absolutePath()).removeRecursively();
    }
    if (page_) { // the desk still runs: it tells, keeps the edit and empties TempFolder at close
        ASSERT_TRUE(NothingOpen());
        EXPECT_EQ(Shown(),
                  QStringList{u"The edited report R260004 has not reached the server. It is kept and "
                              u"will be offered again when the desk next starts."_s});
        EXPECT_EQ(PendingStore::Load(kOther)->state, PendingRecord::State::Owed);
        Close();
        EXPECT_TRUE(PendingStore::HasDocument(kOther));
    }
    EXPECT_EQ(Count(kResync), how == "refuse" ? 1 : 0);
    ASSERT_TRUE(how == "down" ? server_.Restart() : server_.ClearFaults());
    if (how == "changed") {
        WriteFile(Temp(kOther),
                  ReadText(PendingStore::DocumentPath(kOther)).toLatin1().replace("Addendum", "Other's"));
        ASSERT_TRUE(CFileDownloads().UploadFile(kOther, QString()).contains('~'));
        QFile::remove(Temp(kOther));
        Answers({Prompts::Yes, Prompts::No}); // send, but do not replace the changed copy
        Start();
        EXPECT_EQ(Shown().value(1), u"The server's copy of R260004 has changed since it was edited here. "
                                    u"Replace it with the edited copy?"_s);
        EXPECT_TRUE(ServerDocument(kOther).contains(u"Other's kept"_s));
        Close();
    }

    Answers({Prompts::Yes, Prompts::Yes});
    Start();
    EXPECT_EQ(Shown().value(0), kOfferedAtStart.arg(kOther));
    EXPECT_TRUE(Shown().last().endsWith(u'?')); // only questions: the status line confirms it, once
    EXPECT_TRUE(ServerDocument(kOther).contains(edit));
    EXPECT_EQ(page_->Status()->Note(), "Edits sent to the server: " + kOther);
    EXPECT_FALSE(PendingStore::Load(kOther).has_value());
    EXPECT_FALSE(PendingStore::HasDocument(kOther));
}

INSTANTIATE_TEST_SUITE_P(Flows, EditIsNeverLost,
                         ::testing::Values("close", "changed", "kill", "refuse", "down"),
                         [](const auto& info) { return info.param; });

} // namespace
