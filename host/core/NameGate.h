#pragma once

#include <QByteArray>
#include <QString>

// Names that come from outside the desk (report and job names of a file list or a search,
// version names, the names inside an archive, address-book keys, ids from the host page) become
// file names and path parts. Each is checked once, where it enters, by this one rule.
namespace NameGate {

// Report names are short ids ("R260019", "J260103{STAT4}"); 128 characters leave room for any
// name a server reasonably gives while the longest file name the desk builds from one (the
// word processor's ".~lock." + name + ".doc#") stays well inside the 255 bytes a Linux file name
// may have, for names written in Latin scripts.
inline constexpr qsizetype kMaxNameLength = 128;

// Why name may not be used as a file name: empty when it may. A name is refused when it is
// empty, longer than kMaxNameLength, holds "/", "\", "..", NUL or another control or format
// character, or begins with "-" (an option to the programs it is handed to) or "." (a hidden
// file, the word processor's lock files).
QString Refusal(const QString& name);
inline bool Accepts(const QString& name) {
    return Refusal(name).isEmpty();
}

// name as it may be shown or logged: characters the rule refuses for being invisible or
// controls become U+FFFD, and a name over kMaxNameLength is cut there, with "...".
QString Printable(const QString& name);

// folder + name + suffix when name passes the rule and the result, resolved, lies directly
// inside folder (which ends in "/"); empty otherwise.
QString PathInside(const QString& folder, const QString& name, const QString& suffix = {});

// The bytes of path for a system call, or false when it has none or holds a NUL (which would end
// the path early at the system call while the desk meant a longer one).
bool NativePath(const QString& path, QByteArray& native);

} // namespace NameGate
