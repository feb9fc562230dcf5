#pragma once

#include <QString>
#include <QStringList>

// Which report servers the desk talks to. A link or a host page names the server; the desk
// goes there only when an administrator's AllowedServers lists its host, or, when none is set,
// once the user has agreed to a server the desk has not used before.
namespace ServerGate {

// The host of a web address, lower-case ("reports.example" of "https://Reports.example:8443/x/");
// empty when the text is not an http or https address with a host.
QString HostOf(const QString& url);

// The window's title: "Molve - HOST" for the session's server, "Molve" without one.
QString WindowTitle(const QString& serverUrl);

// ProfileFolder + "KnownServers": one host per line, the servers the user agreed to.
QString KnownServersPath();
bool IsKnown(const QString& host);
// Adds host to the known servers; false (logged) when the file could not be written.
bool Remember(const QString& host);

// The first-contact question, as the user sees it.
QString FirstContactQuestion(const QString& host);

// Whether a session may use serverUrl, asking the user (through Prompts) when needed: true to go
// on; false when the session must end, after the user has been told why (or said No).
// allowed is the administrator's AllowedServers (empty: not set). An empty ServerURL names no
// server and passes (nothing is sent anywhere).
bool Admit(const QString& serverUrl, const QStringList& allowed);

// A host page fetched from the network must come from an allowed server too, when the list is
// set; a local page always may be read. False after telling the user.
bool AdmitPage(const QString& pageLocation, const QStringList& allowed);

// Lines of KnownServers beyond this are not read.
inline constexpr int kMaxKnownServers = 1000;

} // namespace ServerGate
