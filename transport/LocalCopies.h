#pragma once

#include <QString>

// Which local documents this desk may use again without fetching them: only the copies it wrote
// itself in this run (a download, or an edit it still owes the server). Anything else found in
// its folder is fetched afresh, so a planted or left-over file is never signed, shown or printed.
// Kept per process; the window forgets them all when it empties the folder.
namespace LocalCopies {

// What a copy is of: a report, or an earlier version of one (both live in TempFolder, and a
// version must never stand in for the report of the same name).
enum class Kind { Report, Version };

// path was just written by this desk.
void Remember(const QString& path, Kind kind = Kind::Report);
// True when path is a copy this desk wrote, of this kind, and it is still there.
bool Reusable(const QString& path, Kind kind = Kind::Report);
void Forget(const QString& path);
void ForgetAll();

} // namespace LocalCopies
