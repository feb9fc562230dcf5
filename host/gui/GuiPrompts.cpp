#include "host/gui/GuiPrompts.h"

#include "host/core/GuiThread.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QThread>

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<int, QMessageBox::StandardButton>, 5> kButtons = {{
    {Prompts::Ok, QMessageBox::Ok},
    {Prompts::Cancel, QMessageBox::Cancel},
    {Prompts::Yes, QMessageBox::Yes},
    {Prompts::No, QMessageBox::No},
    {Prompts::Retry, QMessageBox::Retry},
}};

QMessageBox::Icon ToQt(Prompts::Icon icon) {
    switch (icon) {
    case Prompts::Icon::Information:
        return QMessageBox::Information;
    case Prompts::Icon::Warning:
        return QMessageBox::Warning;
    case Prompts::Icon::Error:
        return QMessageBox::Critical;
    case Prompts::Icon::Question:
        return QMessageBox::Question;
    case Prompts::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

GuiPrompts::GuiPrompts(QObject* parent) : QObject(parent) {}

int GuiPrompts::Show(const Box& box) {
    int answer = Cancel;
    RunOnGuiThread([&] { answer = ShowHere(box); });
    return answer;
}

Prompts::CredentialAnswer GuiPrompts::AskCredentials(const QString& url, const QString& realm, bool proxy,
                                                     Credentials& credentials) {
    CredentialAnswer answer = CredentialAnswer::Cancel;
    RunOnGuiThread([&] { answer = AskHere(url, realm, proxy, credentials); });
    return answer;
}

int GuiPrompts::ShowHere(const Box& box) {
    QMessageBox::StandardButtons buttons;
    for (const auto& [ours, qt] : kButtons) {
        if (box.buttons & ours) {
            buttons |= qt;
        }
    }
    if (buttons == QMessageBox::NoButton) {
        buttons = QMessageBox::Ok;
    }
    QMessageBox message(ToQt(box.icon), box.title, box.text, buttons, QApplication::activeWindow());
    message.setObjectName(QStringLiteral("PromptBox"));
    const int pressed = message.exec();
    for (const auto& [ours, qt] : kButtons) {
        if (pressed == qt) {
            return ours;
        }
    }
    return (box.buttons & Cancel) ? Cancel : Ok;
}

Prompts::CredentialAnswer GuiPrompts::AskHere(const QString& url, const QString& realm, bool proxy,
                                              Credentials& credentials) {
    CredentialDialog dialog(url, realm, proxy, QApplication::activeWindow());
    dialog.UserEdit()->setText(credentials.user);
    if (dialog.exec() != QDialog::Accepted) {
        return CredentialAnswer::Cancel;
    }
    credentials.user = dialog.UserEdit()->text();
    credentials.password = dialog.PasswordEdit()->text();
    return CredentialAnswer::Retry;
}

CredentialDialog::CredentialDialog(const QString& url, const QString& realm, bool proxy, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("CredentialDialog"));
    setWindowTitle(proxy ? QStringLiteral("Proxy Authentication") : QStringLiteral("Server Authentication"));
    QString text = proxy ? QStringLiteral("The proxy for %1 asks for a user name and password.").arg(url)
                         : QStringLiteral("The server %1 asks for a user name and password.").arg(url);
    if (!realm.isEmpty()) {
        text += QStringLiteral("\nRealm: ") + realm;
    }
    prompt_ = new QLabel(text, this);
    prompt_->setWordWrap(true);
    prompt_->setTextFormat(Qt::PlainText);
    user_ = new QLineEdit(this);
    user_->setObjectName(QStringLiteral("userEdit"));
    user_->setAccessibleName(QStringLiteral("User name"));
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("passwordEdit"));
    password_->setAccessibleName(QStringLiteral("Password"));
    password_->setEchoMode(QLineEdit::Password);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* form = new QFormLayout(this);
    form->addRow(prompt_);
    form->addRow(QStringLiteral("&User name:"), user_);
    form->addRow(QStringLiteral("&Password:"), password_);
    form->addRow(buttons);
}
