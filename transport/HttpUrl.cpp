#include "transport/HttpUrl.h"

namespace {

constexpr int kMaxPort = 65535;
constexpr int kMaxPortDigits = 5;

bool IsSchemeChar(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') ||
           c == QLatin1Char('-') || c == QLatin1Char('.');
}

bool IsHostChar(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') ||
           c == QLatin1Char('.') || c == QLatin1Char('_');
}

} // namespace

std::optional<HttpUrlParts> ParseHttpUrl(const QString& url) {
    const qsizetype schemeEnd = url.indexOf(QStringLiteral("://"));
    if (schemeEnd <= 0) {
        return std::nullopt;
    }
    const QString scheme = url.left(schemeEnd);
    for (const QChar c : scheme) {
        if (!IsSchemeChar(c)) {
            return std::nullopt;
        }
    }
    HttpUrlParts parts;
    if (scheme.compare(QStringLiteral("https"), Qt::CaseInsensitive) == 0) {
        parts.httpsScheme = true;
        parts.port = 443;
    } else if (scheme.compare(QStringLiteral("http"), Qt::CaseInsensitive) != 0) {
        return std::nullopt;
    }

    const qsizetype authorityStart = schemeEnd + 3;
    qsizetype authorityEnd = authorityStart;
    while (authorityEnd < url.size() && url.at(authorityEnd) != QLatin1Char('/') &&
           url.at(authorityEnd) != QLatin1Char('?')) {
        ++authorityEnd;
    }
    QString authority = url.mid(authorityStart, authorityEnd - authorityStart);
    // User information in the address is not used: credentials come from the dialog.
    const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
    if (at >= 0) {
        authority = authority.mid(at + 1);
    }

    QString portText;
    if (authority.startsWith(QLatin1Char('['))) {
        const qsizetype close = authority.indexOf(QLatin1Char(']'));
        if (close < 2) {
            return std::nullopt;
        }
        parts.host = authority.left(close + 1);
        for (const QChar c : authority.mid(1, close - 1)) {
            if (!(c.isDigit() || (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f')) ||
                  c == QLatin1Char(':') || c == QLatin1Char('.'))) {
                return std::nullopt;
            }
        }
        const QString rest = authority.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':'))) {
                return std::nullopt;
            }
            portText = rest.mid(1);
            if (portText.isEmpty()) {
                return std::nullopt;
            }
        }
    } else {
        const qsizetype colon = authority.indexOf(QLatin1Char(':'));
        parts.host = colon >= 0 ? authority.left(colon) : authority;
        if (colon >= 0) {
            portText = authority.mid(colon + 1);
            if (portText.isEmpty()) {
                return std::nullopt;
            }
        }
        if (parts.host.isEmpty()) {
            return std::nullopt;
        }
        for (const QChar c : parts.host) {
            if (!IsHostChar(c)) {
                return std::nullopt;
            }
        }
    }
    if (!portText.isEmpty()) {
        if (portText.size() > kMaxPortDigits) {
            return std::nullopt;
        }
        int port = 0;
        for (const QChar c : portText) {
            if (!c.isDigit() || c.unicode() > 0x7f) {
                return std::nullopt;
            }
            port = port * 10 + (c.unicode() - '0');
        }
        if (port <= 0 || port > kMaxPort) {
            return std::nullopt;
        }
        parts.port = static_cast<std::uint16_t>(port);
    }

    parts.objectPath = url.mid(authorityEnd);
    if (!parts.objectPath.startsWith(QLatin1Char('/'))) {
        parts.objectPath.prepend(QLatin1Char('/'));
    }
    return parts;
}

QByteArray EncodeForWire(const QByteArray& pathAndQuery) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(pathAndQuery.size());
    for (const char ch : pathAndQuery) {
        const auto b = static_cast<unsigned char>(ch);
        if (b <= 0x20 || b >= 0x7f || b == '#') {
            out.append('%');
            out.append(kHex[b >> 4]);
            out.append(kHex[b & 0x0f]);
        } else {
            out.append(ch);
        }
    }
    return out;
}
