#include "reportlist/core/ReportRows.h"

#include <charconv>

namespace {

// Lengths are written in 7-bit groups, low first, the high bit marking that another follows: a
// text of up to 127 bytes (nearly every cell) costs one byte more than itself.
void PutLength(QByteArray& out, quint64 length) {
    while (length >= 0x80) {
        out.append(static_cast<char>((length & 0x7f) | 0x80));
        length >>= 7;
    }
    out.append(static_cast<char>(length));
}

qsizetype TakeLength(const char*& at) {
    quint64 length = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        const auto byte = static_cast<quint8>(*at++);
        length |= static_cast<quint64>(byte & 0x7f) << shift;
        if ((byte & 0x80) == 0) {
            break;
        }
    }
    return static_cast<qsizetype>(length);
}

void PutText(QByteArray& out, QByteArrayView text) {
    PutLength(out, static_cast<quint64>(text.size()));
    out.append(text);
}

} // namespace

void ReportRows::Reserve(qsizetype rows, qsizetype bytes) {
    rows_.reserve(static_cast<size_t>(rows));
    bytes_.reserve(bytes);
}

void ReportRows::Squeeze() {
    rows_.shrink_to_fit();
    bytes_.squeeze();
}

void ReportRows::Clear() {
    bytes_.clear();
    rows_.clear();
    rows_.shrink_to_fit();
}

void ReportRows::AppendRow(bool utf8, bool labelStored, quint8 dots) {
    Row row{};
    row.start = static_cast<quint64>(bytes_.size());
    row.dots = dots;
    row.utf8 = utf8 ? 1 : 0;
    row.labelStored = labelStored ? 1 : 0;
    rows_.push_back(row);
}

void ReportRows::Append(const QByteArrayView* texts, qsizetype count, bool utf8, quint8 dots) {
    AppendRow(utf8, false, dots);
    PutLength(bytes_, static_cast<quint64>(count));
    for (qsizetype i = 0; i < count; ++i) {
        PutText(bytes_, texts[i]);
    }
}

void ReportRows::Append(const QString& label, const QStringList& texts, quint8 dots) {
    AppendRow(true, true, dots);
    PutLength(bytes_, static_cast<quint64>(texts.size()));
    PutText(bytes_, label.toUtf8());
    for (const QString& text : texts) {
        PutText(bytes_, text.toUtf8());
    }
}

qsizetype ReportRows::TextCount(qsizetype row) const {
    const char* at = bytes_.constData() + rows_[static_cast<size_t>(row)].start;
    return TakeLength(at);
}

ReportRows::Bytes ReportRows::TextBytes(qsizetype row, int position) const {
    const Row& r = rows_[static_cast<size_t>(row)];
    const char* at = bytes_.constData() + r.start;
    const qsizetype count = TakeLength(at);
    if (r.labelStored != 0) {
        const qsizetype length = TakeLength(at);
        if (position == kLabel) {
            return {QByteArrayView(at, length), r.utf8 != 0};
        }
        at += length;
    } else if (position == kLabel) {
        // "  n ": two blanks, the row number, one blank.
        thread_local char label[24] = {' ', ' '};
        char* end = std::to_chars(label + 2, label + sizeof label - 1, static_cast<long long>(row) + 1).ptr;
        *end = ' ';
        return {QByteArrayView(label, end + 1 - label), false};
    }
    if (position < 0 || position >= count) {
        return {{}, r.utf8 != 0};
    }
    for (int i = 0; i < position; ++i) {
        at += TakeLength(at);
    }
    const qsizetype length = TakeLength(at);
    return {QByteArrayView(at, length), r.utf8 != 0};
}

QString ReportRows::Text(qsizetype row, int position) const {
    const Bytes text = TextBytes(row, position);
    return text.utf8 ? QString::fromUtf8(text.bytes) : QString::fromLatin1(text.bytes);
}

void ReportRows::SetText(qsizetype row, int position, const QString& text) {
    const Row old = rows_[static_cast<size_t>(row)];
    QString label = old.labelStored != 0 ? Text(row, kLabel) : QString();
    QStringList texts;
    const qsizetype count = TextCount(row);
    for (qsizetype i = 0; i < count; ++i) {
        texts.append(Text(row, static_cast<int>(i)));
    }
    bool labelStored = old.labelStored != 0;
    if (position == kLabel) {
        label = text;
        labelStored = true;
    } else if (position >= 0) {
        while (texts.size() <= position) {
            texts.append(QString());
        }
        texts[position] = text;
    }
    // The row is written anew at the end in UTF-8. Its old bytes stay until the list is replaced:
    // a change is a user's action on a row or two, never a stream.
    Row& changed = rows_[static_cast<size_t>(row)];
    changed.start = static_cast<quint64>(bytes_.size());
    changed.utf8 = 1;
    changed.labelStored = labelStored ? 1 : 0;
    PutLength(bytes_, static_cast<quint64>(texts.size()));
    if (labelStored) {
        PutText(bytes_, label.toUtf8());
    }
    for (const QString& each : texts) {
        PutText(bytes_, each.toUtf8());
    }
}

ReportRecord ReportRows::Record(qsizetype row) const {
    ReportRecord record;
    record.label = Text(row, kLabel);
    record.accessFlags = Text(row, 0);
    record.esignOwner = Text(row, 1);
    record.activityFlags = Text(row, 2);
    const qsizetype count = TextCount(row);
    for (qsizetype i = kFirstValue; i < count; ++i) {
        record.values.append(Text(row, static_cast<int>(i)));
    }
    record.statusDots = Dots(row);
    return record;
}
