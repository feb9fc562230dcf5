#include "host/core/FileChecksum.h"
#include "tests/host/HostTestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

TEST(FileChecksum, Crc32OfTheContentsAndZeroWhenThereIsNoFile) {
    QTemporaryDir dir;
    hosttest::WriteFile(dir.filePath("check"), "123456789");
    // Larger than one 102,400-byte read block: the blocks must chain.
    hosttest::WriteFile(dir.filePath("million"), QByteArray(1000000, 'a'));
    hosttest::WriteFile(dir.filePath("empty"), QByteArray());
    const std::pair<QString, quint32> cases[] = {
        {dir.filePath("check"), 0xCBF43926u}, {dir.filePath("million"), 0xDC25BFBCu},
        {dir.filePath("empty"), 0u},          {dir.path(), 0u},
        {dir.filePath("missing"), 0u},        {QString(), 0u},
    };
    for (const auto& [path, sum] : cases) {
        EXPECT_EQ(FileChecksum(path), sum) << path.toStdString();
    }
}

TEST(FileChecksum, ZeroWhileAnotherHolderLocksTheFileForWriting) {
    QTemporaryDir dir;
    const QString doc = dir.filePath("report.doc");
    hosttest::WriteFile(doc, "123456789");
    // An open-file-description lock conflicts with the checksum's probe even inside one
    // process, so it stands in for the word processor holding the document.
    const int fd = ::open(QFile::encodeName(doc).constData(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &lock), 0);
    EXPECT_EQ(FileChecksum(doc), 0u);
    lock.l_type = F_UNLCK;
    ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &lock), 0);
    EXPECT_EQ(FileChecksum(doc), 0xCBF43926u);
    ::close(fd);
}

} // namespace
