#include "server/QueryString.h"

#include "server/TextUtil.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
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

// More pieces than any script takes; the rest of an absurd query is ignored.
constexpr std::size_t kMaxItems = 256;

} // namespace

std::string PercentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

QueryString::QueryString(std::string_view raw) {
    std::size_t start = 0;
    while (start <= raw.size() && items_.size() < kMaxItems) {
        std::size_t end = raw.find('&', start);
        if (end == std::string_view::npos) {
            end = raw.size();
        }
        const std::string_view piece = raw.substr(start, end - start);
        if (!piece.empty()) {
            const std::size_t eq = piece.find('=');
            if (eq == std::string_view::npos) {
                items_.emplace_back(PercentDecode(piece), std::string());
            } else {
                items_.emplace_back(PercentDecode(piece.substr(0, eq)), PercentDecode(piece.substr(eq + 1)));
            }
        }
        start = end + 1;
    }
}

std::string QueryString::Value(std::string_view key) const {
    for (const auto& [name, value] : items_) {
        if (Text::EqualsNoCase(name, key)) {
            return value;
        }
    }
    return {};
}

bool QueryString::Has(std::string_view key) const {
    for (const auto& item : items_) {
        if (Text::EqualsNoCase(item.first, key)) {
            return true;
        }
    }
    return false;
}
