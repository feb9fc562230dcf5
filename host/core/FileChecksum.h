#pragma once

#include <QString>
#include <cstdint>

// CRC-32 (zlib's) of a file's bytes. 0 for a folder, a missing file, a file that cannot be
// opened for reading and writing, or one another process holds a write lock on; an empty
// file gives 0 as well.
std::uint32_t FileChecksum(const QString& path);
