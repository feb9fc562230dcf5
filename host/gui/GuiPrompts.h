#pragma once

#include "host/core/Prompts.h"

#include <QDialog>
#include <QObject>

class QLabel;
class QLineEdit;

// The desk's message boxes and credential dialog. Boxes are shown on the GUI thread; a worker
// thread that asks waits (blocking queued call) until the user has answered.
class GuiPrompts final : public QObject, public Prompts {
    Q_OBJECT
public:
    // Must be created on the GUI thread.
    explicit GuiPrompts(QObject* parent = nullptr);

    int Show(const Box& box) override;
    CredentialAnswer AskCredentials(const QString& url, const QString& realm, bool proxy,
                                    Credentials& credentials) override;

private:
    int ShowHere(const Box& box);
    CredentialAnswer AskHere(const QString& url, const QString& realm, bool proxy, Credentials& credentials);
};

// User name and password for a server (or proxy) that refused a request.
class CredentialDialog final : public QDialog {
    Q_OBJECT
public:
    CredentialDialog(const QString& url, const QString& realm, bool proxy, QWidget* parent = nullptr);

    QLineEdit* UserEdit() const { return user_; }
    QLineEdit* PasswordEdit() const { return password_; }

private:
    QLabel* prompt_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
};
