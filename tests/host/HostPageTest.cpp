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

TEST(HostPageParse, ChoosesTheDesksObjectAndReadsOnlyItsOwnParams) {
    // object: "desk" (the desk's own found), "first" (none names the desk: the first), "none".
    const struct {
        const char* why;
        const char* object;
        const char* page;
        Params params;
    } cases[] = {
        {"class id among several, mixed case",
         "desk",
         R"(<object classid="clsid:D27CDB6E-AE6D-11cf-96B8-444553540000"><param name="ServerURL" value="http://wrong/">
</object><OBJECT ID="VelmoCtrl" CLASSID="CLSID:{5e3d9a41-7c2b-4f86-a1d0-3b9e6c5f2a17}" WIDTH=100%>
<PARAM NAME="ServerURL" VALUE="http://127.0.0.1/"><Param Name="LoggedUserId" Value="12"></OBJECT>)",
         {{"ServerURL", "http://127.0.0.1/"}, {"LoggedUserId", "12"}}},
        {"an attribute names the prog id",
         "desk",
         R"(<object data="other.swf"><param name="a" value="1"></object><object type="application/x-oleobject"
data="progid:velmo.velmoctrl.1"><param value='Provider One' name='LoggedUserName'/></object>)",
         {{"LoggedUserName", "Provider One"}}},
        {"no match takes the first",
         "first",
         R"(<object id="first"><param name="ServerURL" value="http://first/"></object>
<object id="second"><param name="ServerURL" value="http://second/"></object>)",
         {{"ServerURL", "http://first/"}}},
        {"nested objects and comments keep their params",
         "desk",
         R"(<object data='VELMO.VelmoCtrl.1'><param name="ServerURL" value="http://mine/">
<!-- <param name="LoggedUserId" value="commented-out"> --><object data="fallback.html"><param name="LoggedUserId"
value="inner"></object><param name="LoggedUserName" value="after nested"></object><param name="x" value="out">)",
         {{"ServerURL", "http://mine/"}, {"LoggedUserName", "after nested"}}},
        {"any quoting and spacing; a param without a name is dropped, one without value is empty",
         "desk",
         "<object classid=clsid:5E3D9A41-7C2B-4F86-A1D0-3B9E6C5F2A17>\n<param name=ServerURL "
         "value=http://host/desk/>\n<param\tname = 'SignatureLine'\nvalue = 'Signed by \"Dr. Who\" > "
         "today'>\n"
         "<param name=\"LocationList\" value=\"[12]3~North|4~South 'B'\"><param name=\"Printprevilage\">"
         "<param value=\"orphan\"></object>",
         {{"ServerURL", "http://host/desk/"},
          {"SignatureLine", "Signed by \"Dr. Who\" > today"},
          {"LocationList", "[12]3~North|4~South 'B'"},
          {"Printprevilage", ""}}},
        {"character references are decoded, unknown ones kept",
         "desk",
         "<object data='VELMO.VelmoCtrl.1'><param name='PhysicianList' value='12&#126;Smith &amp; "
         "Jones&#x7C;15~O&apos;Brien'><param name='SignatureLine' value='&lt;b&gt; &quot;x&quot; &AMP; "
         "&nbsp;|&bogus; & &#0; &#xZZ;'><param name='LoggedUserName' value='Ren&#233;e M&#xFC;ller "
         "&#x1F600;'></object>",
         {{"PhysicianList", "12~Smith & Jones|15~O'Brien"},
          {"SignatureLine", QStringLiteral("<b> \"x\" & ") + QChar(0xA0) + "|&bogus; & &#0; &#xZZ;"},
          {"LoggedUserName", QStringLiteral("Renée Müller ") + QString::fromUcs4(U"\U0001F600", 1)}}},
        // An object the page never closes still counts, with the params seen before the end.
        {"unclosed",
         "desk",
         "<object data='VELMO.VelmoCtrl.1'><param name='a' value='1'><param name='b' value='un",
         {{"a", "1"}}},
        {"no object", "none", "<html><param name='ServerURL' value='x'></html>", {}},
    };
    for (const auto& c : cases) {
        const HostPage::Result r = HostPage::Parse(c.page);
        EXPECT_EQ(r.objectFound, qstrcmp(c.object, "none") != 0) << c.why;
        EXPECT_EQ(r.objectMatched, qstrcmp(c.object, "desk") == 0) << c.why;
        EXPECT_EQ(r.params, c.params) << c.why;
    }
}

TEST(HostPageParse, HostileInputStaysBounded) {
    // Megabytes of tag openers, unterminated attributes and endless params finish promptly (a
    // quadratic scan would not) and never yield more than the cap.
    EXPECT_FALSE(HostPage::Parse(QByteArray(2 * 1024 * 1024, '<')).objectFound);
    QByteArray many = "<object data='VELMO.VelmoCtrl.1'>";
    QByteArray quotes;
    for (int i = 0; i < 100000; ++i) {
        many += "<param name=n" + QByteArray::number(i) + " value=v>";
        quotes += "<a b=\"<a b=\"";
    }
    EXPECT_EQ(HostPage::Parse(many).params.size(), HostPage::kMaxParams);
    EXPECT_FALSE(HostPage::Parse(quotes).objectFound);
}

TEST(HostPageFetch, LocalFilesAndWebPagesWithinTheSizeBound) {
    const QByteArray kPage =
        "<object data='VELMO.VelmoCtrl.1'><param name='ServerURL' value='http://s/'></object>";
    QTemporaryDir dir;
    const QString path = dir.filePath("desk page.velmo");
    hosttest::WriteFile(path, kPage);
    QFile big(dir.filePath("big.html"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(HostPage::kMaxPageSize + 1));
    big.close();
    auto server = std::make_unique<httplib::Server>();
    server->Get("/desk.php", [&kPage](const httplib::Request&, httplib::Response& res) {
        res.set_content(kPage.toStdString(), "text/html");
    });
    server->Get("/huge", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string(static_cast<size_t>(HostPage::kMaxPageSize) + 10, 'x'), "text/html");
    });
    const int port = server->bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    std::thread thread([&server] { server->listen_after_bind(); }); // connections wait in the backlog
    const auto url = [port](const char* path) {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path);
    };

    const struct {
        const char* why;
        QString location;
        bool ok;
        QString text; // the body when fetched, else a part of the error
    } cases[] = {
        {"a path", path, true, kPage},
        {"an oversized file", big.fileName(), false, ""},
        {"a web page", url("/desk.php"), true, kPage},
        {"a missing page", url("/nothing.php"), false, "404"},
        {"an oversized page", url("/huge"), false, "larger"},
    };
    for (const auto& c : cases) {
        const HostPageFetch::Page page = HostPageFetch::Fetch(c.location);
        EXPECT_EQ(page.ok, c.ok) << c.why;
        if (c.ok) {
            EXPECT_EQ(QString::fromUtf8(page.body), c.text) << c.why;
        } else {
            EXPECT_TRUE(page.body.isEmpty()) << c.why;
            EXPECT_TRUE(!page.error.isEmpty() && page.error.contains(c.text))
                << c.why << ": " << page.error.toStdString();
        }
    }
    server->stop();
    thread.join();
}

} // namespace
