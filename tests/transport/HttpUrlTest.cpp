#include "transport/HttpUrl.h"
#include "tests/transport/TransportTestSupport.h"
#include "transport/CHttp.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(HttpUrl, UnparsableAddressIsRefusedAndLogged) {
    CHttp http;
    EXPECT_EQ(http.SetURL(u"http://"_s), 0);
    EXPECT_EQ(http.GetErrorText(), u"Incorrect URL."_s);
    EXPECT_TRUE(TodayLog().contains(u" : Incorrect URL. in SetURL, Url =http://http:// LastError ="_s))
        << TodayLog().toStdString();
    // A later step fails for a URL that never parsed.
    EXPECT_EQ(http.OpenInternetSession(), 0);
    EXPECT_TRUE(http.GetErrorText().startsWith(u"Failed in call to InternetConnect, Error:3"_s));

    for (const char* bad : {"http://host:0/", "http://host:65536/", "http://host:/x", "ftp://host/x",
                            "http://ho st/x", "http://[::1/x"}) {
        EXPECT_EQ(http.SetURL(QString::fromLatin1(bad)), 0) << bad;
    }
}

TEST(HttpUrl, AddressGivesHostPathPortAndTlsUntilSetSecureDecides) {
    const struct {
        QString url;
        QString stored, host, path;
        int port;
        bool tls;
    } cases[] = {
        {u"reports.example.org/qm_search.php?loginid=12"_s,
         u"http://reports.example.org/qm_search.php?loginid=12"_s, u"reports.example.org"_s,
         u"/qm_search.php?loginid=12"_s, 80, false},
        {u"http://user:pw@host.example:81?a=1"_s, {}, u"host.example"_s, u"/?a=1"_s, 81, false},
        {u"http://[::1]:8080/desk.php"_s, {}, u"[::1]"_s, u"/desk.php"_s, 8080, false},
        {u"https://127.0.0.1:8443/x"_s, {}, u"127.0.0.1"_s, u"/x"_s, 8443, true},
        {u"HTTPS://server/x"_s, {}, u"server"_s, u"/x"_s, 443, true},
    };
    for (const auto& c : cases) {
        CHttp http;
        ASSERT_EQ(http.SetURL(c.url), 1) << c.url.toStdString();
        EXPECT_EQ(http.URL(), c.stored.isEmpty() ? c.url : c.stored);
        EXPECT_EQ(http.ServerName(), c.host);
        EXPECT_EQ(http.ObjectPath(), c.path);
        EXPECT_EQ(http.Port(), c.port);
        EXPECT_EQ(http.UsesTls(), c.tls);
        // SetSecure replaces the URL's port and scheme either way.
        http.SetSecure(true);
        EXPECT_TRUE(http.Port() == 443 && http.UsesTls());
        http.SetSecure(false);
        EXPECT_TRUE(http.Port() == 80 && !http.UsesTls());
    }
}

TEST(HttpUrl, OnlyWhatAUrlCannotCarryIsEncoded) {
    EXPECT_EQ(EncodeForWire("/qm_search.php?txtDemographicValue=Jane Doe&cps=A~B|C&p=50%&x=#1"),
              QByteArray("/qm_search.php?txtDemographicValue=Jane%20Doe&cps=A~B|C&p=50%&x=%231"));
    EXPECT_EQ(EncodeForWire("/a?n=J\xc3\xa9\t\x7f"), QByteArray("/a?n=J%C3%A9%09%7F"));
    EXPECT_EQ(EncodeForWire("/a?[x]={y}^`\"<>\\"), QByteArray("/a?[x]={y}^`\"<>\\"));
}

} // namespace
