#pragma once

#include <QByteArrayView>
#include <QtGlobal>

// The tokens of an RTF source, read one at a time, and the word lists the engine looks words up
// in. Shared by the parser and the engine's edits, which both walk the source.
namespace rtf {

inline bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

struct Token {
    enum Kind { Open, Close, Word, Hex, Symbol, Text, Skip } kind;
    qsizetype end;
    QByteArrayView word;
    int param = 0;
    bool hasParam = false;
    char symbol = 0;
};

// Reads the token at i (i < n); plain text is returned one byte at a time.
Token ReadToken(const char* d, qsizetype n, qsizetype i);

// Destinations whose text is not part of the main text.
bool IsHiddenDestination(QByteArrayView w);

// The document protection words.
bool IsProtectionWord(QByteArrayView w);

} // namespace rtf
