// An edit is never lost and a signed record never altered, with the fake soffice: what the desk
// owes the server, whose slot the monitor frees, and what the physician is told.
#include "tests/flows/FlowsFixture.h"

#include "documents/core/OfficeProgram.h"
#include "documents/core/SigningCore.h"
#include "documents/core/WordHoldsFile.h"

namespace {

using NeverLost = FlowsFixture;

const QString kOwn = QStringLiteral("R260019");       // provider 12, not signed
const QString kOwnSigned = QStringLiteral("R260001"); // provider 12, e-signed by user 12
const QString kOther = QStringLiteral("R260004");     // provider 18: user 12 may edit, not sign
const QString kAttention = QStringLiteral("ATTENTION:  You are opening an esigned document. An addendum "
                                          "statement will be added if it is edited and saved.");
const QString kSigned = QStringLiteral("Document E-Signed successfully.");

QString OpenText(const QString& name) {
    return QStringLiteral("Currently opened document, ") + LocalDocumentPath(name) +
           QStringLiteral(", needs to be closed before opening another one.");
}

} // namespace

// The desk (and LibreOffice) went away with an edited signed report: the next start sends it
// re-signed with the revision statement through the e-sign upload, never under the old statement.
TEST_F(NeverLost, RecoveredEditOfASignedReportGoesUpResigned) {
    NewDesktop(QStringLiteral("Recovered signed edit."));
    Start();
    OpenForEditing(kOwnSigned);
    Close();
    desktop_->ReleaseLock();
    ASSERT_TRUE(desktop_->WaitForRelease(Handed(kOwnSigned))); // LibreOffice has gone before the start
    Answers({Prompts::Yes});
    Start();
    EXPECT_EQ(Shown(),
              (QStringList{QStringLiteral("1 edited report has not reached the server yet: R260001. "
                                          "Send it now?"),
                           // the fake types after the statement: kept above the revision, and said
                           QStringLiteral("Text typed after the signature statement of R260001 was kept "
                                          "and now stands above the revision statement: Recovered "
                                          "signed edit."),
                           QStringLiteral("Document updated: R260001.")}));
    EXPECT_EQ(Count(kResync), 0);
    EXPECT_EQ(Count(kEsign), 1);
    const QString doc = ServerDocument(kOwnSigned);
    EXPECT_TRUE(doc.contains(QStringLiteral("Recovered signed edit.")));
    EXPECT_EQ(doc.count(QStringLiteral("ESigned by")), 1);
    EXPECT_TRUE(doc.contains(Signing::kRevisionPrefix));
}

// An owed edit is what E-Sign signs, and only a confirmation that carried it removes its record.
TEST_F(NeverLost, AnOwedEditIsSignedNotReplacedByTheServersCopy) {
    NewDesktop(QStringLiteral("Owed correction."));
    Start();
    ASSERT_TRUE(server_.SetFault(QStringLiteral("refuse"), kResync));
    Answers({Prompts::No});
    OpenForEditing(kOwn);
    desktop_->ReleaseLock();
    ASSERT_TRUE(WaitFor([&] { return page_->State().OpenDocumentName.isEmpty(); }));
    ASSERT_EQ(PendingStore::Load(kOwn)->state, PendingRecord::State::Owed);
    Answers();
    Select({kOwn});
    Click("ctl204");
    EXPECT_EQ(Shown(),
              (QStringList{kOwn + QStringLiteral(" has an edit that has not reached the server yet; the "
                                                 "edited copy is used."),
                           kSigned}));
    const QString doc = ServerDocument(kOwn);
    EXPECT_TRUE(doc.contains(QStringLiteral("Owed correction.")));
    EXPECT_TRUE(doc.contains(Signing::kFirstPrefix));
    EXPECT_FALSE(PendingStore::Load(kOwn).has_value());
}

