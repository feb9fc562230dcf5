// What goes on the wire before any connection: the address, its encoding, the multipart body.
#include "tests/transport/TransportTestSupport.h"
#include "transport/CHttp.h"
#include "transport/HttpUrl.h"
#include "transport/MultipartBody.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(HttpUrl, UnparsableAddressIsRefusedAndLogged) {
    CHttp http;
    EXPECT_EQ(http.SetURL(u"http://"_s), 0);
    EXPECT_EQ(http.GetErrorText(), u"Incorrect URL."_s);
    EXPECT_TRUE(TodayLog().contains(u" : Incorrect URL. in SetURL, Url =http://http:// LastError ="_s));
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
        {u"reports.example.org/qm_search.php?loginid=12"_s,
         u"http://reports.example.org/qm_search.php?loginid=12"_s, u"reports.example.org"_s,
         u"/qm_search.php?loginid=12"_s, 443},
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
    const QByteArray boundary = CHttp::MakeBoundary();
    const QRegularExpression uuid(u"^[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}$"_s);
    EXPECT_TRUE(uuid.match(QString::fromLatin1(boundary)).hasMatch()) << boundary.constData();
    EXPECT_NE(boundary, CHttp::MakeBoundary());
}

} // namespace
