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
    struct Row {
        QTime time;
        const char* message;
        int error;
        const char* line;
    };
    const Row rows[] = {
        {QTime(14, 3, 22), "OnInitDialog: Created Image list...", 0,
         "14:03:22 : OnInitDialog: Created Image list... LastError = 0\r\n"},
        {QTime(9, 5, 7), "", 0, "09:05:07 :  LastError = 0\r\n"},
        {QTime(23, 59, 59), "x", 12029, "23:59:59 : x LastError = 12029\r\n"},
        // A line feed inside the message becomes CR LF.
        {QTime(0, 0, 1), "first\nsecond\n", 0, "00:00:01 : first\r\nsecond\r\n LastError = 0\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(ActivityLog::FormatLine(row.time, QString::fromUtf8(row.message), row.error),
                  QByteArray(row.line));
    }
}

TEST_F(WriteLogTest, FirstCallCreatesTheDailyFileThenAppendsWithTheErrnoPendingOnEntry) {
    errno = EACCES;
    WriteLog(QString());
    errno = 0;
    WriteLog(QStringLiteral("multi\nline"));
    const QStringList files = QDir(CUtility().ProfileFolder() + "Log/").entryList(QDir::Files);
    EXPECT_EQ(files, QStringList{ActivityLog::FileNameFor(QDate::currentDate())});
    const QByteArray raw = hosttest::ReadLog();
    const QRegularExpression expected(
        QStringLiteral("^\\d\\d:\\d\\d:\\d\\d :  LastError = %1\r\n"
                       "\\d\\d:\\d\\d:\\d\\d : multi\r\nline LastError = 0\r\n$")
            .arg(EACCES));
    EXPECT_TRUE(expected.match(QString::fromLatin1(raw)).hasMatch()) << raw.toStdString();
}

TEST_F(WriteLogTest, CreatesMissingProfileParents) {
    QTemporaryDir root;
    hosttest::ScopedEnv env("XDG_DATA_HOME", (root.path() + "/deep/er").toLocal8Bit());
    WriteLog(QStringLiteral("Test: deep"));
    EXPECT_TRUE(QFileInfo(hosttest::TodaysLogPath()).isFile());
    EXPECT_TRUE(hosttest::TodaysLogPath().startsWith(root.path() + "/deep/er/velmo/Log/ Molve "));
}

TEST_F(WriteLogTest, LogFolderThatCannotBeMadeLosesTheLineSilently) {
    QTemporaryDir root;
    hosttest::ScopedEnv env("XDG_DATA_HOME", root.path().toLocal8Bit());
    // A regular file where the Log folder belongs.
    hosttest::WriteFile(root.path() + "/velmo/Log", "not a folder");
    errno = EPERM;
    WriteLog(QStringLiteral("Test: lost"));
    EXPECT_EQ(errno, EPERM); // the caller's error state is left as it was
    EXPECT_EQ(hosttest::ReadFile(root.path() + "/velmo/Log"), QByteArray("not a folder"));
    EXPECT_FALSE(QFileInfo::exists(hosttest::TodaysLogPath()));
}

TEST_F(WriteLogTest, LinesFromSeveralThreadsStayWholeAndInOrder) {
    constexpr int kThreads = 4;
    constexpr int kLines = 100;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) {
                WriteLog(QStringLiteral("Worker: thread %1 line %2 ").arg(t).arg(i) + QString(200, 'x'));
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
        const QStringList words = kLine.match(line).captured(1).split(' ');
        ASSERT_GE(words.size(), 5) << line.toStdString();
        // Each thread's lines keep their order.
        EXPECT_EQ(words.at(4).toInt(), next.at(words.at(2).toUInt())++);
    }
}

} // namespace