// The e-sign after "Yes" is followed by a pause: the slot stays the monitor's until it is done,
// and the monitor never frees a slot another report holds.
TEST_F(NeverLost, TheMonitorKeepsAndClearsOnlyItsOwnSlot) {
    Delays::Get().afterMonitorEsign = 3000;
    Start();
    Answers({Prompts::Yes});
    OpenForEditing(kOwn);
    desktop_->ReleaseLock();
    ASSERT_TRUE(WaitFor([&] { return Count(kEsign) == 1; }));
    Answers();
    Select({kOther});
    Click("ctl210");
    EXPECT_EQ(Shown(), QStringList{OpenText(kOwn)});
    ASSERT_TRUE(WaitFor([&] { return DocumentMonitor::Find(page_.get()) == nullptr; }));
    EXPECT_TRUE(page_->State().OpenDocumentName.isEmpty());
    // Closing the window in that pause leaves nothing in the pending folder.
    Answers({Prompts::Yes});
    OpenForEditing(kOwnSigned);
    desktop_->ReleaseLock();
    ASSERT_TRUE(WaitFor([&] { return Count(kEsign) == 2; }));
    Close();
    EXPECT_TRUE(QDir(PendingStore::Folder()).entryList(QDir::Files).isEmpty());
}

// The report is in the pending folder from the moment it is handed over, and each save follows
// it there: a desk killed and a TempFolder emptied by another session lose nothing.
TEST_F(NeverLost, EverySaveIsKeptOutsideTempFolder) {
    NewDesktop(QStringLiteral("Saved before the desk died."));
    Start();
    OpenForEditing(kOther);
    ASSERT_TRUE(WaitFor([&] {
        return ReadText(PendingStore::DocumentPath(kOther))
            .contains(QStringLiteral("Saved before the desk died."));
    }));
    delete DocumentMonitor::Find(page_.get());
    page_->hide();
    killed_ = std::move(page_);
    desktop_->ReleaseLock();
    ASSERT_TRUE(desktop_->WaitForRelease(Temp(kOther)));
    QDir(QFileInfo(Temp(kOther)).absolutePath()).removeRecursively();
    Answers({Prompts::Yes});
    Start();
    EXPECT_TRUE(ServerDocument(kOther).contains(QStringLiteral("Saved before the desk died.")));
}

// Without LibreOffice the physician hears it once, and the report is left as the server gave it:
// no locked copy is signed later.
TEST_F(NeverLost, AFailedOpenSaysSoOnceAndLeavesNoLockedCopy) {
    Start();
    desktop_->RemoveOffice();
    Select({kOwnSigned});
    Click("ctl210");
    EXPECT_EQ(Shown(), QStringList{OfficeProgram::MissingText()});
    EXPECT_TRUE(page_->State().OpenDocumentName.isEmpty());
    NewDesktop();
    Answers();
    Select({kOwnSigned});
    Click("ctl204");
    EXPECT_EQ(Shown(), QStringList{kSigned});
    EXPECT_FALSE(ServerDocument(kOwnSigned).contains(QStringLiteral("\\formprot")));
}

// A report another program holds is not signed under it, and the user is told.
TEST_F(NeverLost, EsignOfAHeldReportTellsTheUser) {
    Start();
    QDir().mkpath(QFileInfo(Temp(kOwn)).absolutePath());
    QFile lock(OfficeLockFilePath(Temp(kOwn)));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(",someone,another-host,06.12.2026 10:00,file:///elsewhere;");
    lock.close();
    Select({kOwn});
    Click("ctl204");
    EXPECT_EQ(Shown(),
              QStringList{Temp(kOwn) + QStringLiteral(" is open. Please close the document and try again.")});
    EXPECT_EQ(Count(kEsign), 0);
}

// The report came back unchanged, but LibreOffice saved a file of its name elsewhere: the
// physician learns where the edit went instead of losing it without a word.
TEST_F(NeverLost, AnEditSavedUnderAnotherNameIsPointedOut) {
    NewDesktop(QStringLiteral("-"));
    Start();
    OpenForEditing(kOther);
    const QString elsewhere = Temp(kOther).chopped(4) + QStringLiteral(".txt");
    QFile saved(elsewhere);
    ASSERT_TRUE(saved.open(QIODevice::WriteOnly) && saved.write("The edit, saved as text.") > 0);
    saved.close();
    desktop_->ReleaseLock();
    ASSERT_TRUE(WaitFor([&] { return page_->State().OpenDocumentName.isEmpty(); }));
    EXPECT_EQ(Shown(),
              QStringList{kOther + QStringLiteral(" came back unchanged, but LibreOffice saved ") +
                          elsewhere +
                          QStringLiteral(". That file is not sent to the server: open the report again, "
                                         "make the edit and save it in its own format.")});
    EXPECT_EQ(Count(kResync), 0);
    QFile::remove(elsewhere); // LibreOffice's file, in its umask's mode: not one the desk keeps
}
