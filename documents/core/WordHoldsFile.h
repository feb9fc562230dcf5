#pragma once

#include <QString>

// LibreOffice's lock file for path: ".~lock." + file name + "#" in the same folder.
QString OfficeLockFilePath(const QString& path);

// True when a word processor has the document open: LibreOffice's lock file lies beside it,
// or another process holds a POSIX lock on the file. The monitor polls this; the engine will
// not overwrite a file for which it is true.
bool WordHoldsFile(const QString& path);
