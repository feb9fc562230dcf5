#pragma once

#include <QString>
#include <QStringList>

// Each running desk works in a private folder of its own under ProfileFolder + "Temp/":
// "desk-<process id>-<random>/", made with mode 0700 on first use. A lock on the folder, held
// as long as the process lives, tells other desks that it is in use. So no desk trusts or
// empties what another run left, and closing one desk leaves the others' documents alone.
namespace DeskFolder {

// ProfileFolder() + "Temp/", the parent of every desk's folder.
QString Root();
// This desk's folder, ending in "/". Made (again) when it is missing, for example after the
// window emptied and removed it, or when the profile folder changed.
QString Path();
// The last part of Path(), "desk-<pid>-<random>".
QString Name();
// True when folderName, a folder under Root(), is this desk's or one another running desk holds.
bool IsRunning(const QString& folderName);
// Removes the folders under Root() that belong to desks no longer running, except those named in
// keep (a report the word processor may still hold there); answers how many were removed.
int RemoveLeftovers(const QStringList& keep);
// Removes this desk's folder when nothing is left in it (the window empties it when it closes).
void RemoveIfEmpty();

// At most this many entries of Root() are looked at by one RemoveLeftovers.
inline constexpr int kMaxLeftoversLookedAt = 1000;

} // namespace DeskFolder
