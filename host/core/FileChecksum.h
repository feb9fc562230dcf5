#pragma once

#include <QString>
#include <cstdint>

// CRC-32 (zlib's) of a file's bytes, read through a read-only descriptor. 0 for anything but a
// regular file (a folder, a device, a pipe), a missing file, a path holding a NUL, a file that
// cannot be opened, or one another process holds a write lock on; an empty file gives 0 as well.
std::uint32_t FileChecksum(const QString& path);
