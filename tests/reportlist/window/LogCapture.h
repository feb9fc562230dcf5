#pragma once

#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"

#include <QDate>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>

// Reads the messages the activity log received after the capture was made (today's file,
// time stamp and error suffix stripped), so tests can check texts and their order.
class LogCapture {
public:
    LogCapture() : start_(ReadMessages().size()) {}

    QStringList Messages() const { return ReadMessages().mid(start_); }

    static QStringList ReadMessages() {
        QFile file(CUtility().ProfileFolder() + QStringLiteral("Log/") +
                   ActivityLog::FileNameFor(QDate::currentDate()));
        QStringList out;
        if (!file.open(QIODevice::ReadOnly)) {
            return out;
        }
        static const QRegularExpression line(QStringLiteral(R"(^\d\d:\d\d:\d\d : (.*) LastError = -?\d+$)"));
        const QList<QByteArray> lines = file.readAll().split('\n');
        for (QByteArray raw : lines) {
            if (raw.endsWith('\r')) {
                raw.chop(1);
            }
            const QRegularExpressionMatch m = line.match(QString::fromLocal8Bit(raw));
            if (m.hasMatch()) {
                out.append(m.captured(1));
            }
        }
        return out;
    }

private:
    qsizetype start_;
};
