// What goes on the wire before any connection: the address, its encoding, the multipart body and
// the zip archives it carries.
#include "tests/transport/TransportTestSupport.h"
#include "transport/HttpUrl.h"
#include "transport/UploadStream.h"
#include "transport/ZipLibrary.h"
#include "transport/scripts/ServerAnswer.h"

#include <QTemporaryDir>

#include <zip.h>

#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

TEST(HttpUrl, UnparsableAddressIsRefusedAndLogged) {
    CHttp http;
    EXPECT_EQ(http.SetURL(u"http://"_s), 0);
    EXPECT_EQ(http.GetErrorText(), u"Incorrect URL."_s);
    EXPECT_TRUE(TodaysLogText().contains(u" : Incorrect URL. in SetURL, Url =http://http:// LastError ="_s));
    // A later step fails for a URL that never parsed.
    EXPECT_EQ(http.OpenInternetSession(), 0);
    EXPECT_TRUE(http.GetErrorText().startsWith(u"Failed in call to InternetConnect, Error:3"_s));
    for (const char* bad : {"http://host:0/", "http://host:65536/", "http://host:/x", "ftp://host/x",
                            "http://ho st/x", "http://[::1/x"}) {
        EXPECT_EQ(http.SetURL(QString::fromLatin1(bad)), 0) << bad;
    }
}

// Every request is TLS: plain HTTP's port becomes HTTPS's, a port of its own stays, and SetSecure
// (either value) sends to 443.
TEST(HttpUrl, AddressGivesHostPathAndPortUntilSetSecureDecides) {
    const struct {
        QString url, stored, host, path;
        int port;
    } cases[] = {
        {u"reports.example.org/q?id=12"_s, u"http://reports.example.org/q?id=12"_s, u"reports.example.org"_s,
         u"/q?id=12"_s, 443},
        {u"http://user:pw@host.example:81?a=1"_s, {}, u"host.example"_s, u"/?a=1"_s, 81},
        {u"https://127.0.0.1:8443/x"_s, {}, u"127.0.0.1"_s, u"/x"_s, 8443},
        {u"HTTPS://server/x"_s, {}, u"server"_s, u"/x"_s, 443},
    };
    for (const auto& c : cases) {
        CHttp http;
        ASSERT_EQ(http.SetURL(c.url), 1) << c.url.toStdString();
        EXPECT_EQ(http.URL(), c.stored.isEmpty() ? c.url : c.stored);
        EXPECT_EQ(http.ServerName(), c.host);
        EXPECT_EQ(http.ObjectPath(), c.path);
        EXPECT_EQ(http.Port(), c.port) << c.url.toStdString();
        for (const bool secure : {true, false}) {
            http.SetSecure(secure);
            EXPECT_EQ(http.Port(), 443);
        }
    }
}

TEST(HttpUrl, OnlyWhatAUrlCannotCarryIsEncoded) {
    EXPECT_EQ(EncodeForWire("/qm_search.php?txtDemographicValue=Jane Doe&cps=A~B|C&p=50%&x=#1"),
              QByteArray("/qm_search.php?txtDemographicValue=Jane%20Doe&cps=A~B|C&p=50%&x=%231"));
    EXPECT_EQ(EncodeForWire("/a?n=J\xc3\xa9\t\x7f"), QByteArray("/a?n=J%C3%A9%09%7F"));
    EXPECT_EQ(EncodeForWire("/a?[x]={y}^`\"<>\\"), QByteArray("/a?[x]={y}^`\"<>\\"));
}

const QByteArray kB = "0f6b7a5e-1c2d-4e3f-8a9b-0c1d2e3f4a5b";

// Uploads, status and order requests take a "~" anywhere; rename, custom property add, fax
// queue and address book updates only the answer "~" itself.
TEST(ServerAnswer, TheTwoSuccessRules) {
    for (const auto& [text, accepted, confirmed] :
         {std::tuple{"~", true, true}, {"ok~", true, false}, {"~ ", true, false}, {"", false, false}}) {
        const ServerAnswer answer{true, true, QString::fromLatin1(text), {}};
        EXPECT_EQ(answer.Accepted(), accepted) << text;
        EXPECT_EQ(answer.Confirmed(), confirmed) << text;
    }
}

