#include "host/core/RegularFile.h"

#include "host/core/NameGate.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int OpenRegularFileForReading(const QString& path) {
    QByteArray native;
    if (!NameGate::NativePath(path, native)) {
        return -1;
    }
    // Non-blocking so that opening a pipe returns at once; the type is checked on what was opened.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    // Reads of a regular file never block; the flag goes so that the descriptor behaves plainly.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    return fd;
}
