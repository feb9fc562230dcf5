#include "host/core/HostPage.h"
#include "host/core/HostPageFetch.h"
#include "tests/host/HostTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <httplib.h>

#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

using Params = QList<std::pair<QString, QString>>;

std::pair<QString, QString> P(const char* name, const char* value) {
    return {QString::fromUtf8(name), QString::fromUtf8(value)};
}

TEST(HostPageParse, PicksTheDesksObjectByClassIdAmongSeveral) {
    const QByteArray page = R"(<html><body>
<object classid="clsid:D27CDB6E-AE6D-11cf-96B8-444553540000" id="banner">
  <param name="movie" value="banner.swf">
  <param name="ServerURL" value="http://wrong/">
</object>
<OBJECT ID="VelmoCtrl" CLASSID="CLSID:{5e3d9a41-7c2b-4f86-a1d0-3b9e6c5f2a17}" WIDTH=100% HEIGHT=600>
  <PARAM NAME="ServerURL" VALUE="http://127.0.0.1/">
  <Param Name="LoggedUserId" Value="12">
</OBJECT>
</body></html>)";
    const HostPage::Result r = HostPage::Parse(page);
    EXPECT_TRUE(r.objectFound);
    EXPECT_TRUE(r.objectMatched);
    EXPECT_EQ(r.params, (Params{P("ServerURL", "http://127.0.0.1/"), P("LoggedUserId", "12")}));
}

TEST(HostPageParse, PicksTheObjectThatNamesTheProgId) {
    const QByteArray page = R"(<object data="other.swf"><param name="a" value="1"></object>
<object type="application/x-oleobject" data="progid:velmo.velmoctrl.1">
<param value='Provider One' name='LoggedUserName'/></object>)";
    const HostPage::Result r = HostPage::Parse(page);
    EXPECT_TRUE(r.objectMatched);
    EXPECT_EQ(r.params, Params{P("LoggedUserName", "Provider One")});
}

TEST(HostPageParse, AnyQuotingAndSpacing) {
    const QByteArray page = "<object classid=clsid:5E3D9A41-7C2B-4F86-A1D0-3B9E6C5F2A17>\n"
                            "<param name=ServerURL value=http://host/desk/>\n"
                            "<param\tname = 'SignatureLine'\nvalue = 'Signed by \"Dr. Who\" > today'>\n"
                            "<param name=\"LocationList\" value=\"[12]3~North Clinic|4~South 'B'\">\n"
                            "<param name=\"FromDictationFlag\" value=\"\">\n"
                            "<param name=\"Printprevilage\">\n"
                            "<param value=\"orphan\">\n"
                            "</object>";
    const HostPage::Result r = HostPage::Parse(page);
    EXPECT_EQ(r.params, (Params{P("ServerURL", "http://host/desk/"),
                                P("SignatureLine", "Signed by \"Dr. Who\" > today"),
                                P("LocationList", "[12]3~North Clinic|4~South 'B'"),
                                P("FromDictationFlag", ""), P("Printprevilage", "")}));
}

TEST(HostPageParse, CharacterReferencesAreDecoded) {
    const QByteArray page =
        "<object classid='clsid:5E3D9A41-7C2B-4F86-A1D0-3B9E6C5F2A17'>"
        "<param name='PhysicianList' value='12&#126;Smith &amp; Jones&#x7C;15~O&apos;Brien'>"
        "<param name='SignatureLine' value='&lt;b&gt; &quot;x&quot; &AMP; &nbsp;|&bogus; & &#0; &#xZZ;'>"
        "<param name='LoggedUserName' value='Ren&#233;e M&#xFC;ller &#x1F600;'>"
        "</object>";
    const HostPage::Result r = HostPage::Parse(page);
    ASSERT_EQ(r.params.size(), 3);
    EXPECT_EQ(r.params.at(0).second, QStringLiteral("12~Smith & Jones|15~O'Brien"));
    EXPECT_EQ(r.params.at(1).second,
              QStringLiteral("<b> \"x\" & ") + QChar(0xA0) + QStringLiteral("|&bogus; & &#0; &#xZZ;"));
    EXPECT_EQ(r.params.at(2).second, QStringLiteral("Renée Müller ") + QString::fromUcs4(U"\U0001F600", 1));
}

TEST(HostPageParse, NoMatchingObjectTakesTheFirst) {
    const QByteArray page = R"(<object id="first"><param name="ServerURL" value="http://first/"></object>
<object id="second"><param name="ServerURL" value="http://second/"></object>)";
    const HostPage::Result r = HostPage::Parse(page);
    EXPECT_TRUE(r.objectFound);
    EXPECT_FALSE(r.objectMatched);
    EXPECT_EQ(r.params, Params{P("ServerURL", "http://first/")});
}

TEST(HostPageParse, NestedObjectsAndCommentsKeepTheirParamsToThemselves) {
    const QByteArray page = R"(<object classid="clsid:5E3D9A41-7C2B-4F86-A1D0-3B9E6C5F2A17">
  <param name="ServerURL" value="http://mine/">
  <!-- <param name="LoggedUserId" value="commented-out"> -->
  <object data="fallback.html"><param name="LoggedUserId" value="inner"></object>
  <param name="LoggedUserName" value="after nested">
</object>
<param name="LoggedUserId" value="outside any object">)";
    const HostPage::Result r = HostPage::Parse(page);
    EXPECT_TRUE(r.objectMatched);
    EXPECT_EQ(r.params, (Params{P("ServerURL", "http://mine/"), P("LoggedUserName", "after nested")}));
}

