#include "transport/HttpUrl.h"
#include "tests/transport/TransportTestSupport.h"
#include "transport/CHttp.h"

#include <gtest/gtest.h>

namespace {

TEST(HttpUrl, AddressWithoutSchemeIsStoredWithHttpInFront) {
    CHttp http;
    ASSERT_EQ(http.SetURL(QStringLiteral("reports.example.org/qm_search.php?loginid=12")), 1);
    EXPECT_EQ(http.URL(), QStringLiteral("http://reports.example.org/qm_search.php?loginid=12"));
    EXPECT_EQ(http.ServerName(), QStringLiteral("reports.example.org"));
    EXPECT_EQ(http.ObjectPath(), QStringLiteral("/qm_search.php?loginid=12"));
    EXPECT_EQ(http.Port(), 80);
    EXPECT_FALSE(http.UsesTls());
}

TEST(HttpUrl, UnparsableAddressIsRefusedAndLogged) {
    CHttp http;
    EXPECT_EQ(http.SetURL(QStringLiteral("http://")), 0);
    EXPECT_EQ(http.GetErrorText(), QStringLiteral("Incorrect URL."));
    EXPECT_TRUE(
        TodayLog().contains(QStringLiteral(" : Incorrect URL. in SetURL, Url =http://http:// LastError =")))
        << TodayLog().toStdString();
    // A later step fails for a URL that never parsed.
    EXPECT_EQ(http.OpenInternetSession(), 0);
    EXPECT_TRUE(http.GetErrorText().startsWith(QStringLiteral("Failed in call to InternetConnect, Error:3")));

    for (const char* bad : {"http://host:0/", "http://host:65536/", "http://host:/x", "ftp://host/x",
                            "http://ho st/x", "http://[::1/x"}) {
        EXPECT_EQ(http.SetURL(QString::fromLatin1(bad)), 0) << bad;
    }
}

TEST(HttpUrl, SecureFlagDecidesPortAndTls) {
    CHttp http;
    ASSERT_EQ(http.SetURL(QStringLiteral("http://127.0.0.1:8080/qm_statusupdate.php")), 1);
    EXPECT_EQ(http.Port(), 8080);
    EXPECT_FALSE(http.UsesTls());
    http.SetSecure(true);
    EXPECT_EQ(http.Port(), 443);
    EXPECT_TRUE(http.UsesTls());
    http.SetSecure(false);
    EXPECT_EQ(http.Port(), 80);
    EXPECT_FALSE(http.UsesTls());
    // A new address starts from its own port and scheme again.
    ASSERT_EQ(http.SetURL(QStringLiteral("https://127.0.0.1:8443/x")), 1);
    EXPECT_EQ(http.Port(), 8443);
    EXPECT_TRUE(http.UsesTls());
    ASSERT_EQ(http.SetURL(QStringLiteral("HTTPS://server/x")), 1);
    EXPECT_EQ(http.Port(), 443);
}

TEST(HttpUrl, HostForms) {
    const auto withUser = ParseHttpUrl(QStringLiteral("http://user:pw@host.example:81?a=1"));
    ASSERT_TRUE(withUser.has_value());
    EXPECT_EQ(withUser->host, QStringLiteral("host.example"));
    EXPECT_EQ(withUser->port, 81);
    EXPECT_EQ(withUser->objectPath, QStringLiteral("/?a=1"));
    const auto v6 = ParseHttpUrl(QStringLiteral("http://[::1]:8080/desk.php"));
    ASSERT_TRUE(v6.has_value());
    EXPECT_EQ(v6->host, QStringLiteral("[::1]"));
    EXPECT_EQ(v6->port, 8080);
}

TEST(HttpUrl, OnlyWhatAUrlCannotCarryIsEncoded) {
    EXPECT_EQ(EncodeForWire("/qm_search.php?txtDemographicValue=Jane Doe&cps=A~B|C&p=50%&x=#1"),
              QByteArray("/qm_search.php?txtDemographicValue=Jane%20Doe&cps=A~B|C&p=50%&x=%231"));
    EXPECT_EQ(EncodeForWire("/a?n=J\xc3\xa9\t\x7f"), QByteArray("/a?n=J%C3%A9%09%7F"));
    EXPECT_EQ(EncodeForWire("/a?[x]={y}^`\"<>\\"), QByteArray("/a?[x]={y}^`\"<>\\"));
}

} // namespace
