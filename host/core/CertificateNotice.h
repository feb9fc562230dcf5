#pragma once

#include <QString>

// What the user hears when the report server's certificate could not be verified and a request
// was therefore not sent: one message per action, however many of its requests were refused,
// shown from the GUI thread.
namespace CertificateNotice {

inline const QString kText =
    QStringLiteral("The report server's certificate could not be verified. Nothing was sent.");

// A request was refused for its server's certificate (any thread). The first refusal of an
// action shows kText (on the GUI thread, as every message box is).
void Refused();
// A new action begins (a command of the window, a report the word processor let go of): its
// first refusal is shown again.
void BeginAction();
// Whether the last request started on this thread was refused for the certificate (what an edit
// that could not be sent says when it is offered again).
bool LastRequestRefused();
// A request starts on this thread.
void RequestStarted();

} // namespace CertificateNotice
