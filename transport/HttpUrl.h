#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// A request URL split the way the client connects: scheme, host, port (the scheme's default
// when none is named) and the object path with its query string.
struct HttpUrlParts {
    bool httpsScheme = false;
    QString host;
    std::uint16_t port = 80;
    QString objectPath; // always starts with "/"
};

// Splits "scheme://host[:port][/path][?query]"; only http and https are understood. Empty on
// anything else (no scheme, empty host, bad port, blanks in the host).
std::optional<HttpUrlParts> ParseHttpUrl(const QString& url);

// Callers insert query values unescaped, and the server expects them that way. Only what a
// URL cannot carry at all is encoded here: blanks, control bytes, bytes above 0x7E and "#"
// (which would otherwise cut the query off as a fragment) become %XX; every other byte,
// including "%", "|" and "~", goes out as it stands.
QByteArray EncodeForWire(const QByteArray& pathAndQuery);
