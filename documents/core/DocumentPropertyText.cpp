#include "documents/core/DocumentPropertyText.h"

#include "documents/core/RtfDocument.h"

#include <algorithm>
#include <cctype>

namespace {

const QByteArray kPropName = QByteArrayLiteral("{\\propname");
const QByteArray kStaticVal = QByteArrayLiteral("{\\staticval");
// A name or value group longer than this is no demographic: the document is taken as broken there.
constexpr qsizetype kMaxGroup = 64 * 1024;

// The brace that closes the group opening at start, past escaped braces and nested groups; -1
// when it does not close within limit bytes.
qsizetype GroupEnd(const QByteArray& rtf, qsizetype start, qsizetype limit = kMaxGroup) {
    int depth = 0;
    const qsizetype end = std::min(rtf.size(), start + limit);
    for (qsizetype i = start; i < end; ++i) {
        const char c = rtf.at(i);
        if (c == '\\') {
            ++i; // the escaped character, or the first of a control word: never a group brace
        } else if (c == '{') {
            ++depth;
        } else if (c == '}' && --depth == 0) {
            return i;
        }
    }
    return -1;
}

// Where the group opening with the control word stands, from `from` on: the word whole, so that
// a longer word ("{\staticvalx") is not taken for it; -1 when absent.
qsizetype FindWord(const QByteArray& rtf, const QByteArray& word, qsizetype from) {
    for (qsizetype at = rtf.indexOf(word, from); at >= 0; at = rtf.indexOf(word, at + 1)) {
        const qsizetype after = at + word.size();
        if (after >= rtf.size() || !std::isalpha(static_cast<unsigned char>(rtf.at(after)))) {
            return at;
        }
    }
    return -1;
}

// The value group of the property whose name group closes at nameEnd: the group right after it,
// past blanks and its \proptypeN; -1 when the property has none (another property's value is
// not its).
qsizetype ValueOf(const QByteArray& rtf, qsizetype nameEnd) {
    qsizetype i = nameEnd + 1;
    for (;;) {
        while (i < rtf.size() && std::isspace(static_cast<unsigned char>(rtf.at(i)))) {
            ++i;
        }
        if (!QByteArrayView(rtf).sliced(i).startsWith("\\proptype")) {
            break;
        }
        i += 9;
        while (i < rtf.size() && (std::isdigit(static_cast<unsigned char>(rtf.at(i))) || rtf.at(i) == '-')) {
            ++i;
        }
    }
    return FindWord(rtf, kStaticVal, i) == i ? i : -1;
}

// The document's own \ansicpgN and \ucN from its header, as the words to read a value with:
// its code page for \'hh bytes, the count of stand-in characters after a \uN.
QByteArray DocumentSettings(const QByteArray& rtf) {
    const QByteArrayView head = QByteArrayView(rtf).first(std::min<qsizetype>(rtf.size(), 4096));
    QByteArray words;
    for (const QByteArrayView word : {QByteArrayView("\\ansicpg"), QByteArrayView("\\uc")}) {
        const qsizetype at = head.indexOf(word);
        qsizetype end = at < 0 ? at : at + word.size();
        while (end >= 0 && end < head.size() && end < at + word.size() + 5 && head.at(end) >= '0' &&
               head.at(end) <= '9') {
            ++end;
        }
        if (at >= 0 && end > at + word.size()) {
            words += head.sliced(at, end - at).toByteArray();
        }
    }
    return words;
}

// The text of a name or value group's content, every escape undone, read by the document
// model itself so that both agree on what RTF means.
QString Unescape(const QByteArray& raw, const QByteArray& settings) {
    return RtfDocument("{\\rtf1" + settings + ' ' + raw + '}').MainText();
}

// Where a new user-property group goes when the document has none: after the information group
// when there is one, else after the colour or font table, else after "{\rtf1".
qsizetype PlaceForNewGroup(const QByteArray& rtf) {
    for (const char* group : {"{\\info", "{\\colortbl", "{\\fonttbl"}) {
        const qsizetype start = rtf.indexOf(group);
        const qsizetype end = start < 0 ? -1 : GroupEnd(rtf, start, rtf.size());
        if (end >= 0) {
            return end + 1;
        }
    }
    const qsizetype rtfWord = rtf.indexOf("{\\rtf");
    if (rtfWord < 0) {
        return std::min<qsizetype>(1, rtf.size());
    }
    qsizetype i = rtfWord + 5;
    while (i < rtf.size() && rtf.at(i) >= '0' && rtf.at(i) <= '9') {
        ++i;
    }
    // Past the word's delimiting blank, which would otherwise become text.
    return i < rtf.size() && rtf.at(i) == ' ' ? i + 1 : i;
}

} // namespace

