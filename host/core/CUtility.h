#pragma once

#include "host/core/Shell.h"

#include <QString>
#include <QStringList>

#include <memory>

// Small stateless helpers every subsystem uses. (Once a class made on the stack at each use;
// it holds no state, so it is a namespace.)
namespace CUtility {

// Splits source at delim and appends the pieces to out; returns the number of
// delimiters found (0 adds nothing: callers that want the whole text as one piece test
// for the delimiter first). The search for the next delimiter resumes one character past
// the end of the previous one, so of two adjacent one-character delimiters the second is
// not seen ("a||b" gives "a" and "|b"). Pieces that are not empty are trimmed (a piece of
// blanks becomes an empty text); empty pieces are skipped; out is not emptied first.
int SplitString(const QString& source, const QString& delim, QStringList& out);

// Creates path and every missing parent, each private to the user (mode 0700); errors are
// ignored.
void CreateFolderPath(const QString& path);
// True when path names an existing file or folder (never for a path holding a NUL).
bool FileExists(const QString& path);
// $XDG_DATA_HOME/velmo/ (default ~/.local/share/velmo/), always ending in "/".
QString ProfileFolder();
// This desk's own working folder under ProfileFolder() + "Temp/" (see DeskFolder).
QString TempFolder();
// Starts file with parameters as its one argument, never split (the converter's
// "in|out" text may hold blanks); an empty text passes no argument. The program outlives
// the returned handle. Null when it could not be started.
std::unique_ptr<ProgramHandle> RunProgram(const QString& file, const QString& parameters);
// Same-length scramble: with raise set, the characters go +2, -2, +2, ... (8-bit,
// wrapping); with it clear the pattern starts by lowering, which undoes the former.
QByteArray CredentialScramble(const QByteArray& text, bool raise);
QString CredentialScramble(const QString& text, bool raise);
} // namespace CUtility
