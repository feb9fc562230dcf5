#include "transport/HttpUrl.h"
#include "tests/transport/TransportTestSupport.h"
#include "transport/CHttp.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

TEST(HttpUrl, AddressWithoutSchemeIsStoredWithHttpInFront) {
    CHttp http;
    ASSERT_EQ(http.SetURL(u"reports.example.org/qm_search.php?loginid=12"_s), 1);
    EXPECT_EQ(http.URL(), u"http://reports.example.org/qm_search.php?loginid=12"_s);
    EXPECT_EQ(http.ServerName(), u"reports.example.org"_s);
    EXPECT_EQ(http.ObjectPath(), u"/qm_search.php?loginid=12"_s);
    EXPECT_EQ(http.Port(), 80);
    EXPECT_FALSE(http.UsesTls());
}

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

TEST(HttpUrl, SecureFlagDecidesPortAndTls) {
    CHttp http;
    ASSERT_EQ(http.SetURL(u"http://127.0.0.1:8080/qm_statusupdate.php"_s), 1);
    EXPECT_EQ(http.Port(), 8080);
    EXPECT_FALSE(http.UsesTls());
    http.SetSecure(true);
    EXPECT_EQ(http.Port(), 443);
    EXPECT_TRUE(http.UsesTls());
    http.SetSecure(false);
    EXPECT_EQ(http.Port(), 80);
    EXPECT_FALSE(http.UsesTls());
    // A new address starts from its own port and scheme again.
    ASSERT_EQ(http.SetURL(u"https://127.0.0.1:8443/x"_s), 1);
    EXPECT_EQ(http.Port(), 8443);
    EXPECT_TRUE(http.UsesTls());
    ASSERT_EQ(http.SetURL(u"HTTPS://server/x"_s), 1);
    EXPECT_EQ(http.Port(), 443);
}

TEST(HttpUrl, HostForms) {
    const auto withUser = ParseHttpUrl(u"http://user:pw@host.example:81?a=1"_s);
    ASSERT_TRUE(withUser.has_value());
    EXPECT_EQ(withUser->host, u"host.example"_s);
    EXPECT_EQ(withUser->port, 81);
    EXPECT_EQ(withUser->objectPath, u"/?a=1"_s);
    const auto v6 = ParseHttpUrl(u"http://[::1]:8080/desk.php"_s);
    ASSERT_TRUE(v6.has_value());
    EXPECT_EQ(v6->host, u"[::1]"_s);
    EXPECT_EQ(v6->port, 8080);
}

TEST(HttpUrl, OnlyWhatAUrlCannotCarryIsEncoded) {
    EXPECT_EQ(EncodeForWire("/qm_search.php?txtDemographicValue=Jane Doe&cps=A~B|C&p=50%&x=#1"),
              QByteArray("/qm_search.php?txtDemographicValue=Jane%20Doe&cps=A~B|C&p=50%&x=%231"));
    EXPECT_EQ(EncodeForWire("/a?n=J\xc3\xa9\t\x7f"), QByteArray("/a?n=J%C3%A9%09%7F"));
    EXPECT_EQ(EncodeForWire("/a?[x]={y}^`\"<>\\"), QByteArray("/a?[x]={y}^`\"<>\\"));
}

} // namespace
