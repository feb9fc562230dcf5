#include "server/TextUtil.h"

namespace Text {

namespace {
char LowerChar(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
} // namespace

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = LowerChar(c);
    }
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerChar(a[i]) != LowerChar(b[i])) {
            return false;
        }
    }
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool ContainsNoCase(std::string_view text, std::string_view part) {
    return Lower(text).find(Lower(part)) != std::string::npos;
}

std::string Trim(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return std::string(text.substr(begin, end - begin));
}

std::vector<std::string> Split(std::string_view text, char delimiter, std::size_t maxPieces) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (pieces.size() + 1 < maxPieces) {
        const std::size_t at = text.find(delimiter, start);
        if (at == std::string_view::npos) {
            break;
        }
        pieces.emplace_back(text.substr(start, at - start));
        start = at + 1;
    }
    pieces.emplace_back(text.substr(start));
    return pieces;
}

std::vector<std::string> SplitTrimmed(std::string_view text, char delimiter, std::size_t maxPieces) {
    std::vector<std::string> pieces;
    for (const std::string& piece : Split(text, delimiter, maxPieces)) {
        std::string trimmed = Trim(piece);
        if (!trimmed.empty()) {
            pieces.push_back(std::move(trimmed));
        }
    }
    return pieces;
}

std::string ListValue(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '|' || c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return out;
}

std::string WithoutTilde(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '~') {
            c = '-';
        }
    }
    return out;
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace Text
