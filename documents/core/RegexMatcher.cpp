#include "documents/core/RegexMatcher.h"

namespace {

bool IsHex(QChar c) {
    return c.isDigit() || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool HexRun(const QString& p, qsizetype from, int count) {
    if (from + count > p.size()) {
        return false;
    }
    for (int k = 0; k < count; ++k) {
        if (!IsHex(p.at(from + k))) {
            return false;
        }
    }
    return true;
}

} // namespace

QString RegexMatcher::Translate(const QString& p) {
    // Escapes both engines share keep their meaning; \uhhhh becomes PCRE's \x{hhhh}; a
    // backslash before any other letter is dropped.
    static const QString kShared = QStringLiteral("dDwWsSbBnrtfv");
    QString out;
    out.reserve(p.size() + 8);
    for (qsizetype i = 0; i < p.size(); ++i) {
        const QChar c = p.at(i);
        if (c != u'\\' || i + 1 >= p.size()) {
            out.append(c);
            continue;
        }
        const QChar e = p.at(i + 1);
        if (e.isLetter() && e.unicode() < 0x80) {
            if (kShared.contains(e)) {
                out.append(u'\\').append(e);
            } else if (e == u'x' && HexRun(p, i + 2, 2)) {
                out.append(QStringLiteral("\\x")).append(p.mid(i + 2, 2));
                i += 2;
            } else if (e == u'u' && HexRun(p, i + 2, 4)) {
                out.append(QStringLiteral("\\x{")).append(p.mid(i + 2, 4)).append(u'}');
                i += 4;
            } else if (e == u'c' && i + 2 < p.size() && p.at(i + 2).isLetter()) {
                out.append(QStringLiteral("\\c")).append(p.at(i + 2));
                ++i;
            } else {
                out.append(e);
            }
        } else {
            out.append(u'\\').append(e);
        }
        ++i;
    }
    return out;
}

void RegexMatcher::SetPattern(const QString& pattern) {
    // Lines end at "\r" too: a word processor's paragraph mark.
    expression_ =
        QRegularExpression(QStringLiteral("(*ANYCRLF)") + Translate(pattern),
                           QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
}

RegexMatcher::Match RegexMatcher::Execute(const QString& text) const {
    Match m;
    if (!expression_.isValid()) {
        return m;
    }
    const QRegularExpressionMatch found = expression_.match(text);
    if (found.hasMatch()) {
        m.firstIndex = found.capturedStart();
        m.length = found.capturedLength();
        m.value = found.captured();
    }
    return m;
}

QString FindSignatureStatement(const QString& text, const QStringList& patterns) {
    for (const QString& pattern : patterns) {
        const RegexMatcher::Match m = RegexMatcher(pattern).Execute(text);
        if (m.Found() && !m.value.isEmpty()) {
            return m.value;
        }
    }
    return {};
}
