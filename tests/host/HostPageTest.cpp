#include "host/core/HostPage.h"
#include "host/core/HostPageFetch.h"
#include "tests/host/HostTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <httplib.h>

#include <memory>
#include <thread>

#include <gtest/gtest.h>

namespace {

using Params = QList<std::pair<QString, QString>>;

std::pair<QString, QString> P(const char* name, const char* value) {
    return {QString::fromUtf8(name), QString::fromUtf8(value)};
}

TEST(HostPageParse, ChoosesTheDesksObjectAndOnlyItsOwnParams) {
    struct Row {
        const char* what;
        const char* page;
        bool found;
        bool matched;
        Params params;
    };
    const Row rows[] = {
        {"class id among several, mixed case", R"(<html><body>
<object classid="clsid:D27CDB6E-AE6D-11cf-96B8-444553540000" id="banner">
  <param name="movie" value="banner.swf">
  <param name="ServerURL" value="http://wrong/">
</object>
<OBJECT ID="VelmoCtrl" CLASSID="CLSID:{5e3d9a41-7c2b-4f86-a1d0-3b9e6c5f2a17}" WIDTH=100% HEIGHT=600>
  <PARAM NAME="ServerURL" VALUE="http://127.0.0.1/">
  <Param Name="LoggedUserId" Value="12">
</OBJECT>
</body></html>)",
         true, true, Params{P("ServerURL", "http://127.0.0.1/"), P("LoggedUserId", "12")}},
        {"an attribute names the prog id", R"(<object data="other.swf"><param name="a" value="1"></object>
<object type="application/x-oleobject" data="progid:velmo.velmoctrl.1">
<param value='Provider One' name='LoggedUserName'/></object>)",
         true, true, Params{P("LoggedUserName", "Provider One")}},
        {"no match takes the first",
         R"(<object id="first"><param name="ServerURL" value="http://first/"></object>
<object id="second"><param name="ServerURL" value="http://second/"></object>)",
         true, false, Params{P("ServerURL", "http://first/")}},
        {"nested objects and comments keep their params",
         R"(<object classid="clsid:5E3D9A41-7C2B-4F86-A1D0-3B9E6C5F2A17">
  <param name="ServerURL" value="http://mine/">
  <!-- <param name="LoggedUserId" value="commented-out"> -->
  <object data="fallback.html"><param name="LoggedUserId" value="inner"></object>
  <param name="LoggedUserName" value="after nested">
</object>
<param name="LoggedUserId" value="outside any object">)",
         true, true, Params{P("ServerURL", "http://mine/"), P("LoggedUserName", "after nested")}},
        // An object the page never closes still counts, with the params seen before the end.
        {"unclosed", "<object data='VELMO.VelmoCtrl.1'><param name='a' value='1'><param name='b' value='un",
         true, true, Params{P("a", "1")}},
        {"no object", "<html><param name='ServerURL' value='x'></html>", false, false, {}},
        {"empty", "", false, false, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const HostPage::Result r = HostPage::Parse(row.page);
        EXPECT_EQ(r.objectFound, row.found);
        EXPECT_EQ(r.objectMatched, row.matched);
        EXPECT_EQ(r.params, row.params);
    }
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
    EXPECT_EQ(r.params.at(0).second, "12~Smith & Jones|15~O'Brien");
    EXPECT_EQ(r.params.at(1).second, QStringLiteral("<b> \"x\" & ") + QChar(0xA0) + "|&bogus; & &#0; &#xZZ;");
    EXPECT_EQ(r.params.at(2).second, QStringLiteral("Renée Müller ") + QString::fromUcs4(U"\U0001F600", 1));
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

TEST(HostPageFetch, ReadsLocalFilesByPathAndFileUrlButNotMissingFoldersOrOversized) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/desk page.velmo";
    hosttest::WriteFile(path, "<object data='VELMO.VelmoCtrl.1'></object>");
    for (const QString& location : {path, QUrl::fromLocalFile(path).toString()}) {
        const HostPageFetch::Page page = HostPageFetch::Fetch(location);
        EXPECT_TRUE(page.ok) << page.error.toStdString();
        EXPECT_EQ(page.body, QByteArray("<object data='VELMO.VelmoCtrl.1'></object>"));
    }

    const HostPageFetch::Page missing = HostPageFetch::Fetch(dir.path() + "/none.html");
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.error.contains("none.html"));
    EXPECT_FALSE(HostPageFetch::Fetch(dir.path()).ok);

    QFile big(dir.path() + "/big.html");
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(HostPage::kMaxPageSize + 1));
    big.close();
    const HostPageFetch::Page refused = HostPageFetch::Fetch(big.fileName());
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

TEST(HostPageFetch, FetchesOverHttpFollowsRedirectsBoundsTheSizeAndFailsWhenUnreachable) {
    auto owned = std::make_unique<PageServer>();
    const PageServer& server = *owned;
    ASSERT_GT(server.Port(), 0);

    const HostPageFetch::Page page = HostPageFetch::Fetch(server.Url("/desk.php"));
    ASSERT_TRUE(page.ok) << page.error.toStdString();
    EXPECT_EQ(HostPage::Parse(page.body).params, Params{P("ServerURL", "http://s/")});

    const HostPageFetch::Page moved = HostPageFetch::Fetch(server.Url("/moved"));
    ASSERT_TRUE(moved.ok) << moved.error.toStdString();
    EXPECT_EQ(moved.body, page.body);

    const HostPageFetch::Page missing = HostPageFetch::Fetch(server.Url("/nothing.php"));
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.error.contains("404")) << missing.error.toStdString();

    const HostPageFetch::Page huge = HostPageFetch::Fetch(server.Url("/huge"));
    EXPECT_FALSE(huge.ok);
    EXPECT_TRUE(huge.body.isEmpty());
    EXPECT_TRUE(huge.error.contains("larger")) << huge.error.toStdString();

    // The server has answered, so it is listening; once it is gone nobody listens on its port.
    const QString gone = server.Url("/desk.php");
    owned.reset();
    const HostPageFetch::Page unreachable = HostPageFetch::Fetch(gone);
    EXPECT_FALSE(unreachable.ok);
    EXPECT_FALSE(unreachable.error.isEmpty());
}

} // namespace
