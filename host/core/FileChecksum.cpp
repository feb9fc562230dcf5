#include "host/core/FileChecksum.h"

#include "host/core/RegularFile.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <zlib.h>

std::uint32_t FileChecksum(const QString& path) {
    const int fd = OpenRegularFileForReading(path);
    if (fd < 0) {
        return 0;
    }
    // Another program (the word processor) holding a lock means the file is not ours to read.
    struct flock probe {};
    probe.l_type = F_RDLCK;
    probe.l_whence = SEEK_SET;
    if (::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK) {
        ::close(fd);
        return 0;
    }
    static constexpr size_t kBlock = 102400;
    auto block = std::make_unique<std::array<unsigned char, kBlock>>();
    uLong crc = crc32(0L, Z_NULL, 0);
    for (;;) {
        const ssize_t n = ::read(fd, block->data(), kBlock);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        crc = crc32(crc, block->data(), static_cast<uInt>(n));
    }
    ::close(fd);
    return static_cast<std::uint32_t>(crc);
}
