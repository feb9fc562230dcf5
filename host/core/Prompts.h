#pragma once

#include <QString>

// The one way the desk talks to the user through message boxes and the credential dialog.
// The GUI installs an implementation that shows QMessageBox on the GUI thread (marshalled
// from worker threads); tests install a double that records what was shown and answers
// from a script.
class Prompts {
public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum Button { Ok = 0x1, Cancel = 0x2, Yes = 0x4, No = 0x8, Retry = 0x10 };

    struct Box {
        QString text;
        QString title = QStringLiteral("Molve");
        Icon icon = Icon::Information;
        int buttons = Ok;
    };

    // What the credential dialog answered: Retry resends the request with the typed
    // credentials, Cancel lets the caller read the refusal.
    enum class CredentialAnswer { Retry, Cancel };
    struct Credentials {
        QString user;
        QString password;
    };

    virtual ~Prompts() = default;

    // Shows the box modally and returns the button pressed.
    virtual int Show(const Box& box) = 0;
    // Asks for a user name and password for url (realm as the server gave it).
    virtual CredentialAnswer AskCredentials(const QString& url, const QString& realm, bool proxy,
                                            Credentials& credentials) = 0;

    // The installed implementation; a console fallback when none is installed.
    static Prompts& Get();
    // Installs p (not owned); nullptr restores the fallback.
    static void Install(Prompts* p);

    // Shorthands for the common boxes, all titled "Molve" unless told otherwise.
    static int Information(const QString& text, const QString& title = QStringLiteral("Molve"));
    static int Error(const QString& text, const QString& title = QStringLiteral("Molve"));
    static int Plain(const QString& text, const QString& title = QStringLiteral("Molve"));
};
