#include "host/core/HostPage.h"
#include "host/core/HostPageFetch.h"
#include "tests/host/HostTestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Params = QList<std::pair<QString, QString>>;

TEST(HostPageParse, ChoosesTheDesksObjectAndReadsOnlyItsOwnParams) {
    // object: "desk" (the desk's own found), "none".
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
        {"unquoted values, spaced attributes, character references; a param without a name is dropped",
         "desk",
         "<object classid=clsid:5E3D9A41-7C2B-4F86-A1D0-3B9E6C5F2A17>\n<param name=ServerURL value=http://h/>"
         "<param\tname = 'PhysicianList'\nvalue = '12&#126;Smith &amp; Jones&#x7C;15~O&apos;Brien &bogus;'>"
         "<param value=\"orphan\"></object>",
         {{"ServerURL", "http://h/"}, {"PhysicianList", "12~Smith & Jones|15~O'Brien &bogus;"}}},
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
    // Megabytes of tag openers and endless params finish promptly (a
    // quadratic scan would not) and never yield more than the cap.
    EXPECT_FALSE(HostPage::Parse(QByteArray(2 * 1024 * 1024, '<')).objectFound);
    QByteArray many = "<object data='VELMO.VelmoCtrl.1'>";
    for (int i = 0; i < 100000; ++i) {
        many += "<param name=n" + QByteArray::number(i) + " value=v>";
    }
    EXPECT_EQ(HostPage::Parse(many).params.size(), HostPage::kMaxParams);
}

TEST(HostPageFetch, LocalFilesWithinTheSizeBound) {
    const QByteArray kPage =
        "<object data='VELMO.VelmoCtrl.1'><param name='ServerURL' value='http://s/'></object>";
    QTemporaryDir dir;
    const QString path = dir.filePath("desk page.velmo");
    hosttest::WriteFile(path, kPage);
    EXPECT_EQ(HostPageFetch::Fetch(path).body, kPage);
    QFile big(dir.filePath("big.html"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly) && big.resize(HostPage::kMaxPageSize + 1));
    big.close();
    const HostPageFetch::Page refused = HostPageFetch::Fetch(big.fileName());
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.body.isEmpty() && !refused.error.isEmpty());
}

} // namespace
