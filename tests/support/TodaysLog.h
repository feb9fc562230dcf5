#pragma once

#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"

#include <QDate>
#include <QFile>
#include <QString>

// Today's activity log of the test's profile: where it is, and what it holds so far.
inline QString TodaysLogPath() {
    return CUtility::ProfileFolder() + QStringLiteral("Log/") +
           ActivityLog::FileNameFor(QDate::currentDate());
}

inline QString TodaysLogText() {
    QFile file(TodaysLogPath());
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}
