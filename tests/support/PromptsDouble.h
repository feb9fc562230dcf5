#pragma once

#include "host/core/Prompts.h"

#include <QList>
#include <QMutex>
#include <QQueue>

// Records every box and credential request and answers from a script (Ok / Cancel when the
// script is empty). Installed by the test main for every test; tests reach it via
// PromptsDouble::Current().
class PromptsDouble final : public Prompts {
    template <class F> auto Locked(F f) const {
        QMutexLocker lock(&mutex_);
        return f();
    }

public:
    struct CredentialReply {
        CredentialAnswer answer = CredentialAnswer::Cancel;
        Credentials credentials;
    };

    int Show(const Box& box) override {
        QMutexLocker lock(&mutex_);
        shown_.append(box);
        if (!answers_.isEmpty()) {
            return answers_.dequeue();
        }
        return (box.buttons & Ok) ? Ok : ((box.buttons & Yes) ? Yes : Cancel);
    }
    CredentialAnswer AskCredentials(const QString&, const QString&, bool, Credentials& credentials) override {
        QMutexLocker lock(&mutex_);
        ++credentialRequests_;
        if (credentialReplies_.isEmpty()) {
            return CredentialAnswer::Cancel;
        }
        const CredentialReply reply = credentialReplies_.dequeue();
        credentials = reply.credentials;
        return reply.answer;
    }

    void QueueAnswer(int button) {
        Locked([&] { answers_.enqueue(button); });
    }
    void QueueCredentials(CredentialReply reply) {
        Locked([&] { credentialReplies_.enqueue(std::move(reply)); });
    }

    QList<Box> Shown() const {
        return Locked([&] { return shown_; });
    }
    QStringList ShownTexts() const {
        QStringList texts;
        for (const Box& b : Shown()) {
            texts.append(b.text);
        }
        return texts;
    }
    int CredentialRequests() const {
        return Locked([&] { return credentialRequests_; });
    }
    void Clear() {
        Locked([&] {
            shown_.clear();
            answers_.clear();
            credentialReplies_.clear();
            credentialRequests_ = 0;
        });
    }

    static PromptsDouble& Current() {
        static PromptsDouble instance;
        return instance;
    }

private:
    mutable QMutex mutex_;
    QList<Box> shown_;
    QQueue<int> answers_;
    QQueue<CredentialReply> credentialReplies_;
    int credentialRequests_ = 0;
};
