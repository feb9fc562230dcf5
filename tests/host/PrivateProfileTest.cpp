// Clinics share workstations between accounts: what the desk keeps under its profile folder is the
// user's alone, whatever the umask, and a start closes what an older desk left open.
#include "host/core/ActivityLog.h"
#include "host/core/CIniFile.h"
#include "host/core/CUtility.h"
#include "host/core/ServerGate.h"
#include "host/core/VelmoApp.h"
#include "tests/support/Files.h"
#include "tests/support/ProfileCheck.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TodaysLog.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

mode_t ModeOf(const QString& path) {
    struct stat info {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(PrivateProfile, WhatTheDeskWritesIsTheUsersAloneAndAStartClosesWhatWasLeftOpen) {
    for (const mode_t mask : {mode_t{0}, mode_t{022}, mode_t{0277}}) {
        SCOPED_TRACE(mask);
        QTemporaryDir root;
        ScopedEnv env("XDG_DATA_HOME", root.path().toLocal8Bit());
        const QString profile = CUtility::ProfileFolder();
        const mode_t old = ::umask(mask);
        WriteLog("a line");
        CUtility::CreateFolderPath(profile + "Temp/a/b/");
        CIniFile ini;
        ini.SetFile(profile + "Temp/a/b/cache.ini");
        ini.SetSection("12");
        ini.WriteValue("3", "North Clinic");
        ServerGate::Remember("reports.example");
        ::umask(old);
        // Written, not just created: a umask that takes the owner's bits must not stop the desk.
        EXPECT_EQ(TodaysLogLines().filter(" : a line ").size(), 1);
        EXPECT_TRUE(ReadFile(profile + "Temp/a/b/cache.ini").contains("North Clinic"));
        EXPECT_TRUE(ServerGate::IsKnown("reports.example"));
        EXPECT_EQ(NotPrivate(profile), QStringList());
    }
    // A start closes what an older desk left open, and says so once.
    QTemporaryDir root;
    QTemporaryDir outside;
    ScopedEnv env("XDG_DATA_HOME", root.path().toLocal8Bit());
    const QString profile = CUtility::ProfileFolder();
    const QString lo = profile + "LibreOffice/user/registrymodifications.xcu";
    const QString target = outside.filePath("elsewhere.txt");
    for (const QString& file : {profile + "Log/ Molve 01-Jan-2026", profile + "Temp/R1.doc",
                                profile + "KnownServers", lo, target}) {
        WriteFile(file, "patient data");
        ::chmod(QFile::encodeName(file).constData(), 0644);
    }
    for (const QString& folder : {profile, profile + "Log", profile + "Temp", profile + "LibreOffice",
                                  profile + "LibreOffice/user"}) {
        ::chmod(QFile::encodeName(folder).constData(), 0755);
    }
    ASSERT_TRUE(QFile::link(target, profile + "Temp/link"));

    VelmoApp::InitInstance(0);
    VelmoApp::InitInstance(0);
    EXPECT_EQ(NotPrivate(profile), QStringList());
    // LibreOffice's own files are its own; a link is not followed out of the profile.
    EXPECT_EQ(ModeOf(lo), 0644u);
    EXPECT_EQ(ModeOf(profile + "LibreOffice/user"), 0755u);
    EXPECT_EQ(ModeOf(target), 0644u);
    const QStringList said = TodaysLogLines().filter("InitInstance: Profile folder made private");
    ASSERT_EQ(said.size(), 1) << TodaysLogLines().join('\n').toStdString();
    EXPECT_TRUE(said[0].contains(", 7 files and folders")) << said[0].toStdString();
}

} // namespace
