#include "tests/support/PromptsDouble.h"

#include <QMutexLocker>

int PromptsDouble::Show(const Box& box) {
    QMutexLocker lock(&mutex_);
    shown_.append(box);
    if (!answers_.isEmpty()) {
        return answers_.dequeue();
    }
    return (box.buttons & Ok) ? Ok : ((box.buttons & Yes) ? Yes : Cancel);
}

Prompts::CredentialAnswer PromptsDouble::AskCredentials(const QString&, const QString&, bool,
                                                        Credentials& credentials) {
    QMutexLocker lock(&mutex_);
    ++credentialRequests_;
    if (credentialReplies_.isEmpty()) {
        return CredentialAnswer::Cancel;
    }
    const CredentialReply reply = credentialReplies_.dequeue();
    credentials = reply.credentials;
    return reply.answer;
}

void PromptsDouble::QueueAnswer(int button) {
    QMutexLocker lock(&mutex_);
    answers_.enqueue(button);
}

void PromptsDouble::QueueCredentials(CredentialReply reply) {
    QMutexLocker lock(&mutex_);
    credentialReplies_.enqueue(std::move(reply));
}

QList<Prompts::Box> PromptsDouble::Shown() const {
    QMutexLocker lock(&mutex_);
    return shown_;
}

QStringList PromptsDouble::ShownTexts() const {
    QMutexLocker lock(&mutex_);
    QStringList texts;
    for (const Box& b : shown_) {
        texts.append(b.text);
    }
    return texts;
}

int PromptsDouble::CredentialRequests() const {
    QMutexLocker lock(&mutex_);
    return credentialRequests_;
}

void PromptsDouble::Clear() {
    QMutexLocker lock(&mutex_);
    shown_.clear();
    answers_.clear();
    credentialReplies_.clear();
    credentialRequests_ = 0;
}

PromptsDouble& PromptsDouble::Current() {
    static PromptsDouble instance;
    return instance;
}