namespace DocumentPropertyText {

QByteArray Escape(const QString& text) {
    // A \u's stand-in count is the document's (\uc2 in East Asian reports): the value sets its own.
    const bool wide = std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x80; });
    return (wide ? QByteArrayLiteral("\\uc1 ") : QByteArray()) + RtfDocument::Escape(text);
}

void Read(const QByteArray& rtf, QStringList& names, QStringList& values) {
    const QByteArray settings = DocumentSettings(rtf);
    for (qsizetype start = FindWord(rtf, kPropName, 0); start >= 0;) {
        const qsizetype nameEnd = GroupEnd(rtf, start);
        if (nameEnd < 0) {
            return;
        }
        const qsizetype nameStart = start + kPropName.size();
        names.append(Unescape(rtf.mid(nameStart, nameEnd - nameStart), settings).trimmed());
        const qsizetype valueAt = ValueOf(rtf, nameEnd);
        const qsizetype valueEnd = valueAt < 0 ? -1 : GroupEnd(rtf, valueAt);
        if (valueEnd < 0) {
            values.append(QStringLiteral(" "));
            return;
        }
        const qsizetype valueStart = valueAt + kStaticVal.size();
        values.append(Unescape(rtf.mid(valueStart, valueEnd - valueStart), settings).trimmed());
        start = FindWord(rtf, kPropName, valueEnd);
    }
}

void Write(QByteArray& rtf, const QString& name, const QString& value) {
    const QByteArray escapedName = Escape(name);
    const QByteArray valueGroup = QByteArrayLiteral("{\\staticval ") + Escape(value);
    // Names match without regard to case: positions come from a lower-case copy.
    QByteArray lower = rtf.toLower();
    auto replaceValue = [&](const QByteArray& propertyName) {
        // The name without regard to case; the control word as RTF spells it (in lower case).
        const QByteArray needle = ("{\\propname " + propertyName + '}').toLower();
        qsizetype at = lower.indexOf(needle);
        while (at >= 0 && !QByteArrayView(rtf).sliced(at).startsWith(kPropName)) {
            at = lower.indexOf(needle, at + 1);
        }
        const qsizetype valueAt = at < 0 ? -1 : ValueOf(rtf, at + needle.size() - 1);
        const qsizetype close = valueAt < 0 ? -1 : GroupEnd(rtf, valueAt);
        if (close < 0) {
            return false;
        }
        rtf.replace(valueAt, close - valueAt, valueGroup);
        lower.replace(valueAt, close - valueAt, valueGroup.toLower());
        return true;
    };
    if (replaceValue(escapedName)) {
        replaceValue(escapedName + "_alias");
        return;
    }
    const QByteArray property = "{\\propname " + escapedName + "}\\proptype30" + valueGroup + '}';
    // After the last property's value, inside its group; a document without one gets a group.
    qsizetype last = -1;
    for (qsizetype at = FindWord(rtf, kPropName, 0); at >= 0; at = FindWord(rtf, kPropName, at + 1)) {
        last = at;
    }
    const qsizetype lastName = last < 0 ? -1 : GroupEnd(rtf, last);
    const qsizetype lastValue = lastName < 0 ? -1 : ValueOf(rtf, lastName);
    const qsizetype lastEnd = lastValue < 0 ? -1 : GroupEnd(rtf, lastValue);
    if (lastEnd >= 0) {
        rtf.insert(lastEnd + 1, property);
    } else {
        rtf.insert(PlaceForNewGroup(rtf), "{\\*\\userprops" + property + '}');
    }
}

} // namespace DocumentPropertyText
