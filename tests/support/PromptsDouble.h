#pragma once

#include "host/core/Prompts.h"

#include <QList>
#include <QMutex>
#include <QQueue>

// Records every box and credential request and answers from a script (Ok / Cancel when the
// script is empty). Installed by the test main for every test; tests reach it via
// PromptsDouble::Current().
class PromptsDouble final : public Prompts {
public:
    struct CredentialReply {
        CredentialAnswer answer = CredentialAnswer::Cancel;
        Credentials credentials;
    };

    int Show(const Box& box) override;
    CredentialAnswer AskCredentials(const QString& url, const QString& realm, bool proxy,
                                    Credentials& credentials) override;

    // Answers for the next boxes, in order.
    void QueueAnswer(int button);
    void QueueCredentials(CredentialReply reply);

    QList<Box> Shown() const;
    QStringList ShownTexts() const;
    int CredentialRequests() const;
    void Clear();

    static PromptsDouble& Current();

private:
    mutable QMutex mutex_;
    QList<Box> shown_;
    QQueue<int> answers_;
    QQueue<CredentialReply> credentialReplies_;
    int credentialRequests_ = 0;
};
