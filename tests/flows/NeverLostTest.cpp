// An edit is never lost and a signed record never altered, with the fake soffice: what the desk
// owes the server, whose slot the monitor frees, and what the physician is told.
#include "tests/flows/FlowsFixture.h"

#include "documents/core/OfficeProgram.h"
#include "documents/core/SigningCore.h"
#include "documents/core/WordHoldsFile.h"

namespace {

using NeverLost = FlowsFixture;

// The desk (and LibreOffice) went away with an edited signed report: the next start sends it
// re-signed with the revision statement through the e-sign upload, never under the old statement.
TEST_F(NeverLost, RecoveredEditOfASignedReportGoesUpResigned) {
    NewDesktop(u"Recovered signed edit."_s);
    Start();
    OpenForEditing(kOwnSigned);
    Close();
    desktop_->ReleaseLock();
    ASSERT_TRUE(desktop_->WaitForRelease(Handed(kOwnSigned))); // LibreOffice has gone before the start
    Answers({Prompts::Yes});
    Start();
    // The fake types after the statement: kept above the revision, and said.
    EXPECT_EQ(Shown(), (QStringList{kOfferedAtStart.arg(kOwnSigned),
                                    kKeptAbove.arg(kOwnSigned, u"Recovered signed edit."_s)}));
    EXPECT_EQ(Count(kResync), 0);
    EXPECT_EQ(Count(kEsign), 1);
    const QString doc = ServerDocument(kOwnSigned);
    EXPECT_TRUE(doc.contains(u"Recovered signed edit."_s));
    EXPECT_EQ(doc.count(u"ESigned by"_s), 1);
    EXPECT_TRUE(doc.contains(Signing::kRevisionPrefix));
}

// An owed edit is what E-Sign signs, and only a confirmation that carried it removes its record.
TEST_F(NeverLost, AnOwedEditIsSignedNotReplacedByTheServersCopy) {
    NewDesktop(u"Owed correction."_s);
    Start();
    ASSERT_TRUE(server_.SetFault(u"refuse"_s, kResync));
    Answers({Prompts::No});
    OpenForEditing(kOwn);
    desktop_->ReleaseLock();
    ASSERT_TRUE(NothingOpen());
    ASSERT_EQ(PendingStore::Load(kOwn)->state, PendingRecord::State::Owed);
    Answers();
    Select({kOwn});
    Click("esignButton");
    EXPECT_EQ(Shown(),
              (QStringList{kOwn + u" has an edit that has not reached the server yet; the edited copy "
                                  u"is used."_s,
                           kSigned}));
    const QString doc = ServerDocument(kOwn);
    EXPECT_TRUE(doc.contains(u"Owed correction."_s));
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
    ExpectMessages("openButton", {{{kOther}, kAnotherOpen.arg(Temp(kOwn))}});
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

// Without LibreOffice the physician hears it once, and the report is left as the server gave it:
// no locked copy is signed later. A report another program holds is not signed under it, and the
// user is told.
TEST_F(NeverLost, AFailedOpenLeavesNoLockedCopyAndAHeldReportIsNotSigned) {
    Start();
    desktop_->RemoveOffice();
    ExpectMessages("openButton", {{{kOwnSigned}, OfficeProgram::MissingText()}});
    EXPECT_TRUE(page_->State().OpenDocumentName.isEmpty());
    NewDesktop();
    ExpectMessages("esignButton", {{{kOwnSigned}, kSigned}});
    EXPECT_FALSE(ServerDocument(kOwnSigned).contains(u"\\formprot"_s));

    WriteFile(OfficeLockFilePath(Temp(kOwn)), ",someone,another-host,06.12.2026 10:00,file:///elsewhere;");
    ExpectMessages("esignButton",
                   {{{kOwn}, Temp(kOwn) + u" is open. Please close the document and try again."_s}});
    EXPECT_EQ(Count(kEsign), 1);
}

// The report came back unchanged, but LibreOffice saved a file of its name elsewhere: the
// physician learns where the edit went instead of losing it without a word.
TEST_F(NeverLost, AnEditSavedUnderAnotherNameIsPointedOut) {
    NewDesktop(u"-"_s);
    Start();
    OpenForEditing(kOther);
    const QString elsewhere = Temp(kOther).chopped(4) + u".txt"_s;
    WriteFile(elsewhere, "The edit, saved as text.");
    desktop_->ReleaseLock();
    ASSERT_TRUE(NothingOpen());
    EXPECT_EQ(Shown(), QStringList{kOther + u" came back unchanged, but LibreOffice saved "_s + elsewhere +
                                   u". That file is not sent to the server: open the report again, make the "
                                   u"edit and save it in its own format."_s});
    EXPECT_EQ(Count(kResync), 0);
    QFile::remove(elsewhere); // LibreOffice's file, in its umask's mode: not one the desk keeps
}

} // namespace
