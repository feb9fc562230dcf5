#pragma once

#include <QString>

// A killed LibreOffice leaves its lock file ".~lock.NAME#" beside the document, and holds no
// POSIX lock on an open RTF, so a lock file alone does not prove the document is still open.
// The lock file names who wrote it: ",USER,HOST,DD.MM.YYYY HH:MM,PROFILE-URL;". When HOST is
// this computer and no soffice.bin of this user runs in that profile, nobody holds the document.
namespace OfficeLockLiveness {

struct LockOwner {
    QString host;
    QString profileUrl; // the user installation of the LibreOffice that wrote the lock
};

// The owner recorded in the lock file; empty fields when it cannot be read or parsed.
LockOwner ReadLock(const QString& lockPath);

// True when a soffice.bin process of this user runs with the profile at profileUrl (one
// started without -env:UserInstallation runs in the default profile under ~/.config).
bool ProfileInUse(const QString& profileUrl);

// True only when the lock file exists and is known to be left over: written on this host by a
// LibreOffice whose profile no running soffice.bin uses. Anything uncertain counts as held.
bool IsStale(const QString& lockPath);

} // namespace OfficeLockLiveness
