#include "documents/core/RtfToken.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace rtf {
namespace {

int HexValue(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

constexpr int kMaxWordLength = 32;
constexpr int kMaxParamDigits = 10;

} // namespace

// Destinations whose text is not part of the main text. Any group naming one of them is
// skipped, as is every group marked with "\*". Every control word is looked up: sorted, so
// that the look-up is a binary search.
bool IsHiddenDestination(QByteArrayView w) {
    // clang-format off
    static constexpr std::array<std::string_view, 62> kHidden = {
        "aftncn", "aftnsep", "aftnsepc", "annotation", "atnauthor", "atnid", "author", "bkmkend",
        "bkmkstart", "colorschememapping", "colortbl", "comment", "datastore", "do", "doccomm", "docvar",
        "filetbl", "fldinst", "fonttbl", "footer", "footerf", "footerl", "footerr", "footnote", "ftncn",
        "ftnsep", "ftnsepc", "generator", "header", "headerf", "headerl", "headerr", "info", "keywords",
        "latentstyles", "listoverridetable", "listtable", "listtext", "nonshppict", "objclass", "objdata",
        "objname", "operator", "pgdsctbl", "pict", "pntext", "pntxta", "pntxtb", "revtbl", "rsidtbl",
        "shpinst", "shprslt", "stylesheet", "subject", "tc", "template", "themedata", "title", "txe",
        "userprops", "xe", "xmlnstbl"};
    // clang-format on
    static_assert(std::is_sorted(kHidden.begin(), kHidden.end()));
    return std::binary_search(kHidden.begin(), kHidden.end(),
                              std::string_view(w.data(), static_cast<size_t>(w.size())));
}

bool IsProtectionWord(QByteArrayView w) {
    return w == "formprot" || w == "revprot" || w == "annotprot" || w == "readprot" || w == "enforceprot" ||
           w == "protlevel";
}

// Reads the token at i (i < n); plain text is returned one byte at a time.
Token ReadToken(const char* d, qsizetype n, qsizetype i) {
    const char c = d[i];
    if (c == '{') {
        return {Token::Open, i + 1, {}};
    }
    if (c == '}') {
        return {Token::Close, i + 1, {}};
    }
    if (c != '\\') {
        return {Token::Text, i + 1, {}};
    }
    qsizetype p = i + 1;
    if (p >= n) {
        return {Token::Skip, n, {}};
    }
    if (IsLetter(d[p])) {
        const qsizetype ws = p;
        while (p < n && IsLetter(d[p]) && p - ws < kMaxWordLength) {
            ++p;
        }
        Token t{Token::Word, p, QByteArrayView(d + ws, p - ws)};
        bool negative = false;
        if (p < n && d[p] == '-' && p + 1 < n && IsDigit(d[p + 1])) {
            negative = true;
            ++p;
        }
        long long value = 0;
        int digits = 0;
        while (p < n && IsDigit(d[p]) && digits < kMaxParamDigits) {
            value = value * 10 + (d[p] - '0');
            ++p;
            ++digits;
        }
        if (digits > 0) {
            t.hasParam = true;
            value = std::clamp(negative ? -value : value, -2147483647LL, 2147483647LL);
            t.param = static_cast<int>(value);
        }
        if (p < n && d[p] == ' ') {
            ++p;
        }
        t.end = p;
        return t;
    }
    if (d[p] == '\'') {
        // Only hex digits belong to it: a brace after "\'" still opens or closes a group.
        const int hi = p + 1 < n ? HexValue(d[p + 1]) : -1;
        const int lo = hi >= 0 && p + 2 < n ? HexValue(d[p + 2]) : -1;
        Token t{Token::Hex, p + 1 + (hi >= 0 ? 1 : 0) + (lo >= 0 ? 1 : 0), {}};
        t.param = (hi < 0 || lo < 0) ? -1 : hi * 16 + lo;
        return t;
    }
    Token t{Token::Symbol, p + 1, {}};
    t.symbol = d[p];
    return t;
}

} // namespace rtf
