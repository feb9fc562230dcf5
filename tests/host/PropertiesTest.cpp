// The host page, the properties it carries into the session, and the command line that names it.
#include "host/core/ControlProperties.h"
#include "host/core/HostPage.h"
#include "host/core/HostPageFetch.h"
#include "host/core/LaunchOptions.h"
#include "host/core/SessionSettings.h"
#include "tests/support/Files.h"
#include "tests/support/QStringPrinting.h"
#include "tests/support/TodaysLog.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Pairs = QList<std::pair<QString, QString>>;

TEST(HostPageParse, ChoosesTheDesksObjectAndReadsOnlyItsOwnParams) {
    // object: "desk" (the desk's own found), "none".
    const struct {
        const char* why;
        const char* object;
        const char* page;
        Pairs params;
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
    // Hostile input stays bounded: megabytes of tag openers and endless params finish promptly (a
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
    EXPECT_EQ(HostPageFetch::Fetch(WriteFile(dir.filePath("desk page.velmo"), kPage)).body, kPage);
    const HostPageFetch::Page refused = HostPageFetch::Fetch(
        WriteFile(dir.filePath("big.html"), QByteArray(HostPage::kMaxPageSize + 1, ' ')));
    EXPECT_FALSE(refused.ok);
    EXPECT_TRUE(refused.body.isEmpty() && !refused.error.isEmpty());
}

// The nine properties in the host page's order.
const Pairs kFullSession{
    {"ServerURL", "http://127.0.0.1/"},
    {"LoggedUserId", "12"},
    {"LoggedUserName", " Provider One "},
    {"PhysicianList", "12~Provider One|15~Provider Two"},
    {"LocationList", "[12]3~North Clinic|4~South Clinic[15]3~North Clinic"},
    {"SignatureLine", "Electronically signed by Provider One"},
    {"Printprevilage", "1"},
    {"DefaultCustomProperty", "MRN"},
    {"FromDictationFlag", "1"},
};

ControlProperties Bag(const Pairs& pairs) {
    ControlProperties p;
    for (const auto& [name, value] : pairs) {
        p.Set(name, value);
    }
    return p;
}

// What the session holds of the nine, provider entries one per line.
QStringList Stored(const SessionSettings& s) {
    return {s.ServerURL(),        s.LoggedUserId(),  s.LoggedUserName(), s.PhysicianEntries().join('\n'),
            s.LocationList(),     s.SignatureLine(), s.Printprevilage(), s.DefaultCustomProperty(),
            s.FromDictationFlag()};
}

// Notes the names in the order they are read.
class RecordingBag final : public PropertyBag {
public:
    QString Read(const QString& name) const override {
        reads.append(name);
        return values_.Read(name);
    }
    mutable QStringList reads;

private:
    ControlProperties values_ = Bag(kFullSession);
};

TEST(PropertyExchange, ReadsInTheControlsOrderFillsEveryFieldAndLogsTheAddress) {
    ClearLog();
    SessionSettings session;
    RecordingBag bag;
    ExchangeProperties(bag, session);
    EXPECT_EQ(bag.reads.join(' '), "PhysicianList LocationList ServerURL LoggedUserId LoggedUserName "
                                   "SignatureLine Printprevilage DefaultCustomProperty FromDictationFlag");
    // Values are not trimmed; the provider list is split into entries.
    EXPECT_EQ(Stored(session),
              (QStringList{"http://127.0.0.1/", "12", " Provider One ", "12~Provider One\n15~Provider Two",
                           "[12]3~North Clinic|4~South Clinic[15]3~North Clinic",
                           "Electronically signed by Provider One", "1", "MRN", "1"}));
    EXPECT_EQ(LogCapture::ReadMessages(), QStringList{"SetWebsite: HostName, http://127.0.0.1/"});

    // Missing ones become empty texts; an empty PhysicianList is still one (empty) entry.
    SessionSettings fresh;
    ExchangeProperties(Bag({{"Colour", "blue"}}), fresh);
    EXPECT_EQ(Stored(fresh), QStringList(9, QString()));
    EXPECT_EQ(fresh.PhysicianEntries(), QStringList{QString()});
}

TEST(ControlPropertiesBag, TheirNumberIsBounded) {
    ControlProperties p;
    p.Set("serverurl", "http://a/");
    for (int i = 0; i < ControlProperties::kMaxProperties + 50; ++i) {
        p.Set(QStringLiteral("n%1").arg(i), "v");
    }
    EXPECT_EQ(p.Count(), ControlProperties::kMaxProperties);
    p.Set("ServerURL", "again"); // a name already held can still be replaced
    EXPECT_EQ(p.Read("serverurl"), "again");
}

LaunchOptions Parse(const QStringList& args) {
    return LaunchOptions::Parse(QStringList{"velmo"} + args);
}

TEST(LaunchCommandLine, PagesMistakesAndParams) {
    // A "velmo:" address or a lone argument is the host page.
    EXPECT_EQ(Parse({"velmo:http://127.0.0.1/desk.php?user=12"}).page, "http://127.0.0.1/desk.php?user=12");
    EXPECT_EQ(Parse({"VELMO://reports.example/desk.php"}).page, "https://reports.example/desk.php");
    // Arguments split at "|".
    const char* const mistakes[] = {"--param|NoEquals", "--size|99999x1", "--register|--unregister",
                                    "--version=1", "--fixed-waits=yes"};
    for (const char* args : mistakes) {
        EXPECT_FALSE(Parse(QString(args).split('|')).error.isEmpty()) << args;
    }
    EXPECT_FALSE(Parse({}).fixedWaits);
    EXPECT_TRUE(Parse({"--fixed-waits"}).fixedWaits);
    // --param values replace the page's, and later ones win.
    QTemporaryDir dir;
    const QString page =
        WriteFile(dir.filePath("desk.html"),
                  "<object data='VELMO.VelmoCtrl.1'><param name='ServerURL' value='http://page/'>"
                  "<param name='LoggedUserId' value='12'></object>");
    const LaunchOptions o =
        Parse({"--param", "serverurl=http://first/", "--page", page, "--param", "ServerURL=http://second/"});
    ControlProperties properties;
    QString error;
    ASSERT_TRUE(o.LoadProperties(properties, error));
    EXPECT_EQ(properties.Read("ServerURL"), "http://second/");
    EXPECT_EQ(properties.Read("LoggedUserId"), "12");
}

} // namespace
