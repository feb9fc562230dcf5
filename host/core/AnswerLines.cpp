#include "host/core/AnswerLines.h"

#include "host/core/ActivityLog.h"

#include <QIODevice>

AnswerLines::AnswerLines(QIODevice& in, QString answer) : in_(in), answer_(std::move(answer)) {}

AnswerLines::~AnswerLines() {
    if (skipped_ > 0) {
        WriteLog(QStringLiteral("%1: %2 line(s) longer than %3 bytes skipped")
                     .arg(answer_)
                     .arg(skipped_)
                     .arg(kMaxLineBytes));
    }
}

bool AnswerLines::Next(QByteArray& line) {
    // Room for the longest kept line and its CRLF, plus one byte that marks a line as too long.
    constexpr qint64 kRead = kMaxLineBytes + 3;
    while (!in_.atEnd()) {
        line = in_.readLine(kRead);
        if (line.isEmpty()) {
            return false; // a read error ends the answer
        }
        bool tooLong = false;
        if (!line.endsWith('\n') && line.size() >= kRead && !in_.atEnd()) {
            // Drop the rest of the line; the device is finite, so is this loop.
            tooLong = true;
            QByteArray rest = in_.readLine(kRead);
            while (!rest.isEmpty() && !rest.endsWith('\n')) {
                rest = in_.readLine(kRead);
            }
        }
        if (line.endsWith('\n')) {
            line.chop(1);
        }
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        if (tooLong || line.size() > kMaxLineBytes) {
            ++skipped_;
            continue;
        }
        return true;
    }
    return false;
}
