// The settings file velmo.conf (the administrator's and the user's) and the log retention it sets.
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/DeskSettings.h"
#include "host/core/LogRetention.h"
#include "tests/host/HostTestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

TEST(SettingsFile, TheUsersFileWinsExceptForTheAllowedServers) {
    const struct {
        const char *admin, *own; // the files' text; nullptr: no file
        QString caFile;
        int days;
        bool fixedWaits;
        QStringList allowed;
    } cases[] = {
        {nullptr, nullptr, {}, 30, false, {}},
        {"CaFile=/etc/clinic-ca.pem\nLogRetentionDays=90\nFixedWaits=true\nAllowedServers=a.example\n",
         nullptr,
         "/etc/clinic-ca.pem",
         90,
         true,
         {"a.example"}},
        {"CaFile=/etc/clinic-ca.pem\nLogRetentionDays=90\nAllowedServers=a.example\n",
         "[General]\nCaFile=/home/u/ca.pem\nLogRetentionDays=0\nFixedWaits=false\nAllowedServers=b.example\n",
         "/home/u/ca.pem",
         0,
         false,
         {"a.example"}},
        {nullptr,
         "LogRetentionDays=soon\nAllowedServers=B.example c.example\n",
         {},
         30,
         false,
         {"b.example", "c.example"}},
        {nullptr, "LogRetentionDays=-4\n", {}, 30, false, {}},
    };
    const QString admin = DeskSettings::SystemFiles().first();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.own ? c.own : "no user file");
        QFile::remove(admin);
        QFile::remove(DeskSettings::UserFile());
        if (c.admin != nullptr) {
            hosttest::WriteFile(admin, c.admin);
        }
        if (c.own != nullptr) {
            hosttest::WriteFile(DeskSettings::UserFile(), c.own);
        }
        const DeskSettings settings;
        EXPECT_EQ(settings.CaFile(), c.caFile);
        EXPECT_EQ(settings.LogRetentionDays(), c.days);
        EXPECT_EQ(settings.FixedWaits(), c.fixedWaits);
        EXPECT_EQ(settings.AllowedServers(), c.allowed);
    }
    QFile::remove(admin);
    QFile::remove(DeskSettings::UserFile());
}

TEST(LogRetention, LogsOlderThanTheDaysKeptGoByTheDateInTheirNameAndEachIsLogged) {
    const QDate today(2026, 3, 31);
    const QString folder = CUtility().ProfileFolder() + "Log/";
    const auto log = [&](int daysAgo) { return folder + ActivityLog::FileNameFor(today.addDays(-daysAgo)); };
    const struct {
        int days;
        QStringList gone; // days ago of the logs deleted
    } cases[] = {{30, {"31", "400"}}, {1, {"2", "30", "31", "400"}}, {0, {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.days);
        hosttest::ClearLog();
        for (const int ago : {0, 2, 30, 31, 400}) {
            hosttest::WriteFile(log(ago), "a line\r\n");
        }
        // Not logs of a day: another file, and a name whose date does not exist.
        hosttest::WriteFile(folder + "notes.txt", "x");
        hosttest::WriteFile(folder + " Molve 31-Feb-2026", "x");
        EXPECT_EQ(LogRetention::RemoveOlderThan(c.days, today), c.gone.size());
        QStringList gone;
        for (const int ago : {0, 2, 30, 31, 400}) {
            if (!QFile::exists(log(ago))) {
                gone.append(QString::number(ago));
                EXPECT_TRUE(QString::fromLocal8Bit(hosttest::ReadFile(hosttest::TodaysLogPath()))
                                .contains("RemoveOldLogs: File, " + log(ago) + ", deleted"));
            }
        }
        EXPECT_EQ(gone, c.gone);
        EXPECT_TRUE(QFile::exists(folder + "notes.txt") && QFile::exists(folder + " Molve 31-Feb-2026"));
    }
}

} // namespace
