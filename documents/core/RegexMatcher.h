#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>

// The desk's patterns are written for a VBScript-style engine: matched without regard to case,
// "^" and "$" at every line, first match only. A backslash before a letter that has no meaning
// there (such as "\T") stands for the letter itself, which PCRE would reject; the pattern is
// translated once when it is set.
class RegexMatcher final {
public:
    struct Match {
        qsizetype firstIndex = -1;
        qsizetype length = 0;
        QString value;
        bool Found() const { return firstIndex >= 0; }
    };

    RegexMatcher() = default;
    explicit RegexMatcher(const QString& pattern) { SetPattern(pattern); }

    void SetPattern(const QString& pattern);
    Match Execute(const QString& text) const;

    // The pattern as PCRE reads it.
    static QString Translate(const QString& vbscriptPattern);

private:
    QRegularExpression expression_;
};

// The first non-empty match of patterns, tried in order, in text; empty when none matches.
QString FindSignatureStatement(const QString& text, const QStringList& patterns);
