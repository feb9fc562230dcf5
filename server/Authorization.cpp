#include "server/Authorization.h"

#include "server/TextUtil.h"

namespace {

std::string Base64(const std::string& text) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < text.size(); i += 3) {
        const auto n = (static_cast<unsigned>(static_cast<unsigned char>(text[i])) << 16) |
                       (static_cast<unsigned>(static_cast<unsigned char>(text[i + 1])) << 8) |
                       static_cast<unsigned>(static_cast<unsigned char>(text[i + 2]));
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += kAlphabet[(n >> 6) & 63];
        out += kAlphabet[n & 63];
    }
    if (i < text.size()) {
        auto n = static_cast<unsigned>(static_cast<unsigned char>(text[i])) << 16;
        if (i + 1 < text.size()) {
            n |= static_cast<unsigned>(static_cast<unsigned char>(text[i + 1])) << 8;
        }
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += i + 1 < text.size() ? kAlphabet[(n >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

} // namespace

bool Authorized(const std::string& required, const std::string& authorizationHeader) {
    if (required.empty()) {
        return true;
    }
    const std::string given = Text::Trim(authorizationHeader);
    return Text::StartsWithNoCase(given, "Basic ") && Text::Trim(given.substr(6)) == Base64(required);
}
