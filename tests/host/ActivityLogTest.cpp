#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "tests/host/HostTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cerrno>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

const QRegularExpression kLine(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d : (.*) LastError = (-?\\d+)$"));

class WriteLogTest : public ::testing::Test {
protected:
    void SetUp() override { hosttest::ClearLog(); }
};

TEST(ActivityLogFormat, FileNameHasLeadingSpaceAndEnglishMonth) {
    EXPECT_EQ(ActivityLog::FileNameFor(QDate(2026, 12, 4)), QStringLiteral(" Molve 04-Dec-2026"));
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(ActivityLog::FileNameFor(QDate(2025, 5, 31)), QStringLiteral(" Molve 31-May-2025"));
    EXPECT_EQ(ActivityLog::FileNameFor(QDate(2024, 10, 1)), QStringLiteral(" Molve 01-Oct-2024"));
    QLocale::setDefault(saved);
}

TEST(ActivityLogFormat, LineIsTimeSeparatorMessageErrorCrLf) {
    EXPECT_EQ(
        ActivityLog::FormatLine(QTime(14, 3, 22), QStringLiteral("OnInitDialog: Created Image list..."), 0),
        QByteArray("14:03:22 : OnInitDialog: Created Image list... LastError = 0\r\n"));
    EXPECT_EQ(ActivityLog::FormatLine(QTime(9, 5, 7), QString(), 0),
              QByteArray("09:05:07 :  LastError = 0\r\n"));
    EXPECT_EQ(ActivityLog::FormatLine(QTime(23, 59, 59), QStringLiteral("x"), 12029),
              QByteArray("23:59:59 : x LastError = 12029\r\n"));
}

TEST(ActivityLogFormat, LineFeedInsideMessageBecomesCrLf) {
    EXPECT_EQ(ActivityLog::FormatLine(QTime(0, 0, 1), QStringLiteral("first\nsecond\n"), 0),
              QByteArray("00:00:01 : first\r\nsecond\r\n LastError = 0\r\n"));
}

TEST_F(WriteLogTest, FirstCallCreatesFolderAndDailyFileThenAppendsInOrder) {
    const QString folder = CUtility().ProfileFolder() + QStringLiteral("Log/");
    errno = 0;
    WriteLog(QStringLiteral("Test: first"));
    errno = 0;
    WriteLog(QStringLiteral("Test: second"));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    const QStringList files = QDir(folder).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(files.first(), ActivityLog::FileNameFor(QDate::currentDate()));

    const QByteArray raw = hosttest::ReadLog();
    EXPECT_TRUE(raw.endsWith("\r\n"));
    EXPECT_EQ(raw.count("\r\n"), 2);
    const QStringList lines = hosttest::LogLines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(kLine.match(lines.at(0)).captured(1), QStringLiteral("Test: first"));
    EXPECT_EQ(kLine.match(lines.at(1)).captured(1), QStringLiteral("Test: second"));
    EXPECT_EQ(kLine.match(lines.at(1)).captured(2), QStringLiteral("0"));
}

TEST_F(WriteLogTest, ReportsTheErrnoPendingOnEntryAndEmptyMessages) {
    errno = EACCES;
    WriteLog(QString());
    errno = 0;
    WriteLog(QStringLiteral("multi\nline"));
    const QByteArray raw = hosttest::ReadLog();
    const QRegularExpression expected(
        QStringLiteral("^\\d\\d:\\d\\d:\\d\\d :  LastError = %1\r\n"
                       "\\d\\d:\\d\\d:\\d\\d : multi\r\nline LastError = 0\r\n$")
            .arg(EACCES));
    EXPECT_TRUE(expected.match(QString::fromLatin1(raw)).hasMatch()) << raw.toStdString();
}

TEST_F(WriteLogTest, CreatesMissingProfileParents) {
    QTemporaryDir root;
    hosttest::ScopedEnv env("XDG_DATA_HOME", (root.path() + QStringLiteral("/deep/er")).toLocal8Bit());
    WriteLog(QStringLiteral("Test: deep"));
    EXPECT_TRUE(QFileInfo(hosttest::TodaysLogPath()).isFile());
    EXPECT_TRUE(
        hosttest::TodaysLogPath().startsWith(root.path() + QStringLiteral("/deep/er/velmo/Log/ Molve ")));
}

TEST_F(WriteLogTest, LogFolderThatCannotBeMadeLosesTheLineSilently) {
    QTemporaryDir root;
    hosttest::ScopedEnv env("XDG_DATA_HOME", root.path().toLocal8Bit());
    // A regular file where the Log folder belongs.
    hosttest::WriteFile(root.path() + QStringLiteral("/velmo/Log"), "not a folder");
    errno = EPERM;
    WriteLog(QStringLiteral("Test: lost"));
    // The caller's error state is left as it was.
    EXPECT_EQ(errno, EPERM);
    EXPECT_EQ(hosttest::ReadFile(root.path() + QStringLiteral("/velmo/Log")), QByteArray("not a folder"));
    EXPECT_FALSE(QFileInfo::exists(hosttest::TodaysLogPath()));
}

TEST_F(WriteLogTest, LinesFromSeveralThreadsStayWhole) {
    constexpr int kThreads = 4;
    constexpr int kLines = 100;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) {
                WriteLog(QStringLiteral("Worker: thread %1 line %2 ").arg(t).arg(i) +
                         QString(200, QLatin1Char('x')));
            }
        });
    }
    for (std::thread& th : threads) {
        th.join();
    }
    const QStringList lines = hosttest::LogLines();
    ASSERT_EQ(lines.size(), kThreads * kLines);
    std::vector<int> next(kThreads, 0);
    for (const QString& line : lines) {
        const QRegularExpressionMatch m = kLine.match(line);
        ASSERT_TRUE(m.hasMatch()) << line.toStdString();
        const QStringList words = m.captured(1).split(QLatin1Char(' '));
        ASSERT_GE(words.size(), 5);
        const int t = words.at(2).toInt();
        // Each thread's lines keep their order.
        EXPECT_EQ(words.at(4).toInt(), next.at(static_cast<size_t>(t))++);
    }
}

} // namespace
