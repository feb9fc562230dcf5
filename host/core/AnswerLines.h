#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// Reads a server's text answer one line at a time. A line longer than kMaxLineBytes is skipped
// whole: cutting it would turn its tail into a further line (an extra version row, a "contact"
// whose key is the tail), so nothing of it is used. The skips of one answer are logged once, when
// the reader is destroyed.
class AnswerLines final {
public:
    static constexpr qsizetype kMaxLineBytes = 64 * 1024;

    // answer names the answer in the log ("Version list", "Address book", ...).
    AnswerLines(QIODevice& in, QString answer);
    ~AnswerLines();
    AnswerLines(const AnswerLines&) = delete;
    AnswerLines& operator=(const AnswerLines&) = delete;
    AnswerLines(AnswerLines&&) = delete;
    AnswerLines& operator=(AnswerLines&&) = delete;

    // The next line without its line end (LF or CRLF); false at the end of the answer.
    bool Next(QByteArray& line);

private:
    QIODevice& in_;
    QString answer_;
    int skipped_ = 0;
};