TEST(HostPageParse, PageWithoutObjectOrWithUnclosedOne) {
    EXPECT_FALSE(HostPage::Parse("<html><param name='ServerURL' value='x'></html>").objectFound);
    EXPECT_FALSE(HostPage::Parse(QByteArray()).objectFound);

    // An object the page never closes still counts, with the params seen before the end.
    const HostPage::Result open = HostPage::Parse(
        "<object data='VELMO.VelmoCtrl.1'><param name='a' value='1'><param name='b' value='un");
    EXPECT_TRUE(open.objectMatched);
    EXPECT_EQ(open.params, Params{P("a", "1")});
}

TEST(HostPageParse, HostileInputStaysBounded) {
    // Megabytes of tag openers, unterminated attributes and endless params finish promptly
    // (a quadratic scan would not) and never yield more than the cap.
    EXPECT_FALSE(HostPage::Parse(QByteArray(2 * 1024 * 1024, '<')).objectFound);
    QByteArray many = "<object data='VELMO.VelmoCtrl.1'>";
    for (int i = 0; i < 100000; ++i) {
        many += "<param name=n" + QByteArray::number(i) + " value=v>";
    }
    const HostPage::Result r = HostPage::Parse(many);
    EXPECT_TRUE(r.objectFound);
    EXPECT_EQ(r.params.size(), HostPage::kMaxParams);
    QByteArray quotes;
    for (int i = 0; i < 200000; ++i) {
        quotes += "<a b=\"";
    }
    EXPECT_FALSE(HostPage::Parse(quotes).objectFound);
}

TEST(HostPageFetch, ReadsLocalFilesByPathAndFileUrl) {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/desk page.velmo");
    hosttest::WriteFile(path, "<object data='VELMO.VelmoCtrl.1'></object>");
    const HostPageFetch::Page byPath = HostPageFetch::Fetch(path);
    EXPECT_TRUE(byPath.ok);
    EXPECT_EQ(byPath.body, QByteArray("<object data='VELMO.VelmoCtrl.1'></object>"));
    const HostPageFetch::Page byUrl = HostPageFetch::Fetch(QUrl::fromLocalFile(path).toString());
    EXPECT_TRUE(byUrl.ok) << byUrl.error.toStdString();
    EXPECT_EQ(byUrl.body, byPath.body);
}

TEST(HostPageFetch, RefusesMissingFolderAndOversizedFiles) {
    QTemporaryDir dir;
    const HostPageFetch::Page missing = HostPageFetch::Fetch(dir.path() + QStringLiteral("/none.html"));
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.error.contains(QStringLiteral("none.html")));
    EXPECT_FALSE(HostPageFetch::Fetch(dir.path()).ok);

    const QString big = dir.path() + QStringLiteral("/big.html");
    QFile file(big);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(HostPage::kMaxPageSize + 1));
    file.close();
    const HostPageFetch::Page refused = HostPageFetch::Fetch(big);
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.body.isEmpty());
}

// A small web server on a free loopback port, in its own thread.
class PageServer {
public:
    PageServer() {
        server_.Get("/desk.php", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(
                "<object data='VELMO.VelmoCtrl.1'><param name='ServerURL' value='http://s/'></object>",
                "text/html");
        });
        server_.Get("/moved",
                    [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/desk.php"); });
        server_.Get("/huge", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(static_cast<size_t>(HostPage::kMaxPageSize) + 10, 'x'), "text/html");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        // Connections wait in the listen backlog until the thread accepts them.
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~PageServer() {
        server_.stop();
        thread_.join();
    }
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    QString Url(const char* path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(QLatin1String(path));
    }
    int Port() const { return port_; }

private:
    httplib::Server server_;
    int port_ = -1;
    std::thread thread_;
};

TEST(HostPageFetch, FetchesOverHttpFollowsRedirectsAndBoundsTheSize) {
    PageServer server;
    ASSERT_GT(server.Port(), 0);

    const HostPageFetch::Page page = HostPageFetch::Fetch(server.Url("/desk.php"));
    ASSERT_TRUE(page.ok) << page.error.toStdString();
    EXPECT_EQ(HostPage::Parse(page.body).params, Params{P("ServerURL", "http://s/")});

    const HostPageFetch::Page moved = HostPageFetch::Fetch(server.Url("/moved"));
    ASSERT_TRUE(moved.ok) << moved.error.toStdString();
    EXPECT_EQ(moved.body, page.body);

    const HostPageFetch::Page missing = HostPageFetch::Fetch(server.Url("/nothing.php"));
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.error.contains(QStringLiteral("404"))) << missing.error.toStdString();

    const HostPageFetch::Page huge = HostPageFetch::Fetch(server.Url("/huge"));
    EXPECT_FALSE(huge.ok);
    EXPECT_TRUE(huge.body.isEmpty());
    EXPECT_TRUE(huge.error.contains(QStringLiteral("larger"))) << huge.error.toStdString();
}

TEST(HostPageFetch, UnreachableServerIsAnError) {
    // A port nobody listens on: bind one, then let it go.
    int port = 0;
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        ASSERT_GE(fd, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), length), 0);
        ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length), 0);
        port = ntohs(address.sin_port);
        ::close(fd);
    }
    const HostPageFetch::Page page =
        HostPageFetch::Fetch(QStringLiteral("http://127.0.0.1:%1/desk.php").arg(port));
    EXPECT_FALSE(page.ok);
    EXPECT_FALSE(page.error.isEmpty());
}

} // namespace
