#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "tests/support/Files.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TodaysLog.h"

#include <QDir>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cerrno>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

// The daily file's name has a leading blank and the English month in any locale.
TEST(WriteLog, FirstCallMakesProfileLogFolderAndDailyFileThenAppendsWithTheErrnoOnEntry) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(ActivityLog::FileNameFor(QDate(2024, 10, 1)), " Molve 01-Oct-2024");
    QLocale::setDefault(saved);
    QTemporaryDir root;
    ScopedEnv env("XDG_DATA_HOME", (root.path() + "/deep/er").toLocal8Bit());
    errno = EACCES;
    WriteLog(QString());
    errno = 0;
    WriteLog("multi\nline");
    EXPECT_EQ(QDir(root.path() + "/deep/er/velmo/Log/").entryList(QDir::Files),
              QStringList{ActivityLog::FileNameFor(QDate::currentDate())});
    const QByteArray raw = ReadFile(TodaysLogPath());
    const QRegularExpression expected(
        QStringLiteral("^\\d\\d:\\d\\d:\\d\\d :  LastError = %1\r\n"
                       "\\d\\d:\\d\\d:\\d\\d : multi\r\nline LastError = 0\r\n$")
            .arg(EACCES));
    EXPECT_TRUE(expected.match(QString::fromLatin1(raw)).hasMatch()) << raw.toStdString();
}

TEST(WriteLog, LogFolderThatCannotBeMadeLosesTheLineSilently) {
    QTemporaryDir root;
    ScopedEnv env("XDG_DATA_HOME", root.path().toLocal8Bit());
    WriteFile(root.path() + "/velmo/Log", "not a folder");
    errno = EPERM;
    WriteLog("Test: lost");
    EXPECT_EQ(errno, EPERM) << "the caller's error state is left as it was";
    EXPECT_EQ(ReadFile(root.path() + "/velmo/Log"), "not a folder");
}

TEST(WriteLog, LinesFromSeveralThreadsStayWhole) {
    ClearLog();
    constexpr int kThreads = 4, kLines = 100;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) {
                WriteLog(QStringLiteral("Worker: %1 %2 ").arg(t).arg(i) + QString(200, 'x'));
            }
        });
    }
    for (std::thread& th : threads) {
        th.join();
    }
    const QStringList messages = LogCapture::ReadMessages(); // a torn line reads as "malformed: ..."
    EXPECT_EQ(messages.size(), kThreads * kLines);
    EXPECT_EQ(messages.filter(QRegularExpression("^Worker: \\d \\d+ x{200}$")), messages);
}

} // namespace
