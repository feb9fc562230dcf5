#include "transport/ZipLibrary.h"
#include "tests/transport/TransportTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <zip.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

struct Entry {
    std::string name;
    std::string data;
    bool symlink = false;
};

// Builds an archive with libzip directly, so that it may hold names no honest zipper writes.
bool MakeArchive(const QString& path, const std::vector<Entry>& entries) {
    int error = 0;
    zip_t* archive = zip_open(path.toLocal8Bit().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr) {
        return false;
    }
    for (const Entry& entry : entries) {
        zip_source_t* source = zip_source_buffer(archive, entry.data.data(), entry.data.size(), 0);
        const zip_int64_t index = zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            zip_discard(archive);
            return false;
        }
        if (entry.symlink) {
            zip_file_set_external_attributes(archive, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                             (0120777u) << 16);
        }
    }
    return zip_close(archive) == 0;
}

std::vector<std::string> g_reported;
int Record(const char* name) {
    g_reported.emplace_back(name);
    return static_cast<int>(std::string(name).size() + 1);
}

class ZipLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        dest_ = dir_.filePath(QStringLiteral("root/dest/"));
        ASSERT_TRUE(QDir().mkpath(dest_));
        g_reported.clear();
    }
    QTemporaryDir dir_;
    QString dest_;
};

TEST_F(ZipLibrary, BasicZipThenUnzipGivesTheSameBytesUnderTheFileName) {
    QByteArray content = BigFileBytes(200000); // zero bytes included
    const QString source = dir_.filePath(QStringLiteral("src/R260001.doc"));
    ASSERT_TRUE(WriteAll(source, content));
    const QString zipPath = ZipPathFor(source);
    EXPECT_EQ(zipPath, dir_.filePath(QStringLiteral("src/R260001.zip")));
    ASSERT_EQ(BasicZip(source, zipPath), 1);

    EXPECT_EQ(Unzip(zipPath, dest_, 0, 0, &Record), 1);
    ASSERT_EQ(g_reported.size(), 1u);
    EXPECT_EQ(g_reported.front(), "R260001.doc");
    EXPECT_EQ(ReadAll(dest_ + QStringLiteral("R260001.doc")), content);
    EXPECT_EQ(ReadAll(source), content); // the source is left alone
}

TEST_F(ZipLibrary, ZipPathRule) {
    EXPECT_EQ(ZipPathFor(QStringLiteral("/p/Temp/R1.doc")), QStringLiteral("/p/Temp/R1.zip"));
    EXPECT_EQ(ZipPathFor(QStringLiteral("/p/Temp/R1.v2.doc")), QStringLiteral("/p/Temp/R1.v2.zip"));
    // A dot in a folder name is not the file's extension.
    EXPECT_EQ(ZipPathFor(QStringLiteral("/home/u/.local/Temp/R1")),
              QStringLiteral("/home/u/.local/Temp/R1.zip"));
}

TEST_F(ZipLibrary, EntriesThatEscapeTheFolderAreRefusedAndLogged) {
    const QString zipPath = dir_.filePath(QStringLiteral("slip.zip"));
    ASSERT_TRUE(MakeArchive(zipPath, {{"../escape.txt", "out"},
                                      {"sub/../../../deep.txt", "out"},
                                      {"/abs.txt", "out"},
                                      {"C:evil.txt", "out"},
                                      {"link", "/etc/passwd", true},
                                      {"ok.txt", "fine"},
                                      {"..\\back.txt", "out"}}));
    EXPECT_EQ(Unzip(zipPath, dest_, 0, 0, &Record), 1);
    EXPECT_EQ(g_reported, std::vector<std::string>{"ok.txt"});
    EXPECT_EQ(ReadAll(dest_ + QStringLiteral("ok.txt")), QByteArray("fine"));
    EXPECT_FALSE(QFileInfo::exists(dir_.filePath(QStringLiteral("root/escape.txt"))));
    EXPECT_FALSE(QFileInfo::exists(dir_.filePath(QStringLiteral("deep.txt"))));
    EXPECT_FALSE(QFileInfo::exists(dir_.filePath(QStringLiteral("root/back.txt"))));
    EXPECT_FALSE(QFileInfo::exists(dest_ + QStringLiteral("link")));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/abs.txt")));
    const QString log = TodayLog();
    for (const char* name : {"../escape.txt", "sub/../../../deep.txt", "/abs.txt", "C:evil.txt", "link"}) {
        EXPECT_TRUE(log.contains(QStringLiteral("Unzip: entry refused, ") + QString::fromLatin1(name)))
            << name;
    }
}

