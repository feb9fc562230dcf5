#pragma once

#include "reportlist/core/ReportRecord.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <vector>

// The texts of a list's rows, kept small. A row's texts lie one after another in one byte buffer,
// each behind its length, in the encoding the server sent them (Latin-1 or UTF-8); a text
// becomes a QString only when it is asked for (a cell drawn, an action reading its row). A
// 100,000-row list then costs little more than the bytes of its values.
//
// A row's texts by position: 0 access flags, 1 e-sign owner, 2 activity flags, 3.. the values of
// the data columns; a position past the row's texts reads as empty. kLabel is the row label:
// "  n " (n = the row's place in the list, from 1) unless the row was given a label.
class ReportRows {
public:
    static constexpr int kLabel = -1;
    static constexpr int kFirstValue = 3;

    // A stored text: its bytes and their encoding.
    struct Bytes {
        QByteArrayView bytes;
        bool utf8 = false;
    };

    qsizetype Count() const { return static_cast<qsizetype>(rows_.size()); }
    void Reserve(qsizetype rows, qsizetype bytes);
    void Squeeze(); // gives back the room reserved and not used
    void Clear();

    // A row of undecoded texts, positions 0.., with its status dots (bit k: status column k + 1).
    void Append(const QByteArrayView* texts, qsizetype count, bool utf8, quint8 dots);
    // A row of texts with its own label.
    void Append(const QString& label, const QStringList& texts, quint8 dots);

    qsizetype TextCount(qsizetype row) const;
    // The bytes of a text; those of a label made from the row number stay valid until this
    // thread's next call.
    Bytes TextBytes(qsizetype row, int position) const;
    QString Text(qsizetype row, int position) const;
    // Rewrites the row with the new text (position may be kLabel).
    void SetText(qsizetype row, int position, const QString& text);
    quint8 Dots(qsizetype row) const { return static_cast<quint8>(rows_[static_cast<size_t>(row)].dots); }
    void SetDots(qsizetype row, quint8 dots) { rows_[static_cast<size_t>(row)].dots = dots; }
    ReportRecord Record(qsizetype row) const;

private:
    struct Row {
        quint64 start : 56; // where the row's texts begin in bytes_
        quint64 dots : 5;
        quint64 utf8 : 1;
        quint64 labelStored : 1; // the label is the row's first text
    };
    static_assert(sizeof(Row) == 8);

    void AppendRow(bool utf8, bool labelStored, quint8 dots);

    QByteArray bytes_;
    std::vector<Row> rows_;
};
