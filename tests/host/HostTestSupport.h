#pragma once

#include "tests/support/TodaysLog.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace hosttest {

using ::TodaysLogPath;
void ClearLog();        // removes the Log folder, so the next line starts a fresh file
QStringList LogLines(); // today's log split at CR LF
void WriteFile(const QString& path, const QByteArray& content); // makes folders; fails the test
QByteArray ReadFile(const QString& path);                       // empty when missing

// Sets an environment variable for the life of the object, then puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

} // namespace hosttest