TEST_F(ZipLibrary, SeveralFilesReportTheLastNameAndKeepSubfolders) {
    const QString zipPath = dir_.filePath(QStringLiteral("many.zip"));
    ASSERT_TRUE(MakeArchive(zipPath, {{"a.txt", "A"}, {"dir/", ""}, {"dir/inner.txt", "I"}, {"b.txt", "B"}}));
    PleaseWaitNameBuffer().Zero();
    EXPECT_EQ(Unzip(zipPath, dest_, 0, 0, &PleaseWaitNameCallback), 3);
    EXPECT_EQ(PleaseWaitNameBuffer().Text(), QStringLiteral("b.txt"));
    EXPECT_EQ(ReadAll(dest_ + QStringLiteral("dir/inner.txt")), QByteArray("I"));

    ASSERT_TRUE(MakeArchive(zipPath, {{"a.txt", "A"}, {"dir/inner.txt", "I"}}));
    DownloadFilesNameBuffer().Zero();
    Unzip(zipPath, dest_, 0, 0, &DownloadFilesNameCallback);
    EXPECT_EQ(DownloadFilesNameBuffer().Text(), QStringLiteral("dir/inner.txt"));
    // Each caller family has its own buffer.
    EXPECT_EQ(PleaseWaitNameBuffer().Text(), QStringLiteral("b.txt"));
}

TEST_F(ZipLibrary, MissingSourceOrNotAnArchiveWritesNothing) {
    const QString zipPath = dir_.filePath(QStringLiteral("none.zip"));
    EXPECT_EQ(BasicZip(dir_.filePath(QStringLiteral("none.doc")), zipPath), 0);
    EXPECT_FALSE(QFileInfo::exists(zipPath));

    const QString path = dir_.filePath(QStringLiteral("ZipFile"));
    ASSERT_TRUE(WriteAll(path, "*The report service is busy.*"));
    DocumentDownloadNameBuffer().Zero();
    EXPECT_EQ(Unzip(path, dest_, 0, 0, &DocumentDownloadNameCallback), 0);
    EXPECT_TRUE(DocumentDownloadNameBuffer().Text().isEmpty());
    EXPECT_TRUE(QDir(dest_).isEmpty());
}

TEST_F(ZipLibrary, OneArchiveUnpacksABoundedNumberOfEntries) {
    std::vector<Entry> entries;
    for (int i = 0; i < kMaxUnzipEntries + 5; ++i) {
        entries.push_back({"f" + std::to_string(i), "x"});
    }
    const QString zipPath = dir_.filePath(QStringLiteral("flood.zip"));
    ASSERT_TRUE(MakeArchive(zipPath, entries));
    EXPECT_EQ(Unzip(zipPath, dest_, 0, 0, nullptr), kMaxUnzipEntries);
    EXPECT_FALSE(QFileInfo::exists(dest_ + QStringLiteral("f") + QString::number(kMaxUnzipEntries)));
    EXPECT_TRUE(TodayLog().contains(QStringLiteral("Unzip: too many entries")));
}

TEST(UnzipNameBufferTest, KeepsAtMost511BytesAndTheLastName) {
    UnzipNameBuffer buffer;
    buffer.Zero();
    EXPECT_TRUE(buffer.Text().isEmpty());
    const std::string longName(600, 'n');
    EXPECT_EQ(buffer.Store(longName.c_str()), 512);
    EXPECT_EQ(buffer.Text(), QString(511, QLatin1Char('n')));
    EXPECT_EQ(buffer.Store("R260001.doc"), 12);
    EXPECT_EQ(buffer.Text(), QStringLiteral("R260001.doc"));
}

} // namespace
