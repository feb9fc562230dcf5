#include "host/core/CIniFile.h"

#include <QFile>
#include <QSaveFile>

namespace {

constexpr qint64 kMaxIniFileSize = 16 * 1024 * 1024; // the cache is tiny; refuse anything absurd

QList<QByteArray> ReadLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxIniFileSize) {
        return {};
    }
    QList<QByteArray> lines = file.readAll().split('\n');
    for (QByteArray& line : lines) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
    }
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

// The section name of a "[name]" line, or a null array for other lines.
QByteArray SectionName(const QByteArray& line) {
    const QByteArray t = line.trimmed();
    if (t.size() >= 2 && t.startsWith('[') && t.endsWith(']')) {
        return t.mid(1, t.size() - 2).trimmed();
    }
    return {};
}

bool SameName(const QByteArray& a, const QByteArray& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QByteArray KeyOf(const QByteArray& line) {
    const qsizetype eq = line.indexOf('=');
    return (eq < 0 ? line : line.left(eq)).trimmed();
}

// [first, end) of the lines that belong to section (after its header); first < 0 when absent.
std::pair<qsizetype, qsizetype> FindSection(const QList<QByteArray>& lines, const QByteArray& section) {
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray name = SectionName(lines.at(i));
        if (!name.isNull() && SameName(name, section)) {
            qsizetype end = i + 1;
            while (end < lines.size() && SectionName(lines.at(end)).isNull()) {
                ++end;
            }
            return {i + 1, end};
        }
    }
    return {-1, -1};
}

} // namespace

void CIniFile::WriteValue(const QString& key, const QString& value, bool remove) {
    if (path_.isEmpty()) {
        return;
    }
    QList<QByteArray> lines = ReadLines(path_);
    const QByteArray section = section_.toLocal8Bit();
    const QByteArray k = key.toLocal8Bit();
    const QByteArray entry = k + '=' + value.toLocal8Bit();

    auto [first, end] = FindSection(lines, section);
    if (first < 0) {
        if (remove) {
            return;
        }
        lines.append('[' + section + ']');
        lines.append(entry);
    } else {
        qsizetype found = -1;
        for (qsizetype i = first; i < end; ++i) {
            if (!lines.at(i).trimmed().isEmpty() && SameName(KeyOf(lines.at(i)), k)) {
                found = i;
                break;
            }
        }
        if (remove) {
            if (found < 0) {
                return;
            }
            lines.removeAt(found);
        } else if (found >= 0) {
            lines[found] = entry;
        } else {
            // After the section's last entry, before trailing blank lines.
            qsizetype at = end;
            while (at > first && lines.at(at - 1).trimmed().isEmpty()) {
                --at;
            }
            lines.insert(at, entry);
        }
    }

    QSaveFile out(path_);
    if (!out.open(QIODevice::WriteOnly)) {
        return;
    }
    for (const QByteArray& line : lines) {
        out.write(line);
        out.write("\r\n");
    }
    out.commit();
}

int CIniFile::ReadSection(QStringList& keys, QStringList& values) const {
    keys.clear();
    values.clear();
    const QList<QByteArray> lines = ReadLines(path_);
    const auto [first, end] = FindSection(lines, section_.toLocal8Bit());
    if (first < 0) {
        return 0;
    }
    int used = 1; // the zero byte that ends the section
    for (qsizetype i = first; i < end; ++i) {
        const QByteArray entry = lines.at(i).trimmed();
        if (entry.isEmpty() || entry.startsWith(';')) {
            continue;
        }
        const int need = static_cast<int>(entry.size()) + 1;
        if (used + need > kSectionBufferSize) {
            break; // the rest does not fit in the buffer
        }
        used += need;
        const qsizetype eq = entry.indexOf('=');
        keys.append(QString::fromLocal8Bit(eq < 0 ? entry : entry.left(eq)));
        values.append(eq < 0 ? QString() : QString::fromLocal8Bit(entry.mid(eq + 1)));
    }
    return static_cast<int>(keys.size());
}
