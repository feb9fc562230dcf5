#include "transport/ZipLibrary.h"
#include "tests/transport/TransportTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <zip.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct Entry {
    std::string name;
    std::string data;
    bool symlink = false;
};

std::vector<std::string> g_reported;
int Record(const char* name) {
    g_reported.emplace_back(name);
    return static_cast<int>(std::string(name).size() + 1);
}

class ZipLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        dest_ = dir_.filePath(u"root/dest/"_s);
        ASSERT_TRUE(QDir().mkpath(dest_));
        g_reported.clear();
    }
    QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    // Builds an archive with libzip directly, so that it may hold names no honest zipper writes.
    QString MakeArchive(const char* name, const std::vector<Entry>& entries) const {
        int error = 0;
        zip_t* archive = zip_open(Path(name).toLocal8Bit().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        for (const Entry& entry : entries) {
            zip_source_t* source = zip_source_buffer(archive, entry.data.data(), entry.data.size(), 0);
            const zip_int64_t index = zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8);
            if (entry.symlink) {
                zip_file_set_external_attributes(archive, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                                 (0120777u) << 16);
            }
        }
        EXPECT_TRUE(archive != nullptr && zip_close(archive) == 0);
        return Path(name);
    }
    QTemporaryDir dir_;
    QString dest_;
};

// The uploads zip and the downloads unpack real documents; here only the names and the failures.
TEST_F(ZipLibrary, ZipNameReplacesTheExtensionAndNothingToPackOrUnpackWritesNothing) {
    // A dot in a folder name is not the file's extension.
    EXPECT_EQ(ZipPathFor(u"/p/Temp/R1.v2.doc"_s), u"/p/Temp/R1.v2.zip"_s);
    EXPECT_EQ(ZipPathFor(u"/home/u/.local/R1"_s), u"/home/u/.local/R1.zip"_s);
    // Nothing to zip, or nothing to unpack: nothing is written.
    EXPECT_EQ(BasicZip(Path("none.doc"), Path("none.zip")), 0);
    EXPECT_FALSE(QFileInfo::exists(Path("none.zip")));
    ASSERT_TRUE(WriteAll(Path("ZipFile"), "*The report service is busy.*"));
    DocumentDownloadNameBuffer().Zero();
    ASSERT_TRUE(QDir().mkpath(Path("other")));
    EXPECT_EQ(Unzip(Path("ZipFile"), Path("other/"), &DocumentDownloadNameCallback), 0);
    EXPECT_TRUE(DocumentDownloadNameBuffer().Text().isEmpty());
    EXPECT_TRUE(QDir(Path("other")).isEmpty());
}

// Entries that escape the folder, and names the desk refuses (an option, a hidden or lock file, a
// control character), are not unpacked.
TEST_F(ZipLibrary, EntriesThatEscapeTheFolderAreRefused) {
    const std::vector<Entry> entries{{"../escape.txt", "out"},
                                     {"sub/../../../deep.txt", "out"},
                                     {"/abs.txt", "out"},
                                     {"C:evil.txt", "out"},
                                     {"link", "/etc/passwd", true},
                                     {"ok.txt", "fine"},
                                     {"..\\back.txt", "out"},
                                     {"-rf", "out"},
                                     {".~lock.R1.doc#", "out"},
                                     {"sub/.hidden", "out"},
                                     {"R1\n.doc", "out"}};
    EXPECT_EQ(Unzip(MakeArchive("slip.zip", entries), dest_, &Record), 1);
    EXPECT_EQ(g_reported, std::vector<std::string>{"ok.txt"});
    EXPECT_EQ(ReadAll(dest_ + u"ok.txt"_s), QByteArray("fine"));
    for (const char* outside : {"root/escape.txt", "deep.txt", "root/back.txt", "root/dest/link"}) {
        EXPECT_FALSE(QFileInfo::exists(Path(outside))) << outside;
    }
    EXPECT_FALSE(QFileInfo::exists(u"/abs.txt"_s));
}

// An entry in a subfolder is unpacked there and reported with it; each caller family keeps the
// last name in its own buffer of at most 511 bytes.
TEST_F(ZipLibrary, EachCallerFamilyKeepsTheLastNameInItsOwnBuffer) {
    PleaseWaitNameBuffer().Zero();
    DownloadFilesNameBuffer().Zero();
    const QString zip = MakeArchive("many.zip", {{"a.txt", "A"}, {"dir/", ""}, {"dir/inner.txt", "I"}});
    EXPECT_EQ(Unzip(zip, dest_, &DownloadFilesNameCallback), 2);
    EXPECT_EQ(ReadAll(dest_ + u"dir/inner.txt"_s), QByteArray("I"));
    EXPECT_EQ(DownloadFilesNameBuffer().Text(), u"dir/inner.txt"_s);
    EXPECT_TRUE(PleaseWaitNameBuffer().Text().isEmpty());
    UnzipNameBuffer buffer;
    buffer.Zero();
    EXPECT_EQ(buffer.Store(std::string(600, 'n').c_str()), 512);
    EXPECT_EQ(buffer.Text(), QString(511, QLatin1Char('n')));
}

TEST_F(ZipLibrary, OneArchiveUnpacksABoundedNumberOfEntries) {
    std::vector<Entry> entries;
    for (int i = 0; i < kMaxUnzipEntries + 5; ++i) {
        entries.push_back({"f" + std::to_string(i), "x"});
    }
    EXPECT_EQ(Unzip(MakeArchive("flood.zip", entries), dest_, nullptr), kMaxUnzipEntries);
    EXPECT_FALSE(QFileInfo::exists(dest_ + u"f"_s + QString::number(kMaxUnzipEntries)));
    EXPECT_TRUE(TodayLog().contains(u"Unzip: too many entries"_s));
}

} // namespace
