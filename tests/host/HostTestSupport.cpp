#include "tests/host/HostTestSupport.h"

#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "tests/support/TodaysLog.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace hosttest {

void ClearLog() {
    QDir(CUtility::ProfileFolder() + "Log").removeRecursively();
}

QStringList LogLines() {
    QStringList lines = QString::fromLocal8Bit(ReadFile(TodaysLogPath())).split("\r\n");
    if (lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

void WriteFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(content), content.size());
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ScopedEnv::ScopedEnv(const char* name, const QByteArray& value)
    : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
    qputenv(name, value);
}

ScopedEnv::~ScopedEnv() {
    had_ ? qputenv(name_, old_) : qunsetenv(name_);
}

} // namespace hosttest
