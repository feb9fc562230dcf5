#include "host/core/CIniFile.h"
#include "host/core/CUtility.h"
#include "host/core/FileChecksum.h"
#include "tests/support/Files.h"
#include "tests/support/Watchdog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

TEST(SplitString, DelimiterQuirks) {
    const struct {
        const char* source;
        const char* delim;
        int found;
        QStringList pieces; // added after what the list already held
    } cases[] = {
        // No delimiter, or nothing but blanks: nothing is added.
        {"12~Provider One", "|", 0, {}},
        // Pieces are trimmed; a trailing or leading delimiter adds no empty piece.
        {" x | y |", "|", 2, {"x", "y"}},
        // A blank piece becomes an empty text.
        {"a| |b", "|", 2, {"a", "", "b"}},
        // The second of two adjacent delimiters is not seen and stays in the next piece.
        {"a||b", "|", 1, {"a", "|b"}},
        // A longer delimiter: the search resumes one character past its end.
        {"a~~~~~~b", "~~", 2, {"a", "~", "~b"}},
    };
    for (const auto& c : cases) {
        QStringList pieces{"old"};
        EXPECT_EQ(CUtility::SplitString(c.source, c.delim, pieces), c.found) << c.source;
        EXPECT_EQ(pieces, QStringList{"old"} + c.pieces) << c.source;
    }
}

TEST(RunProgram, PassesOneUnsplitParameterAndTheProgramOutlivesItsHandle) {
    const QTemporaryDir dir;
    const QString script =
        WriteFile(dir.filePath(QStringLiteral("a folder/wait then write.sh")),
                  "while [ ! -e \"$(dirname \"$0\")/go\" ]; do sleep 0.02; done; touch \"$0.done\"\n");
    ASSERT_NE(CUtility::RunProgram(QStringLiteral("sh"), script), nullptr); // handle dropped at once
    QFile(QFileInfo(script).path() + QStringLiteral("/go")).open(QIODevice::WriteOnly);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(script + QStringLiteral(".done")); }, 10000));
}

// A device reads forever and a pipe waits for a writer: neither may hold the desk.
TEST(FileChecksum, Crc32OfARegularFileAndZeroForAnythingElseOrALockedFile) {
    using namespace std::chrono_literals;
    QTemporaryDir dir;
    WriteFile(dir.filePath("check"), "123456789");
    // Larger than one 102,400-byte read block: the blocks must chain.
    WriteFile(dir.filePath("million"), QByteArray(1000000, 'a'));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath("pipe.doc")).constData(), 0600), 0);
    const std::pair<const char*, quint32> cases[] = {
        {"check", 0xCBF43926u}, {"million", 0xDC25BFBCu}, {"", 0u},
        {"missing", 0u},        {"/dev/zero", 0u},        {"pipe.doc", 0u}};
    const Watchdog guard("FileChecksum of a device or a pipe", 30s);
    for (const auto& [name, sum] : cases) {
        EXPECT_EQ(FileChecksum(QDir(dir.path()).filePath(name)), sum) << name; // "": the folder
    }
    // Zero while another holder locks the file for writing.
    // An open-file-description lock conflicts with the checksum's probe even inside one
    // process, so it stands in for the word processor holding the document.
    const QString doc = dir.filePath("check");
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

class IniFile : public ::testing::Test {
protected:
    void SetUp() override {
        ini.SetFile(path);
        ini.SetSection("Locations");
    }
    int Read() { return ini.ReadSection(keys, values); }

    QTemporaryDir dir;
    QString path = dir.filePath("PhysicianLocationCombo.ini");
    CIniFile ini;
    QStringList keys{"stale"};
    QStringList values{"stale"};
};

TEST_F(IniFile, KeepsWriteOrderReplacesInPlaceDeletesAndIgnoresCase) {
    EXPECT_EQ(Read(), 0); // no file yet
    EXPECT_TRUE(keys.isEmpty() && values.isEmpty());
    ini.SetSection("Other");
    ini.WriteValue("12", "elsewhere");
    ini.SetSection("Locations");
    ini.WriteValue("12", "3~North Clinic");
    ini.WriteValue("15", "4~South Clinic");
    ini.WriteValue("9", "5~East");
    ini.WriteValue("15", "6~West");
    ini.WriteValue("url", "http://x/?a=b");
    ini.SetSection("LOCATIONS");
    ini.WriteValue("URL", "http://y/");
    ini.WriteValue("9", QString(), true);
    ini.SetSection("locations");
    ASSERT_EQ(Read(), 3);
    EXPECT_EQ(keys.join(',').toLower(), "12,15,url"); // either spelling of a key is the key
    EXPECT_EQ(values, (QStringList{"3~North Clinic", "6~West", "http://y/"}));
}

TEST_F(IniFile, SectionBufferHoldsOnly1024Bytes) {
    // "kNN=" + 46 characters and a zero byte: with the closing zero, 20 entries use 1021 bytes.
    for (int i = 0; i < 20; ++i) {
        ini.WriteValue(QStringLiteral("k%1").arg(i, 2, 10, QLatin1Char('0')), QString(46, 'v'));
    }
    ini.WriteValue("x", QString()); // "x=" and its zero fit exactly...
    ini.WriteValue("y", QString()); // ...and nothing after it does
    ini.WriteValue("z", "1");
    ASSERT_EQ(Read(), 21);
    EXPECT_EQ(keys.last(), "x");
    // The entries were written, only not seen: with room made, they appear.
    ini.WriteValue("k00", QString(), true);
    ASSERT_EQ(Read(), 22);
    EXPECT_EQ(keys.mid(19), (QStringList{"x", "y", "z"}));
}

} // namespace
