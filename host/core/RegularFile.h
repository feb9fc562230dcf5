#pragma once

#include <QString>

// Opens path for reading only, and only when it is a regular file: never a folder, a device
// (/dev/zero would be read forever) or a pipe (whose open would wait for a writer), and never a
// path holding a NUL. Answers the descriptor (close it) or -1.
int OpenRegularFileForReading(const QString& path);
