#include "host/core/FileChecksum.h"
#include "tests/host/HostTestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

TEST(FileChecksum, KnownContents) {
    QTemporaryDir dir;
    const QString check = dir.path() + QStringLiteral("/check");
    hosttest::WriteFile(check, "123456789");
    EXPECT_EQ(FileChecksum(check), 0xCBF43926u);

    // Larger than one 102,400-byte read block: the blocks must chain.
    const QString million = dir.path() + QStringLiteral("/million");
    hosttest::WriteFile(million, QByteArray(1000000, 'a'));
    EXPECT_EQ(FileChecksum(million), 0xDC25BFBCu);

    // A changed byte changes the sum.
    QByteArray edited(1000000, 'a');
    edited[500000] = 'b';
    hosttest::WriteFile(million, edited);
    EXPECT_NE(FileChecksum(million), 0xDC25BFBCu);
}

TEST(FileChecksum, ZeroForEmptyFileFolderAndMissingFile) {
    QTemporaryDir dir;
    const QString empty = dir.path() + QStringLiteral("/empty");
    hosttest::WriteFile(empty, QByteArray());
    EXPECT_EQ(FileChecksum(empty), 0u);
    EXPECT_EQ(FileChecksum(dir.path()), 0u);
    EXPECT_EQ(FileChecksum(dir.path() + QStringLiteral("/missing")), 0u);
    EXPECT_EQ(FileChecksum(QString()), 0u);
}

TEST(FileChecksum, ZeroWhileAnotherHolderLocksTheFileForWriting) {
    QTemporaryDir dir;
    const QString doc = dir.path() + QStringLiteral("/report.doc");
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
