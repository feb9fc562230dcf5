#include "host/core/CIniFile.h"

#include "host/core/PrivateModes.h"

#include <QFile>
#include <QHash>
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

namespace {

// The file's lines with an index of its sections and of the keys in each, so that a batch of
// writes touches each line a bounded number of times.
class IniLines {
public:
    explicit IniLines(QList<QByteArray> lines) {
        for (QByteArray& line : lines) {
            const QByteArray name = SectionName(line);
            if (!name.isNull()) {
                sections_.append({std::move(line), {}, {}});
                if (!index_.contains(name.toLower())) {
                    index_.insert(name.toLower(), sections_.size() - 1); // the first of a name is written to
                }
                continue;
            }
            if (sections_.isEmpty()) {
                preamble_.append(std::move(line));
            } else {
                AddLine(sections_.last(), std::move(line));
            }
        }
    }

    void Write(const QByteArray& section, const QByteArray& key, const QByteArray& value, bool remove) {
        const QByteArray entry = key + '=' + value;
        auto found = index_.constFind(section.toLower());
        if (found == index_.constEnd()) {
            if (remove) {
                return;
            }
            sections_.append({'[' + section + ']', {}, {}});
            found = index_.insert(section.toLower(), sections_.size() - 1);
        }
        Section& s = sections_[found.value()];
        const auto at = s.keys.constFind(key.toLower());
        if (remove) {
            if (at != s.keys.constEnd()) {
                s.lines.removeAt(at.value());
                Reindex(s);
            }
        } else if (at != s.keys.constEnd()) {
            s.lines[at.value()] = entry;
        } else {
            // After the section's last entry, before trailing blank lines.
            qsizetype pos = s.lines.size();
            while (pos > 0 && s.lines.at(pos - 1).trimmed().isEmpty()) {
                --pos;
            }
            s.lines.insert(pos, entry);
            s.keys.insert(key.toLower(), pos); // only blank lines come after it
        }
    }

    void Save(const QString& path) const {
        QSaveFile out(path);
        if (!PrivateModes::OpenForWriting(out)) {
            return;
        }
        const auto put = [&out](const QByteArray& line) {
            out.write(line);
            out.write("\r\n");
        };
        for (const QByteArray& line : preamble_) {
            put(line);
        }
        for (const Section& section : sections_) {
            put(section.header);
            for (const QByteArray& line : section.lines) {
                put(line);
            }
        }
        out.commit();
    }

private:
    struct Section {
        QByteArray header;
        QList<QByteArray> lines;
        QHash<QByteArray, qsizetype> keys; // lower-case key -> its first line
    };

    static void AddLine(Section& s, QByteArray line) {
        if (!line.trimmed().isEmpty()) {
            const QByteArray key = KeyOf(line).toLower();
            if (!s.keys.contains(key)) {
                s.keys.insert(key, s.lines.size());
            }
        }
        s.lines.append(std::move(line));
    }
    static void Reindex(Section& s) {
        QList<QByteArray> lines = std::move(s.lines);
        s.lines.clear();
        s.keys.clear();
        for (QByteArray& line : lines) {
            AddLine(s, std::move(line));
        }
    }

    QList<QByteArray> preamble_;
    QList<Section> sections_;
    QHash<QByteArray, qsizetype> index_; // lower-case section name -> its first section
};

} // namespace

void CIniFile::WriteValue(const QString& key, const QString& value, bool remove) {
    if (path_.isEmpty()) {
        return;
    }
    IniLines lines(ReadLines(path_));
    lines.Write(section_.toLocal8Bit(), key.toLocal8Bit(), value.toLocal8Bit(), remove);
    lines.Save(path_);
}

void CIniFile::WriteValues(const QList<Value>& values) {
    if (path_.isEmpty()) {
        return;
    }
    IniLines lines(ReadLines(path_));
    for (const Value& v : values) {
        lines.Write(v.section.toLocal8Bit(), v.key.toLocal8Bit(), v.value.toLocal8Bit(), false);
    }
    lines.Save(path_);
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
