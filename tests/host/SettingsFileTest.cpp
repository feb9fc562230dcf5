// The settings file velmo.conf (the administrator's and the user's), the log retention it sets and the
// fixed waits it may turn on: the pacing comes back whole with one call, and ZeroAll reaches every wait
// and no mode.
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "host/core/DeskSettings.h"
#include "host/core/LogRetention.h"
#include "tests/support/Files.h"
#include "tests/support/TodaysLog.h"

#include <QFile>

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

TEST(SettingsFile, TheUsersFileWinsExceptForTheAllowedServers) {
    const char* admin =
        "CaFile=/etc/clinic-ca.pem\nLogRetentionDays=90\nFixedWaits=true\nAllowedServers=a.example\n";
    const char* own =
        "[General]\nCaFile=/home/u/ca.pem\nLogRetentionDays=0\nFixedWaits=false\nAllowedServers=b.example\n";
    const struct {
        const char *admin, *own; // the files' text; nullptr: no file
        QString caFile;
        int days;
        bool fixedWaits;
        QStringList allowed;
    } cases[] = {
        {nullptr, nullptr, {}, 30, false, {}},
        {admin, nullptr, "/etc/clinic-ca.pem", 90, true, {"a.example"}},
        {admin, own, "/home/u/ca.pem", 0, false, {"a.example"}},
        {nullptr, "LogRetentionDays=soon\nAllowedServers=B.org c.org\n", {}, 30, false, {"b.org", "c.org"}},
        {nullptr, "LogRetentionDays=-4\n", {}, 30, false, {}},
    };
    const QString adminFile = DeskSettings::SystemFiles().first();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.own ? c.own : "no user file");
        QFile::remove(adminFile);
        QFile::remove(DeskSettings::UserFile());
        if (c.admin != nullptr) {
            WriteFile(adminFile, c.admin);
        }
        if (c.own != nullptr) {
            WriteFile(DeskSettings::UserFile(), c.own);
        }
        const DeskSettings settings;
        EXPECT_EQ(settings.CaFile(), c.caFile);
        EXPECT_EQ(settings.LogRetentionDays(), c.days);
        EXPECT_EQ(settings.FixedWaits(), c.fixedWaits);
        EXPECT_EQ(settings.AllowedServers(), c.allowed);
    }
    QFile::remove(adminFile);
    QFile::remove(DeskSettings::UserFile());
}

TEST(LogRetention, LogsOlderThanTheDaysKeptGoByTheDateInTheirNameAndEachIsLogged) {
    const QDate today(2026, 3, 31);
    const QString folder = CUtility::ProfileFolder() + "Log/";
    const auto log = [&](int daysAgo) { return folder + ActivityLog::FileNameFor(today.addDays(-daysAgo)); };
    const struct {
        int days;
        QStringList gone; // days ago of the logs deleted
    } cases[] = {{30, {"31", "400"}}, {1, {"2", "30", "31", "400"}}, {0, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.days);
        ClearLog();
        for (const int ago : {0, 2, 30, 31, 400}) {
            WriteFile(log(ago), "a line\r\n");
        }
        // Not logs of a day: another file, and a name whose date does not exist.
        WriteFile(folder + "notes.txt", "x");
        WriteFile(folder + " Molve 31-Feb-2026", "x");
        EXPECT_EQ(LogRetention::RemoveOlderThan(c.days, today), c.gone.size());
        QStringList gone;
        for (const int ago : {0, 2, 30, 31, 400}) {
            if (!QFile::exists(log(ago))) {
                gone.append(QString::number(ago));
                EXPECT_TRUE(TodaysLogText().contains("RemoveOldLogs: File, " + log(ago) + ", deleted"));
            }
        }
        EXPECT_EQ(gone, c.gone);
        EXPECT_TRUE(QFile::exists(folder + "notes.txt") && QFile::exists(folder + " Molve 31-Feb-2026"));
    }
}

constexpr std::size_t kFields = sizeof(Delays) / sizeof(int);
static_assert(sizeof(Delays) % sizeof(int) == 0, "every wait is an int");

std::array<int, kFields> Values(const Delays& d) {
    std::array<int, kFields> out{};
    std::memcpy(out.data(), &d, sizeof(Delays));
    return out;
}

TEST(FixedWaits, TheOptionRestoresEveryWaitAsItWasAndZeroAllClearsThemAll) {
    // Every field in its order, with the value a paced server has always seen (a new wait belongs
    // here too): beforeZippedDownload, beforeDocumentDownload, beforeListFileDelete, noResultCheck,
    // folderCleanup, monitorPoll, monitorNotifiedPoll, afterPrint, afterSignSave, afterPropertyWrite,
    // actionStep, beforeOpenStatus, afterMonitorEsign, afterDemographicsDownload, voiceStep,
    // convertingNotice, versionStep.
    const std::array<int, kFields> fixed{4000, 1000, 100, 500,  300,  1000, 1000, 1000, 200,
                                         500,  100,  500, 2000, 1000, 1000, 1000, 1000};

    Delays::UseFixedWaits(true);
    EXPECT_EQ(Values(Delays::Get()), fixed);
    EXPECT_EQ(Delays::MonitorMode(), Delays::Monitoring::PollingAlone); // the monitor's old 1 s poll
    Delays::ZeroAll();
    EXPECT_EQ(Values(Delays::Get()), (std::array<int, kFields>{}));
    EXPECT_EQ(Delays::MonitorMode(), Delays::Monitoring::PollingAlone); // a mode, not a wait

    Delays::UseFixedWaits(false);
    EXPECT_EQ(Values(Delays::Get()), Values(Delays::Lean()));
    Delays::ZeroAll(); // as the tests run: zero waits, the monitor notified
    EXPECT_EQ(Delays::MonitorMode(), Delays::Monitoring::Notified);
}

} // namespace
