#pragma once

#include <QString>

#include <optional>

// What a short-answer request brought back: whether a session could be opened at all (when not,
// the desk says nothing), and the answer text.
struct ServerAnswer {
    bool opened = false;
    bool sent = false; // the request went out and an answer came back
    QString response;
};

// A GET whose answer is kept in memory. secure: true forces TLS on 443, false plain HTTP on 80,
// none leaves the port of the address as it is.
ServerAnswer GetShortAnswer(const QString& url, std::optional<bool> secure);
