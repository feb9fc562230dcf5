// What the desk trusts of its working folder: only what it fetched itself in this run, and never
// another running desk's files.
#include "tests/flows/FlowsFixture.h"

#include "host/core/DeskFolder.h"
#include "reportlist/core/PhysicianLocationCache.h"

#include <QProcess>

namespace {

using DeskFolders = FlowsFixture;

const QString kOwn = QStringLiteral("R260019");
const QString kOwnA = QStringLiteral("R260006");

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) << path.toStdString();
}

// A copy in the folder that this run did not fetch (planted, or left by an earlier run) is
// fetched afresh: what is signed and sent back is the server's report.
TEST_F(DeskFolders, ACopyTheDeskDidNotFetchIsFetchedAgainBeforeItIsSigned) {
    Start();
    WriteFile(Temp(kOwnA), "{\\rtf1\\ansi Planted text.\\par}");
    Answers();
    Select({kOwnA});
    Click("ctl204");
    ASSERT_EQ(Journal(kDownload).size(), 1);
    EXPECT_EQ(Journal(kDownload).first()[QStringLiteral("query")].toString(),
              QStringLiteral("filename=") + kOwnA);
    ASSERT_EQ(Count(kEsign), 1);
    const QString onServer = ServerDocument(kOwnA);
    EXPECT_FALSE(onServer.contains(QStringLiteral("Planted")));
    EXPECT_TRUE(onServer.contains(QStringLiteral("Electronically ESigned")));
}

// Another desk on the same profile (another user's session) starts and closes while this one has a
// report open: the report, its lock, its monitor and this desk's location cache stay, and the edit
// reaches the server.
TEST_F(DeskFolders, ClosingAnotherDeskLeavesThisDesksOpenReportAlone) {
    Start();
    OpenForEditing(kOwn);
    const QString lock =
        QFileInfo(Temp(kOwn)).path() + QStringLiteral("/.~lock.") + kOwn + QStringLiteral(".doc#");
    ASSERT_TRUE(QFile::exists(lock));
    // The other desk is the program itself, told this server is known.
    WriteFile(CUtility().ProfileFolder() + QStringLiteral("KnownServers"), server_.Address().toUtf8() + '\n');
    QTemporaryDir dir;
    QProcess other;
    other.setProcessChannelMode(QProcess::MergedChannels);
    other.start(QStringLiteral(VELMO_EXECUTABLE),
                {QStringLiteral("--param"), QStringLiteral("ServerURL=") + server_.BaseUrl(),
                 QStringLiteral("--param"), QStringLiteral("LoggedUserId=15"), QStringLiteral("--param"),
                 QStringLiteral("PhysicianList=15~Dr. Rafael Ortiz"), QStringLiteral("--param"),
                 QStringLiteral("LocationList=[15]3~North Clinic"), QStringLiteral("--screenshot"),
                 dir.filePath(QStringLiteral("other.png"))});
    ASSERT_TRUE(other.waitForFinished(90000));
    EXPECT_EQ(other.exitCode(), 0) << other.readAll().toStdString();
    EXPECT_TRUE(QFile::exists(Temp(kOwn)));
    EXPECT_TRUE(QFile::exists(lock));
    EXPECT_TRUE(QFile::exists(PhysicianLocationCache::CacheFilePath()));
    ASSERT_NE(DocumentMonitor::Find(page_.get()), nullptr);

    Answers({Prompts::No});
    desktop_->ReleaseLock();
    ASSERT_TRUE(WaitFor([&] { return page_->State().OpenDocumentName.isEmpty(); }, 60000));
    EXPECT_TRUE(ServerDocument(kOwn).contains(QStringLiteral("Edited in the word processor.")));
}

// A desk ended while its report was open and edited: the next start takes the edit from that desk's
// folder, sends it, and only then removes the folder.
TEST_F(DeskFolders, AnEndedDesksEditIsSentAtStartBeforeItsFolderGoes) {
    const QString folder = DeskFolder::Root() + QStringLiteral("desk-1-ended/");
    QDir().mkpath(folder);
    WriteFile(folder + QStringLiteral("R260004.doc"), "{\\rtf1\\ansi Edited in an ended desk.\\par}");
    PendingRecord record;
    record.report = QStringLiteral("R260004");
    record.user = QStringLiteral("12");
    record.server = server_.BaseUrl();
    record.physicianId = record.locationId = QStringLiteral("All");
    record.openedChecksum = 1; // not what the file holds now: it was changed
    record.folder = QStringLiteral("desk-1-ended");
    ASSERT_TRUE(PendingStore::Save(record));
    Answers({Prompts::Yes, Prompts::Yes}); // send it; replace the server's copy
    Start();
    EXPECT_TRUE(
        ServerDocument(QStringLiteral("R260004")).contains(QStringLiteral("Edited in an ended desk.")));
    EXPECT_FALSE(QFileInfo::exists(folder));
}

} // namespace
