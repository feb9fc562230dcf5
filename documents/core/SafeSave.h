#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at path with bytes so that it is never seen half written: the bytes go to
// a new file beside it, are flushed, and that file is renamed over path. The file is private to
// the user (mode 0600), as everything under the profile folder is. False when any step fails;
// path is then unchanged.
bool SaveFileAtomically(const QString& path, const QByteArray& bytes);

// Copies source over target the same way (streamed through a fixed buffer).
bool CopyFileAtomically(const QString& source, const QString& target);
