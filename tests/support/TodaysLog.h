#pragma once

#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

// Today's activity log of the test's profile: where it is, what it holds so far, and what it received
// since a capture was made.
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

// The messages the log received after the capture was made (time stamp and error suffix checked
// and stripped), so tests can check texts and their order.
class LogCapture {
public:
    QStringList Messages() const { return ReadMessages().mid(start_); }

    static QStringList ReadMessages() {
        static const QRegularExpression line(R"(^\d\d:\d\d:\d\d : (.*) LastError = -?\d+$)");
        QStringList out;
        for (const QString& raw : TodaysLogLines()) {
            const QRegularExpressionMatch m = line.match(raw);
            out.append(m.hasMatch() ? m.captured(1) : "malformed: " + raw);
        }
        return out;
    }

private:
    qsizetype start_ = ReadMessages().size();
};

// Each of lines stands in the messages after the one before it (a failure names the first that
// does not).
inline bool InOrder(const QStringList& messages, const QStringList& lines) {
    qsizetype at = 0;
    for (const QString& line : lines) {
        if ((at = messages.indexOf(line, at)) < 0) {
            ADD_FAILURE() << "not logged in order: " << line.toStdString();
            return false;
        }
        ++at;
    }
    return true;
}
