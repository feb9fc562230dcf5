#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace hosttest {

// Today's activity log file under the current profile folder.
QString TodaysLogPath();
// Its contents (empty when missing).
QByteArray ReadLog();
// Removes the profile's Log folder, so the next line starts a fresh file.
void ClearLog();
// Its lines, split at CR LF.
QStringList LogLines();
// Writes content to path (creating folders); fails the test when it cannot.
void WriteFile(const QString& path, const QByteArray& content);
QByteArray ReadFile(const QString& path);

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
