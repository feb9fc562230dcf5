#include "reportlist/core/FileListFormat.h"
#include "host/core/ActivityLog.h"
#include "host/core/NameGate.h"

#include <QFile>
#include <QHash>
#include <QIODevice>

#include <cstring>
#include <type_traits>
#include <vector>

namespace {

constexpr int kActivityPosition = 2;
constexpr int kFirstValuePosition = 3;
constexpr int kEsignedFlag = 4;
constexpr int kStatusColumnCount = 5;
// Pending lists show only positions 3 and 4.
constexpr int kPendingStopPosition = 5;
// The most room taken ahead for the rows' texts; a larger list grows as it is read.
constexpr qint64 kMaxReservedBytes = 256 * 1024 * 1024;

// Index of c in data[0, n), or n.
qsizetype Find(const char* data, qsizetype n, char c) {
    const void* at = std::memchr(data, c, static_cast<size_t>(n));
    return at == nullptr ? n : static_cast<const char*>(at) - data;
}

qsizetype Find(const QChar* data, qsizetype n, QChar c) {
    const qsizetype at = QStringView(data, n).indexOf(c);
    return at < 0 ? n : at;
}

// Calls f(position, key, value) for each accepted field of a record line: fields between "|"
// that are not empty, the first one trimmed (a first field of blanks only ends the line: no
// fields at all), split at the first "~", with a non-empty key. Returns the number of accepted
// fields. Works on text and, for speed, on the undecoded bytes of a line ("|" and "~" are the
// same bytes in every encoding the server uses).
template <typename View, typename F> int ForEachField(View line, F&& f) {
    using Char = std::remove_cv_t<std::remove_pointer_t<decltype(line.data())>>;
    const Char* data = line.data();
    const qsizetype n = line.size();
    int accepted = 0;
    bool first = true;
    qsizetype start = 0;
    while (start <= n) {
        const qsizetype end = start + Find(data + start, n - start, Char(u'|'));
        View field = line.sliced(start, end - start);
        start = end + 1;
        if (field.isEmpty()) {
            continue;
        }
        if (first) {
            first = false;
            field = field.trimmed();
            if (field.isEmpty()) {
                return 0;
            }
        }
        const qsizetype tilde = Find(field.data(), field.size(), Char(u'~'));
        if (tilde == 0 || tilde == field.size()) {
            continue; // an empty key, or no "~"
        }
        f(accepted, field.first(tilde), field.sliced(tilde + 1));
        ++accepted;
    }
    return accepted;
}

enum class LineCode : quint8 { Ascii, Utf8, Western };

LineCode CodeOf(QByteArrayView line) {
    // Eight bytes at a time: any high bit means the line is not plain ASCII.
    quint64 high = 0;
    qsizetype i = 0;
    for (; i + 8 <= line.size(); i += 8) {
        quint64 word;
        std::memcpy(&word, line.data() + i, sizeof word);
        high |= word;
    }
    for (; i < line.size(); ++i) {
        high |= static_cast<quint8>(line[i]);
    }
    if ((high & 0x8080808080808080ull) == 0) {
        return LineCode::Ascii;
    }
    // Not UTF-8: an older server writes its Western code page.
    return line.isValidUtf8() ? LineCode::Utf8 : LineCode::Western;
}

QString Decode(QByteArrayView bytes, LineCode code) {
    return code == LineCode::Utf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

// Reads one line into buffer (without its line end); a line longer than the buffer is cut and
// the rest of it skipped. Returns false at the end of the data.
bool ReadLine(QIODevice& in, std::vector<char>& buffer, qsizetype& length, bool& cut) {
    length = 0;
    cut = false;
    const qint64 got = in.readLine(buffer.data(), static_cast<qint64>(buffer.size()));
    if (got <= 0) {
        return false;
    }
    length = static_cast<qsizetype>(got);
    if (buffer[static_cast<size_t>(length - 1)] == '\n') {
        --length;
    } else if (!in.atEnd()) {
        // Cut: drop the remainder of this line through its line feed, one buffer at a time.
        cut = true;
        std::vector<char> skip(4096);
        for (;;) {
            const qint64 more = in.readLine(skip.data(), static_cast<qint64>(skip.size()));
            if (more <= 0 || skip[static_cast<size_t>(more - 1)] == '\n') {
                break;
            }
        }
    }
    if (length > 0 && buffer[static_cast<size_t>(length - 1)] == '\r') {
        --length;
    }
    return true;
}

bool IsExcludedCaption(const QString& caption) {
    return caption.compare(u"Activity Indicator", Qt::CaseInsensitive) == 0 ||
           caption.compare(u"Privileges", Qt::CaseInsensitive) == 0 ||
           caption.compare(u"Owner", Qt::CaseInsensitive) == 0;
}

// The fields of one record line that the list keeps.
struct LineFields {
    std::vector<QByteArrayView> texts; // positions 0 .. the last data column
    QByteArrayView position3;          // the document name, even without a column for it
    quint8 dots = 0;                   // the status columns' dots
    bool esigned = false;
};

// Splits a record line into fields; false when it has none (it makes no row).
bool ReadFields(QByteArrayView line, qsizetype dataColumns, LineFields& fields) {
    fields.texts.assign(static_cast<size_t>(kFirstValuePosition + dataColumns), QByteArrayView());
    fields.position3 = {};
    fields.dots = 0;
    fields.esigned = false;
    QByteArrayView flags;
    const int accepted = ForEachField(line, [&](int position, QByteArrayView, QByteArrayView value) {
        if (position == kActivityPosition) {
            flags = value;
        } else if (position == kFirstValuePosition) {
            fields.position3 = value;
        }
        if (static_cast<size_t>(position) < fields.texts.size()) {
            fields.texts[static_cast<size_t>(position)] = value;
        }
    });
    for (qsizetype k = 0; k < flags.size(); ++k) {
        if (flags[k] != '1') {
            continue;
        }
        if (k < kStatusColumnCount) {
            fields.dots = static_cast<quint8>(fields.dots | (1u << k));
            fields.esigned = fields.esigned || k == kEsignedFlag;
            continue;
        }
        // A flag past the five status columns lands in a data column, unless the line has a
        // value (even an empty one) for that column.
        const qsizetype position = k - kStatusColumnCount + kFirstValuePosition;
        if (position >= accepted && position < static_cast<qsizetype>(fields.texts.size())) {
            fields.texts[static_cast<size_t>(position)] = "O";
        }
    }
    return accepted > 0;
}

// The columns and ColumnKeys, from the first record.
void BuildColumns(QByteArrayView line, LineCode code, bool pending, ParsedFileList& list) {
    ForEachField(line, [&](int position, QByteArrayView key, QByteArrayView) {
        if (position < kActivityPosition || (pending && position >= kPendingStopPosition)) {
            return;
        }
        const QString keyText = Decode(key, code);
        const QString caption = CaptionForKey(keyText);
        if (!IsExcludedCaption(caption)) {
            list.columnKeys.append(keyText);
        }
        if (position >= kFirstValuePosition) {
            list.dataColumns.append({keyText, caption, DataColumnWidth(caption, pending)});
        }
    });
}

qsizetype FilenameColumn(const ParsedFileList& list) {
    for (qsizetype c = 0; c < list.dataColumns.size(); ++c) {
        if (list.dataColumns.at(c).caption.trimmed() == u"Filename") {
            return c;
        }
    }
    return -1;
}

// Every row of a file list is taken in here; a row whose report name could reach outside the
// desk's folders is not listed.
void AcceptRow(const LineFields& fields, LineCode code, qsizetype filenameColumn, int lineNumber,
               ParsedFileList& list) {
    if (filenameColumn >= 0) {
        const QString name =
            Decode(fields.texts[static_cast<size_t>(kFirstValuePosition + filenameColumn)], code);
        if (const QString why = NameGate::Refusal(name); !name.isEmpty() && !why.isEmpty()) {
            ++list.refusedRows;
            WriteLog(QStringLiteral("LoadFileList: Row %1 not listed, its report name is refused (%2): %3")
                         .arg(lineNumber)
                         .arg(why, NameGate::Printable(name)));
            return;
        }
    }
    if (fields.esigned) {
        list.esignedDocuments.append(Decode(fields.position3, code));
    }
    list.rows.Append(fields.texts.data(), static_cast<qsizetype>(fields.texts.size()), code == LineCode::Utf8,
                     fields.dots);
}

} // namespace

QList<QPair<QString, QString>> SplitRecordFields(const QString& line) {
    QList<QPair<QString, QString>> fields;
    ForEachField(QStringView(line), [&fields](int, QStringView key, QStringView value) {
        fields.append({key.toString(), value.toString()});
    });
    return fields;
}

namespace {

// Field keys and the captions the list shows for them; compared without regard to case.
constexpr std::pair<const char16_t*, const char16_t*> kKeyCaptions[] = {
    {u"FirstName", u"First Name"},
    {u"LastName", u"Last Name"},
    {u"DateOfBirth", u"Date of Birth"},
    {u"DateOfVisit", u"Date of Visit"},
    {u"ReportType", u"Report Type"},
    {u"CCDoctorName", u"CC Doctor Name 1"},
    {u"CCDoctorName1", u"CC Doctor Name 2"},
    {u"ReferringPhysicianName", u"Referring Physician Name"},
    {u"AttendingPhysicianName", u"Attending Doctor Name"},
    {u"PatientList", u"Patient Schedule Received"},
    {u"Location", u"Office Location"},
};

} // namespace

QString CaptionForKey(const QString& key) {
    for (const auto& [from, to] : kKeyCaptions) {
        if (key.compare(QStringView(from), Qt::CaseInsensitive) == 0) {
            return QString::fromUtf16(to);
        }
    }
    return key;
}

QString KeyForCaption(const QString& caption) {
    for (const auto& [to, from] : kKeyCaptions) {
        if (caption.compare(QStringView(from), Qt::CaseInsensitive) == 0) {
            return QString::fromUtf16(to);
        }
    }
    return caption;
}

bool IsFieldlessCaption(const QString& caption) {
    static const char16_t* const kFieldless[] = {
        u"",   u"..", u"Sr.#", u"Filename", u"Uploaded Date/Time", u"Transcribed Date/Time", u"Op",
        u"Pr", u"Fa", u"Fo",   u"Es"};
    for (const char16_t* text : kFieldless) {
        if (caption == QStringView(text)) {
            return true;
        }
    }
    return false;
}

int DataColumnWidth(const QString& caption, bool pending) {
    const int length = static_cast<int>(caption.size());
    if (caption.compare(u"MRN", Qt::CaseInsensitive) == 0 ||
        caption.compare(u"SSN", Qt::CaseInsensitive) == 0) {
        return 16 * length;
    }
    if (pending) {
        return 400;
    }
    if (caption.compare(u"filename", Qt::CaseInsensitive) == 0) {
        return 100;
    }
    return 8 * length;
}

ParsedFileList ParseFileList(QIODevice& in, bool pending) {
    ParsedFileList list;
    list.fileFound = true;

    // +1: QIODevice::readLine keeps room for a terminating zero.
    std::vector<char> buffer(static_cast<size_t>(FileListLimits::kMaxLineBytes) + 1);
    LineFields fields;
    qsizetype length = 0;
    qsizetype filenameColumn = -1;
    bool cut = false;
    int lineNumber = 0;
    while (ReadLine(in, buffer, length, cut)) {
        ++lineNumber;
        if (cut) {
            WriteLog(
                QStringLiteral("LoadFileList: Line %1 is longer than %2 bytes; the rest of it is skipped")
                    .arg(lineNumber)
                    .arg(FileListLimits::kMaxLineBytes));
        }
        if (list.rows.Count() >= FileListLimits::kMaxRows) {
            WriteLog(
                QStringLiteral("LoadFileList: The list stops at %1 rows; the rest of the file is not read")
                    .arg(FileListLimits::kMaxRows));
            break;
        }
        if (length == 0) {
            break; // an empty line ends the list
        }
        const QByteArrayView line(buffer.data(), length);
        const LineCode code = CodeOf(line);
        if (!list.hasRecords) {
            list.hasRecords = true;
            BuildColumns(line, code, pending, list);
            filenameColumn = FilenameColumn(list);
            // Rows are about as long as the first, and keep fewer bytes than their lines (no keys,
            // no separators): room reserved once spares the copies of a growing buffer, and the
            // part never written costs no memory.
            if (in.size() > 0) {
                const qint64 estimate = in.size() / (length + 1) + in.size() / (length + 1) / 8 + 16;
                list.rows.Reserve(static_cast<qsizetype>(qMin<qint64>(estimate, FileListLimits::kMaxRows)),
                                  static_cast<qsizetype>(qMin<qint64>(in.size(), kMaxReservedBytes)));
            }
        }
        if (ReadFields(line, list.dataColumns.size(), fields)) {
            AcceptRow(fields, code, filenameColumn, lineNumber, list);
        }
    }
    list.rows.Squeeze();
    return list;
}

ParsedFileList ParseFileListFile(const QString& path, bool pending) {
    QFile file(path);
    if (!file.exists()) {
        return {};
    }
    if (!file.open(QIODevice::ReadOnly)) {
        ParsedFileList list;
        list.fileFound = true;
        return list;
    }
    return ParseFileList(file, pending);
}
