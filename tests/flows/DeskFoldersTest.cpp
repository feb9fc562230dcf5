// What the desk trusts of its working folder: only what it fetched itself in this run, and never
// another running desk's files.
#include "tests/flows/FlowsFixture.h"

#include "host/core/DeskFolder.h"
#include "reportlist/core/PhysicianLocationCache.h"

#include <QProcess>

namespace {

using DeskFolders = FlowsFixture;

// Another desk on the same profile (another user's session) starts and closes while this one has a
// report open: the report, its lock, its monitor and this desk's location cache stay, and the edit
// reaches the server.
TEST_F(DeskFolders, ClosingAnotherDeskLeavesThisDesksOpenReportAlone) {
    Start();
    OpenForEditing(kOwn);
    const QString lock = QFileInfo(Temp(kOwn)).path() + u"/.~lock."_s + kOwn + u".doc#"_s;
    ASSERT_TRUE(QFile::exists(lock));
    // The other desk is the program itself, told this server is known.
    WriteFile(CUtility::ProfileFolder() + u"KnownServers"_s, server_.Address().toUtf8() + '\n');
    QTemporaryDir dir;
    QProcess other;
    other.setProcessChannelMode(QProcess::MergedChannels);
    other.start(QStringLiteral(VELMO_EXECUTABLE),
                {u"--param"_s, u"ServerURL="_s + server_.BaseUrl(), u"--param"_s, u"LoggedUserId=15"_s,
                 u"--param"_s, u"PhysicianList=15~Dr. Rafael Ortiz"_s, u"--param"_s,
                 u"LocationList=[15]3~North Clinic"_s, u"--screenshot"_s, dir.filePath(u"other.png"_s)});
    ASSERT_TRUE(other.waitForFinished(90000));
    EXPECT_EQ(other.exitCode(), 0) << other.readAll().toStdString();
    EXPECT_TRUE(QFile::exists(Temp(kOwn)));
    EXPECT_TRUE(QFile::exists(lock));
    EXPECT_TRUE(QFile::exists(PhysicianLocationCache::CacheFilePath()));
    ASSERT_NE(DocumentMonitor::Find(page_.get()), nullptr);

    Answers({Prompts::No});
    desktop_->ReleaseLock();
    ASSERT_TRUE(NothingOpen());
    EXPECT_TRUE(ServerDocument(kOwn).contains(u"Edited in the word processor."_s));
}

// A desk ended while its report was open and edited: the next start takes the edit from that desk's
// folder, sends it, and only then removes the folder.
TEST_F(DeskFolders, AnEndedDesksEditIsSentAtStartBeforeItsFolderGoes) {
    const QString folder = DeskFolder::Root() + u"desk-1-ended/"_s;
    QDir().mkpath(folder);
    WriteFile(folder + u"R260004.doc"_s, "{\\rtf1\\ansi Edited in an ended desk.\\par}");
    PendingRecord record;
    record.report = u"R260004"_s;
    record.user = u"12"_s;
    record.server = server_.BaseUrl();
    record.physicianId = record.locationId = u"All"_s;
    record.openedChecksum = 1; // not what the file holds now: it was changed
    record.folder = u"desk-1-ended"_s;
    ASSERT_TRUE(PendingStore::Save(record));
    Answers({Prompts::Yes, Prompts::Yes}); // send it; replace the server's copy
    Start();
    EXPECT_TRUE(ServerDocument(kOther).contains(u"Edited in an ended desk."_s));
    EXPECT_FALSE(QFileInfo::exists(folder));
}

} // namespace
