#include "documents/core/DocumentPropertyStore.h"

#include "documents/core/SafeSave.h"
#include "documents/core/WordHoldsFile.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "host/core/PrivateModes.h"
#include "host/core/Prompts.h"

#include <QFile>

namespace {

const QString kPropName = QStringLiteral("{\\propname");
const QString kStaticVal = QStringLiteral("{\\staticval");

// The file's bytes as text, one character per byte, so that what is not touched is written
// back exactly.
QString BytesAsText(const QByteArray& bytes) {
    return QString::fromLatin1(bytes);
}

// Back to bytes. Values come from the user: a character outside Latin-1 becomes \uN?, and a
// brace or backslash is escaped, because a bare one would break the document's group
// structure.
QByteArray TextAsBytes(const QString& text) {
    return text.toLatin1();
}

QString RtfSafeValue(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (const QChar ch : value) {
        if (ch == u'\\' || ch == u'{' || ch == u'}') {
            out.append(u'\\').append(ch);
        } else if (ch.unicode() > 0xFF) {
            out.append(QStringLiteral("\\u%1?").arg(static_cast<int>(static_cast<int16_t>(ch.unicode()))));
        } else {
            out.append(ch);
        }
    }
    return out;
}

// Where a new user-property group goes when the document has none: after the information
// group when there is one, else after the colour or font table, else after "{\rtf1".
qsizetype PlaceForNewGroup(const QString& lower) {
    for (const QString& group :
         {QStringLiteral("{\\info"), QStringLiteral("{\\colortbl"), QStringLiteral("{\\fonttbl")}) {
        const qsizetype start = lower.indexOf(group);
        if (start < 0) {
            continue;
        }
        int depth = 0;
        for (qsizetype i = start; i < lower.size(); ++i) {
            const QChar c = lower.at(i);
            if (c == u'\\') {
                ++i; // an escaped brace is not a group
            } else if (c == u'{') {
                ++depth;
            } else if (c == u'}' && --depth == 0) {
                return i + 1;
            }
        }
    }
    const qsizetype rtf = lower.indexOf(QStringLiteral("{\\rtf"));
    if (rtf < 0) {
        return 1;
    }
    qsizetype i = rtf + 5;
    while (i < lower.size() && lower.at(i).isDigit()) {
        ++i;
    }
    // Past the word's delimiting blank, which would otherwise become text.
    return i < lower.size() && lower.at(i) == u' ' ? i + 1 : i;
}

} // namespace

QString DocumentPropertyStore::ScratchPath() {
    return CUtility().ProfileFolder() + QStringLiteral("Temp.doc");
}

void DocumentPropertyStore::ReadDocumentProperties(const QString& path, QStringList& names,
                                                   QStringList& values) const {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    QString text;
    // Line by line, joined without the line ends; bounded so a huge file streams through.
    while (!file.atEnd()) {
        QByteArray line = file.readLine(1 << 20);
        while (line.endsWith('\n') || line.endsWith('\r')) {
            line.chop(1);
        }
        text.append(BytesAsText(line));
    }
    qsizetype from = 0;
    for (;;) {
        const qsizetype start = text.indexOf(kPropName, from);
        if (start < 0) {
            return;
        }
        const qsizetype close = text.indexOf(QLatin1Char('}'), start);
        if (close < 0) {
            return;
        }
        names.append(text.mid(start + kPropName.size(), close - start - kPropName.size()).trimmed());
        const qsizetype valueAt = text.indexOf(kStaticVal, start);
        if (valueAt < 0) {
            values.append(QStringLiteral(" "));
            return;
        }
        const qsizetype valueEnd = text.indexOf(QLatin1Char('}'), valueAt);
        const qsizetype valueStart = valueAt + kStaticVal.size();
        values.append(text.mid(valueStart, valueEnd < 0 ? -1 : valueEnd - valueStart).trimmed());
        from = valueAt;
    }
}

int DocumentPropertyStore::WriteDocumentProperties(const QString& path, const QString& list) const {
    CUtility().CreateFolderPath(CUtility().ProfileFolder());
    QFile document(path);
    QFile scratch(ScratchPath());
    if (!document.open(QIODevice::ReadOnly) ||
        !PrivateModes::OpenForWriting(scratch, QIODevice::WriteOnly | QIODevice::Truncate)) {
        return 0;
    }
    char first = 0;
    if (!document.getChar(&first) || first != '{') {
        scratch.close();
        scratch.remove();
        return 0;
    }
    document.seek(0);
    QByteArray bytes;
    static constexpr qint64 kBlock = 4096;
    while (!document.atEnd()) {
        const QByteArray block = document.read(kBlock);
        if (block.isEmpty()) {
            break;
        }
        bytes.append(block);
    }
    document.close();
    QString text = BytesAsText(bytes);
    bytes.clear();
    QString lower = text.toLower();

    auto replaceValue = [&](const QString& propertyName, const QString& value) {
        const qsizetype at = lower.indexOf((QStringLiteral("{\\propname ") + propertyName + u'}').toLower());
        if (at < 0) {
            return false;
        }
        const qsizetype valueAt = lower.indexOf(kStaticVal, at);
        if (valueAt < 0) {
            return false;
        }
        const qsizetype close = lower.indexOf(QLatin1Char('}'), valueAt);
        if (close < 0) {
            return false;
        }
        text.replace(valueAt, close - valueAt, QStringLiteral("{\\staticval ") + value);
        lower = text.toLower();
        return true;
    };

    // A list of one item has no "|": it is still an item (the splitter alone would drop it).
    QStringList items;
    if (list.contains(QLatin1Char('|'))) {
        CUtility().SplitString(list, QStringLiteral("|"), items);
    } else if (!list.trimmed().isEmpty()) {
        items << list.trimmed();
    }
    for (const QString& item : items) {
        const qsizetype tilde = item.indexOf(QLatin1Char('~'));
        const QString name = tilde < 0 ? item : item.left(tilde);
        const QString value = RtfSafeValue(tilde < 0 ? QString() : item.mid(tilde + 1));
        if (replaceValue(name, value)) {
            replaceValue(name + QStringLiteral("_alias"), value);
            continue;
        }
        const QString property = QStringLiteral("{\\propname ") + name +
                                 QStringLiteral("}\\proptype30{\\staticval ") + value + u'}';
        const qsizetype last = lower.lastIndexOf(kPropName);
        const qsizetype groupEnd = last < 0 ? -1 : lower.indexOf(QStringLiteral("}}"), last);
        if (groupEnd >= 0) {
            // After the last property, inside its group.
            text.insert(groupEnd + 1, property);
        } else {
            // No user-property group to join (or a broken one): start one.
            text.insert(PlaceForNewGroup(lower), QStringLiteral("{\\*\\userprops") + property + u'}');
        }
        lower = text.toLower();
    }

    const QByteArray out = TextAsBytes(text);
    const bool written = scratch.write(out) == out.size() && scratch.flush();
    scratch.close();
    Delays::Wait(Delays::Get().afterPropertyWrite);

    auto dropScratch = [&]() {
        scratch.setPermissions(scratch.permissions() | QFileDevice::WriteOwner | QFileDevice::WriteUser);
        scratch.remove();
    };
    if (!written) {
        dropScratch();
        return 0;
    }
    if (WordHoldsFile(path) || !CopyFileAtomically(ScratchPath(), path)) {
        Prompts::Information(path + QStringLiteral(" is open. Please close the document and try again."));
        dropScratch();
        return 0;
    }
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    dropScratch();
    return 1;
}
