#pragma once

#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

// Today's activity log of the test's profile: where it is, and what it holds so far.
inline QString TodaysLogPath() {
    return CUtility::ProfileFolder() + QStringLiteral("Log/") +
           ActivityLog::FileNameFor(QDate::currentDate());
}

inline QString TodaysLogText() {
    QFile file(TodaysLogPath());
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}
inline QStringList TodaysLogLines() {
    return TodaysLogText().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}
// Removes the Log folder, so the next line starts a fresh file.
inline void ClearLog() {
    QDir(CUtility::ProfileFolder() + QStringLiteral("Log")).removeRecursively();
}
