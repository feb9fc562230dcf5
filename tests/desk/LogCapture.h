#pragma once

#include "tests/support/TodaysLog.h"

#include <QRegularExpression>
#include <QStringList>

// The messages today's activity log received after the capture was made (time stamp and error
// suffix checked and stripped), so tests can check texts and their order.
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
