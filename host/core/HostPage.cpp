#include "host/core/HostPage.h"

#include "host/core/ControlIdentity.h"

#include <QHash>

namespace HostPage {
namespace {

struct Tag {
    QString name;                                  // lower case; starts with "/" for an end tag
    QList<std::pair<QString, QString>> attributes; // names lower case, values decoded
    qsizetype end = 0;                             // index just past ">"
};

bool IsSpace(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\r') || c == QLatin1Char('\f');
}

enum class TagRead { Tag, NotATag, EndOfText };

// Parses the tag that starts at text[at] == '<'. NotATag: no tag name follows (the caller moves
// on by one character). EndOfText: the tag or one of its quoted values never ends, and, as in a
// browser, it swallows the rest of the page; stopping there keeps the scan linear.
TagRead ReadTag(const QString& text, qsizetype at, Tag& tag) {
    const qsizetype n = text.size();
    qsizetype i = at + 1;
    const qsizetype nameStart = i;
    if (i < n && text.at(i) == QLatin1Char('/')) {
        ++i;
    }
    while (i < n && (text.at(i).isLetterOrNumber() || text.at(i) == QLatin1Char('-') ||
                     text.at(i) == QLatin1Char(':') || text.at(i) == QLatin1Char('_'))) {
        ++i;
    }
    if (i == nameStart || (i == nameStart + 1 && text.at(nameStart) == QLatin1Char('/'))) {
        return TagRead::NotATag;
    }
    tag.name = text.mid(nameStart, i - nameStart).toLower();
    tag.attributes.clear();
    // Each pass consumes at least one character, so the loop ends at the text's end.
    while (i < n) {
        while (i < n && IsSpace(text.at(i))) {
            ++i;
        }
        if (i >= n) {
            break;
        }
        const QChar c = text.at(i);
        if (c == QLatin1Char('>')) {
            tag.end = i + 1;
            return TagRead::Tag;
        }
        if (c == QLatin1Char('/')) {
            ++i;
            continue;
        }
        const qsizetype attrStart = i;
        while (i < n && !IsSpace(text.at(i)) && text.at(i) != QLatin1Char('=') &&
               text.at(i) != QLatin1Char('>') && text.at(i) != QLatin1Char('/')) {
            ++i;
        }
        if (i == attrStart) { // a stray "=": skip it
            ++i;
            continue;
        }
        const QString attrName = text.mid(attrStart, i - attrStart).toLower();
        qsizetype j = i;
        while (j < n && IsSpace(text.at(j))) {
            ++j;
        }
        QString value;
        if (j < n && text.at(j) == QLatin1Char('=')) {
            ++j;
            while (j < n && IsSpace(text.at(j))) {
                ++j;
            }
            if (j < n && (text.at(j) == QLatin1Char('"') || text.at(j) == QLatin1Char('\''))) {
                const QChar quote = text.at(j);
                const qsizetype close = text.indexOf(quote, j + 1);
                if (close < 0) {
                    return TagRead::EndOfText;
                }
                value = text.mid(j + 1, close - j - 1);
                i = close + 1;
            } else {
                const qsizetype valueStart = j;
                while (j < n && !IsSpace(text.at(j)) && text.at(j) != QLatin1Char('>')) {
                    ++j;
                }
                value = text.mid(valueStart, j - valueStart);
                i = j;
            }
        }
        tag.attributes.append({attrName, DecodeEntities(value)});
    }
    return TagRead::EndOfText;
}

QString Attribute(const Tag& tag, QLatin1String name) {
    for (const auto& [key, value] : tag.attributes) {
        if (key == name) {
            return value;
        }
    }
    return {};
}

bool NamesDesk(const Tag& object) {
    QString classId = Attribute(object, QLatin1String("classid")).trimmed();
    if (classId.startsWith(QLatin1String("clsid:"), Qt::CaseInsensitive)) {
        classId = classId.mid(6).trimmed();
    }
    if (classId.startsWith(QLatin1Char('{')) && classId.endsWith(QLatin1Char('}'))) {
        classId = classId.mid(1, classId.size() - 2);
    }
    if (classId.compare(ControlIdentity::kClassId, Qt::CaseInsensitive) == 0) {
        return true;
    }
    for (const auto& attribute : object.attributes) {
        if (attribute.second.contains(ControlIdentity::kProgId, Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

struct ObjectScan {
    bool matched = false;
    QList<std::pair<QString, QString>> params;
};

} // namespace

QString DecodeEntities(const QString& text) {
    if (!text.contains(QLatin1Char('&'))) {
        return text;
    }
    static const QHash<QString, QChar> named = {
        {QStringLiteral("amp"), QLatin1Char('&')},   {QStringLiteral("lt"), QLatin1Char('<')},
        {QStringLiteral("gt"), QLatin1Char('>')},    {QStringLiteral("quot"), QLatin1Char('"')},
        {QStringLiteral("apos"), QLatin1Char('\'')}, {QStringLiteral("nbsp"), QChar(0xA0)},
    };
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('&')) {
            out += c;
            ++i;
            continue;
        }
        // References are short; looking at most 12 characters ahead keeps this linear.
        const qsizetype semi = text.indexOf(QLatin1Char(';'), i + 1);
        if (semi < 0 || semi - i > 12) {
            out += c;
            ++i;
            continue;
        }
        const QString body = text.mid(i + 1, semi - i - 1);
        bool ok = false;
        char32_t code = 0;
        if (body.startsWith(QLatin1Char('#'))) {
            if (body.size() > 1 && (body.at(1) == QLatin1Char('x') || body.at(1) == QLatin1Char('X'))) {
                code = body.mid(2).toUInt(&ok, 16);
            } else {
                code = body.mid(1).toUInt(&ok, 10);
            }
            ok = ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
            if (ok) {
                out += QString::fromUcs4(&code, 1);
            }
        } else if (const auto it = named.constFind(body.toLower()); it != named.constEnd()) {
            ok = true;
            out += it.value();
        }
        if (ok) {
            i = semi + 1;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

Result Parse(const QByteArray& page) {
    const QString text = QString::fromUtf8(page.left(kMaxPageSize));
    const qsizetype n = text.size();

    Result result;
    ObjectScan first;
    bool haveFirst = false;

    // Objects currently open, innermost last; each collects its own params.
    QList<ObjectScan> open;
    qsizetype i = 0;
    while (i < n) {
        const qsizetype lt = text.indexOf(QLatin1Char('<'), i);
        if (lt < 0) {
            break;
        }
        if (text.mid(lt, 4) == QLatin1String("<!--")) {
            const qsizetype close = text.indexOf(QLatin1String("-->"), lt + 4);
            if (close < 0) {
                break;
            }
            i = close + 3;
            continue;
        }
        Tag tag;
        const TagRead read = ReadTag(text, lt, tag);
        if (read == TagRead::EndOfText) {
            break;
        }
        if (read == TagRead::NotATag) {
            i = lt + 1;
            continue;
        }
        i = tag.end;
        if (tag.name == QLatin1String("object")) {
            ObjectScan scan;
            scan.matched = NamesDesk(tag);
            open.append(scan);
        } else if (tag.name == QLatin1String("param") && !open.isEmpty()) {
            ObjectScan& current = open.last();
            const QString name = Attribute(tag, QLatin1String("name"));
            if (!name.isEmpty() && current.params.size() < kMaxParams) {
                current.params.append({name, Attribute(tag, QLatin1String("value"))});
            }
        } else if (tag.name == QLatin1String("/object") && !open.isEmpty()) {
            ObjectScan done = open.takeLast();
            if (done.matched) {
                result.objectFound = true;
                result.objectMatched = true;
                result.params = done.params;
                return result;
            }
            // The first object of the page is the one that opens first; nested ones close
            // before it, so keep the outermost candidate once it closes.
            if (open.isEmpty() && !haveFirst) {
                first = done;
                haveFirst = true;
            }
        }
    }
    // Objects left open at the end of the page still count, outermost first.
    for (const ObjectScan& scan : open) {
        if (scan.matched) {
            result.objectFound = true;
            result.objectMatched = true;
            result.params = scan.params;
            return result;
        }
    }
    if (!haveFirst && !open.isEmpty()) {
        first = open.first();
        haveFirst = true;
    }
    if (haveFirst) {
        result.objectFound = true;
        result.params = first.params;
    }
    return result;
}

} // namespace HostPage