TEST(MultipartBody, PartsAreLaidOutByteForByte) {
    const QList<Multipart::Field> fields{{"loginid", "30"}, {"cps", "Referring Physician~"}};
    EXPECT_EQ(Multipart::BuildFilePart(kB, QByteArray()) + Multipart::BuildFieldParts(kB, fields) +
                  Multipart::Tail(),
              "\r\n--" + kB + "\r\nContent-Disposition: form-data; name=\"loginid\"\r\n\r\n30\r\n--" + kB +
                  "\r\nContent-Disposition: form-data; name=\"cps\"\r\n\r\nReferring Physician~\r\n--" + kB +
                  "--\r\n");
    EXPECT_EQ(Multipart::ContentTypeHeader(kB), "Content-Type: multipart/form-data, boundary=" + kB);
    // The file part comes first and names the full local path; the field parts' CRLF ends its bytes.
    EXPECT_EQ(
        Multipart::BuildFilePart(kB, "/home/u/.local/share/velmo/Temp/R260001.zip"),
        "--" + kB +
            "\r\nContent-Disposition: form-data; name=\"FILE\"; "
            "filename=\"/home/u/.local/share/velmo/Temp/R260001.zip\"\r\nContent-Type: text/html\r\n\r\n");
    const QByteArray boundary = Multipart::MakeBoundary();
    const QRegularExpression uuid(u"^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"_s);
    EXPECT_TRUE(uuid.match(QString::fromLatin1(boundary)).hasMatch()) << boundary.constData();
    EXPECT_NE(boundary, Multipart::MakeBoundary());
}

struct NoEvents final : BodyTransfer::Events {
    void Progressed(int, std::int64_t) override {}
    void Warned(int, const QString&) override {}
};

// The stream hands out exactly the laid-out body, in reads smaller than any piece, and names the
// piece each offset falls in (the upload's failure line depends on it).
TEST(MultipartBody, StreamSendsThePiecesInOrderAndKnowsWhereEachEnds) {
    QTemporaryDir dir;
    const QString file = WriteFile(dir.filePath(u"R1.zip"_s), "0123456789");
    const QList<Multipart::Field> fields{{"loginid", "30"}};
    std::vector<char> buffer(4);
    TransferProgress progress;
    NoEvents events;
    UploadStream stream(buffer, progress, events);
    stream.NewBoundary();
    ASSERT_TRUE(stream.Open(file, fields) && stream.Rewind());
    QByteArray sent;
    char dest[7];
    for (std::optional<std::size_t> n; (n = stream.Read(dest, sizeof dest)) && *n > 0;) {
        sent.append(dest, static_cast<qsizetype>(*n));
    }
    const QByteArray boundary = stream.ContentTypeHeader().split('=').last();
    const QByteArray head = Multipart::BuildFilePart(boundary, file.toUtf8());
    const QByteArray tailStart = head + "0123456789" + Multipart::BuildFieldParts(boundary, fields);
    EXPECT_EQ(sent, tailStart + Multipart::Tail());
    EXPECT_EQ(stream.Total(), static_cast<std::uint64_t>(sent.size()));
    using P = UploadStream::Piece;
    const qsizetype h = head.size(), t = tailStart.size();
    const std::pair<qsizetype, P> pieces[] = {
        {0, P::FileHeader},  {h - 1, P::FileHeader}, {h, P::FileBytes}, {h + 9, P::FileBytes},
        {h + 10, P::Fields}, {t - 1, P::Fields},     {t, P::Tail}};
    for (const auto& [offset, piece] : pieces) {
        EXPECT_EQ(stream.PieceAt(static_cast<std::uint64_t>(offset)), piece) << offset;
    }
}

struct Entry {
    std::string name;
    std::string data;
    bool symlink = false;
};

class ZipLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        dest_ = dir_.filePath(u"root/dest/"_s);
        ASSERT_TRUE(QDir().mkpath(dest_));
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
TEST_F(ZipLibrary, ZipNameNothingToPackOrUnpackAndTheLastNameOfADownload) {
    // A dot in a folder name is not the file's extension.
    EXPECT_EQ(ZipPathFor(u"/p/Temp/R1.v2.doc"_s), u"/p/Temp/R1.v2.zip"_s);
    EXPECT_EQ(ZipPathFor(u"/home/u/.local/R1"_s), u"/home/u/.local/R1.zip"_s);
    // Nothing to zip, or nothing to unpack: nothing is written.
    EXPECT_EQ(BasicZip(Path("none.doc"), Path("none.zip")), 0);
    EXPECT_FALSE(QFileInfo::exists(Path("none.zip")));
    WriteFile(Path("ZipFile"), "*The report service is busy.*");
    ASSERT_TRUE(QDir().mkpath(Path("other")));
    const UnpackedArchive unpacked = UnpackDownload(Path("ZipFile"), Path("other/"));
    EXPECT_TRUE(unpacked.name.isEmpty());
    EXPECT_TRUE(unpacked.DeleteArchive());
    EXPECT_TRUE(QDir(Path("other")).isEmpty());
    // An entry in a subfolder is unpacked there and named with it; a download takes the last name,
    // cut to 511 bytes, and the archive stays until the caller has logged the name.
    const QString zip = MakeArchive("many.zip", {{"a.txt", "A"}, {"dir/", ""}, {"dir/inner.txt", "I"}});
    const UnpackedArchive last = UnpackDownload(zip, dest_);
    EXPECT_EQ(last.name, u"dir/inner.txt"_s);
    EXPECT_EQ(ReadFile(dest_ + u"dir/inner.txt"_s), QByteArray("I"));
    EXPECT_TRUE(QFileInfo::exists(zip));
    EXPECT_TRUE(last.DeleteArchive());
    EXPECT_FALSE(QFileInfo::exists(zip));
    const std::string part(120, 'n');
    const std::string longName = part + "/" + part + "/" + part + "/" + part + "/" + part;
    EXPECT_EQ(UnpackDownload(MakeArchive("long.zip", {{longName, "L"}}), dest_).name,
              QString::fromStdString(longName.substr(0, 511)));
}

// Entries that escape the folder, and names the desk refuses (an option, a hidden or lock file, a
// control character), are not unpacked.
TEST_F(ZipLibrary, EntriesThatEscapeTheFolderAndFloodsAreRefused) {
    std::vector<Entry> entries{{"link", "/etc/passwd", true}};
    for (const char* name : {"../escape.txt", "sub/../../../deep.txt", "/abs.txt", "C:evil.txt",
                             "..\\back.txt", "-rf", ".~lock.R1.doc#", "sub/.hidden", "R1\n.doc"}) {
        entries.push_back({name, "out"});
    }
    entries.push_back({"ok.txt", "fine"});
    EXPECT_EQ(Unzip(MakeArchive("slip.zip", entries), dest_).names, QStringList{u"ok.txt"_s});
    EXPECT_EQ(ReadFile(dest_ + u"ok.txt"_s), QByteArray("fine"));
    for (const char* outside : {"root/escape.txt", "deep.txt", "root/back.txt", "root/dest/link"}) {
        EXPECT_FALSE(QFileInfo::exists(Path(outside))) << outside;
    }
    EXPECT_FALSE(QFileInfo::exists(u"/abs.txt"_s));
    // One archive unpacks a bounded number of entries.
    entries.clear();
    for (int i = 0; i < kMaxUnzipEntries + 5; ++i) {
        entries.push_back({"f" + std::to_string(i), "x"});
    }
    EXPECT_EQ(Unzip(MakeArchive("flood.zip", entries), dest_).Files(), kMaxUnzipEntries);
    EXPECT_FALSE(QFileInfo::exists(dest_ + u"f"_s + QString::number(kMaxUnzipEntries)));
    EXPECT_TRUE(TodaysLogText().contains(u"Unzip: too many entries"_s));
}

} // namespace
