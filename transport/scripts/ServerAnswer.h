#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class CHttp;

// What a short-answer script brought back: whether a session could be opened at all (when not,
// the desk says nothing), whether the request went out and an answer came back, and the answer.
struct ServerAnswer {
    bool opened = false;
    bool sent = false;
    QString response; // the answer, when sent
    QString raw;      // what the object holds after any attempt: a few scripts read it regardless

    // Uploads, status and order requests: a "~" anywhere in the answer means accepted.
    bool Accepted() const { return AnswerAccepted(response); }
    // Rename, custom property, fax queue and address book updates: only the answer "~" itself.
    bool Confirmed() const { return response == QStringLiteral("~"); }

    static bool AnswerAccepted(const QString& answer) { return answer.contains(QLatin1Char('~')); }
};

// A GET whose answer is kept in memory. secure: either value asks on port 443 (every request is
// TLS; the scripts once sent in the clear say false), none leaves the address's port as it is.
ServerAnswer GetShortAnswer(const QString& url, std::optional<bool> secure);

// A multipart form post whose answer is kept in memory. Made with the script's address (form
// fields cleared, address set, answer kept), so that a caller may still stop before sending;
// fields go in the order they are added, a key given twice goes twice.
class ScriptPost {
public:
    explicit ScriptPost(const QString& url);
    ~ScriptPost();
    ScriptPost(const ScriptPost&) = delete;
    ScriptPost& operator=(const ScriptPost&) = delete;
    ScriptPost(ScriptPost&&) = delete;
    ScriptPost& operator=(ScriptPost&&) = delete;

    // The file sent with the fields (an upload); none for a fields-only post.
    void SetLocalFile(const QString& path);
    void Field(const QString& name, const QString& value);
    void Field(const QString& name, const QByteArray& value);
    // Opens the session (secure as for GetShortAnswer), posts, closes the session.
    ServerAnswer Send(std::optional<bool> secure);

private:
    std::unique_ptr<CHttp> http_;
};
