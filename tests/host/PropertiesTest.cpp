#include "host/core/ControlProperties.h"
#include "host/core/LaunchOptions.h"
#include "host/core/SessionSettings.h"
#include "tests/host/HostTestSupport.h"

#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A property bag that remembers what was asked, in order, and what the session held at
// each question.
class RecordingBag final : public PropertyBag {
public:
    struct Snapshot {
        QString serverURL, userId, locationList, signatureLine;
        QStringList entries;
        qsizetype logLines = 0;
    };

    RecordingBag(ControlProperties values, const SessionSettings& session)
        : values_(std::move(values)), session_(session) {}

    QString Read(const QString& name) const override {
        order.append(name);
        at.insert(name, Snapshot{session_.ServerURL(), session_.LoggedUserId(), session_.LocationList(),
                                 session_.SignatureLine(), session_.PhysicianEntries(),
                                 hosttest::LogLines().size()});
        return values_.Read(name);
    }

    mutable QStringList order;
    mutable QHash<QString, Snapshot> at;

private:
    ControlProperties values_;
    const SessionSettings& session_;
};

using Pairs = QList<std::pair<QString, QString>>;

// The nine properties in the host page's order, with the values most tests use.
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

ControlProperties FullSession() {
    return Bag(kFullSession);
}

// What the session holds of the nine, provider entries one per line.
QStringList Stored(const SessionSettings& s) {
    return {s.ServerURL(),        s.LoggedUserId(),  s.LoggedUserName(), s.PhysicianEntries().join('\n'),
            s.LocationList(),     s.SignatureLine(), s.Printprevilage(), s.DefaultCustomProperty(),
            s.FromDictationFlag()};
}

class PropertyExchange : public ::testing::Test {
protected:
    void SetUp() override { hosttest::ClearLog(); }
    SessionSettings session;
};

TEST_F(PropertyExchange, ReadsInTheControlsOrderAndStoresEachAtItsTime) {
    RecordingBag bag(FullSession(), session);
    ExchangeProperties(bag, session);
    EXPECT_EQ(bag.order,
              (QStringList{"PhysicianList", "LocationList", "ServerURL", "LoggedUserId", "LoggedUserName",
                           "SignatureLine", "Printprevilage", "DefaultCustomProperty", "FromDictationFlag"}));

    // The address is stored and logged before the user is even read...
    const auto atUserId = bag.at.value("LoggedUserId");
    EXPECT_EQ(atUserId.serverURL, "http://127.0.0.1/");
    EXPECT_EQ(atUserId.logLines, 1);
    // ...while user, entries and locations wait until the user name has been read.
    const auto atUserName = bag.at.value("LoggedUserName");
    EXPECT_TRUE(atUserName.userId.isEmpty());
    EXPECT_TRUE(atUserName.entries.isEmpty());
    EXPECT_TRUE(atUserName.locationList.isEmpty());
    const auto atSignature = bag.at.value("SignatureLine");
    EXPECT_EQ(atSignature.userId, "12");
    EXPECT_EQ(atSignature.entries.size(), 2);
    EXPECT_FALSE(atSignature.locationList.isEmpty());
    // Each of the last four is stored right after it is read.
    EXPECT_TRUE(atSignature.signatureLine.isEmpty());
    EXPECT_EQ(bag.at.value("Printprevilage").signatureLine, "Electronically signed by Provider One");

    const QStringList lines = hosttest::LogLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d : SetWebsite: HostName, "
                                                  "http://127\\.0\\.0\\.1/ LastError = -?\\d+$"))
                    .match(lines.first())
                    .hasMatch())
        << lines.first().toStdString();
}

TEST_F(PropertyExchange, EverySessionFieldIsFilledAsGivenAndMissingOnesAreEmpty) {
    ExchangeProperties(FullSession(), session);
    // Values are not trimmed; the provider list is split into entries.
    EXPECT_EQ(Stored(session),
              (QStringList{"http://127.0.0.1/", "12", " Provider One ", "12~Provider One\n15~Provider Two",
                           "[12]3~North Clinic|4~South Clinic[15]3~North Clinic",
                           "Electronically signed by Provider One", "1", "MRN", "1"}));

    // Unknown names are ignored and missing ones become empty texts; an empty PhysicianList is
    // still one (empty) entry.
    SessionSettings fresh;
    hosttest::ClearLog();
    ExchangeProperties(Bag({{"Colour", "blue"}}), fresh);
    EXPECT_EQ(Stored(fresh), QStringList(9, QString()));
    EXPECT_EQ(fresh.PhysicianEntries(), QStringList{QString()});
    const QStringList lines = hosttest::LogLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.first().contains(" : SetWebsite: HostName,  LastError = "));
}

TEST(ProviderEntries, SplitOnlyWhenThereIsABar) {
    SessionSettings s;
    s.SetPhysicianList(" 12~Provider One ");
    EXPECT_EQ(s.PhysicianEntries(), QStringList{" 12~Provider One "});
    s.SetPhysicianList(" 12~A | 15~B |");
    EXPECT_EQ(s.PhysicianEntries(), (QStringList{"12~A", "15~B"}));
    s.SetPhysicianList("a||b");
    EXPECT_EQ(s.PhysicianEntries(), (QStringList{"a", "|b"}));
    // The setter replaces; it does not add to the old entries.
    s.SetPhysicianList("9~C");
    EXPECT_EQ(s.PhysicianEntries(), QStringList{"9~C"});
}

TEST(ControlPropertiesBag, NamesIgnoreCaseLaterValuesWin) {
    ControlProperties p;
    p.Set("serverurl", "http://a/");
    EXPECT_TRUE(p.SetAssignment("SERVERURL=http://b/?x=1"));
    EXPECT_EQ(p.Read("ServerURL"), "http://b/?x=1");
    EXPECT_TRUE(p.SetAssignment("SignatureLine="));
    EXPECT_TRUE(p.Has("signatureline"));
    EXPECT_EQ(p.Read("SignatureLine"), QString());
    EXPECT_FALSE(p.SetAssignment("=value"));
    EXPECT_FALSE(p.SetAssignment("novalue"));
    EXPECT_EQ(p.Count(), 2);
    EXPECT_EQ(p.Read("absent"), QString());
}

TEST(ControlPropertiesBag, BoundedNumberOfNames) {
    ControlProperties p;
    for (int i = 0; i < ControlProperties::kMaxProperties + 50; ++i) {
        p.Set(QStringLiteral("n%1").arg(i), "v");
    }
    EXPECT_EQ(p.Count(), ControlProperties::kMaxProperties);
    // A name already held can still be replaced.
    p.Set("N0", "again");
    EXPECT_EQ(p.Read("n0"), "again");
}

LaunchOptions Parse(const QStringList& args) {
    return LaunchOptions::Parse(QStringList{"velmo"} + args);
}

TEST(LaunchCommandLine, OptionsAndValues) {
    const LaunchOptions o = Parse({"--page", "desk.html", "--param", "ServerURL=http://a/",
                                   "--param=LoggedUserId=12", "--size", "800x600", "--screenshot=out.png"});
    EXPECT_TRUE(o.error.isEmpty()) << o.error.toStdString();
    EXPECT_EQ(o.page, "desk.html");
    EXPECT_EQ(o.params, (QStringList{"ServerURL=http://a/", "LoggedUserId=12"}));
    EXPECT_EQ(o.size, QSize(800, 600));
    EXPECT_EQ(o.screenshot, "out.png");
    EXPECT_FALSE(o.registerDesk || o.unregisterDesk || o.help);

    const LaunchOptions d = Parse({});
    EXPECT_TRUE(d.error.isEmpty());
    EXPECT_EQ(d.size, QSize(1024, 700));
    EXPECT_TRUE(d.page.isEmpty());

    EXPECT_TRUE(Parse({"--register"}).registerDesk);
    EXPECT_TRUE(Parse({"--unregister"}).unregisterDesk);
    EXPECT_TRUE(Parse({"--help"}).help);
    EXPECT_TRUE(Parse({"-h"}).help);
}

TEST(LaunchCommandLine, SchemeUrlsAndLoneArgumentsArePages) {
    EXPECT_EQ(Parse({"velmo:http://127.0.0.1/desk.php?user=12"}).page, "http://127.0.0.1/desk.php?user=12");
    EXPECT_EQ(Parse({"VELMO://reports.example/desk.php"}).page, "https://reports.example/desk.php");
    EXPECT_EQ(Parse({"/home/u/session.velmo"}).page, "/home/u/session.velmo");
    EXPECT_EQ(Parse({"--page", "velmo:file:///tmp/p.html"}).page, "file:///tmp/p.html");
}

TEST(LaunchCommandLine, MistakesAreReported) {
    const QStringList mistakes[] = {{"--param"},
                                    {"--param", "NoEquals"},
                                    {"--param", "=x"},
                                    {"--size", "800"},
                                    {"--size", "0x0"},
                                    {"--size", "800x600x2"},
                                    {"--size", "99999x600"},
                                    {"--bogus"},
                                    {"--register=yes"},
                                    {"--register", "--unregister"},
                                    {"--page", "a.html", "b.html"},
                                    {"--page", ""},
                                    {"--screenshot", ""}};
    for (const QStringList& args : mistakes) {
        EXPECT_FALSE(Parse(args).error.isEmpty()) << args.join(' ').toStdString();
    }
}

// The same session, once from a host page file and once from --params (one property left
// out: missing from the params, empty on the page).
TEST(LaunchProperties, PageAndMatchingParamsGiveTheSameSession) {
    Pairs pairs = kFullSession;
    pairs[5].second = "Signed & <sealed>";
    pairs[8].second.clear();
    QTemporaryDir dir;
    const QString page = dir.path() + "/desk.html";
    QByteArray html = R"(<html><body><object classid="clsid:5E3D9A41-7C2B-4F86-A1D0-3B9E6C5F2A17">)";
    LaunchOptions fromParams;
    for (const auto& [name, value] : pairs) {
        html += "\n<param name=\"" + name.toUtf8() + "\" value=\"" + value.toHtmlEscaped().toUtf8() + "\">";
        if (!value.isEmpty()) {
            fromParams.params.append(name + "=" + value);
        }
    }
    hosttest::WriteFile(page, html + "\n</object></body></html>");
    ASSERT_TRUE(html.contains("Signed &amp; &lt;sealed&gt;"));
    LaunchOptions fromPage;
    fromPage.page = page;

    SessionSettings a;
    SessionSettings b;
    for (auto [options, session] : {std::pair{&fromPage, &a}, std::pair{&fromParams, &b}}) {
        ControlProperties properties;
        QString error;
        ASSERT_TRUE(options->LoadProperties(properties, error)) << error.toStdString();
        ExchangeProperties(properties, *session);
    }
    EXPECT_EQ(Stored(a), Stored(b));
    EXPECT_EQ(a.SignatureLine(), "Signed & <sealed>");
    EXPECT_EQ(a.PhysicianEntries().size(), 2);
}

TEST(LaunchProperties, ParamsReplacePageValuesAndLaterParamsWin) {
    QTemporaryDir dir;
    const QString page = dir.path() + "/desk.html";
    hosttest::WriteFile(page, "<object data='VELMO.VelmoCtrl.1'><param name='ServerURL' value='http://page/'>"
                              "<param name='LoggedUserId' value='12'></object>");
    const LaunchOptions o =
        Parse({"--param", "serverurl=http://first/", "--page", page, "--param", "ServerURL=http://second/"});
    ASSERT_TRUE(o.error.isEmpty());
    ControlProperties properties;
    QString error;
    ASSERT_TRUE(o.LoadProperties(properties, error));
    EXPECT_EQ(properties.Read("ServerURL"), "http://second/");
    EXPECT_EQ(properties.Read("LoggedUserId"), "12");
}

TEST(LaunchProperties, PageWithoutObjectOrUnreadablePageFails) {
    QTemporaryDir dir;
    const QString page = dir.path() + "/plain.html";
    hosttest::WriteFile(page, "<html><p>Sign in again</p></html>");
    for (const QString& location : {page, dir.path() + "/missing.html"}) {
        LaunchOptions o;
        o.page = location;
        ControlProperties properties;
        QString error;
        EXPECT_FALSE(o.LoadProperties(properties, error));
        EXPECT_TRUE(error.contains(location)) << error.toStdString();
    }
}

} // namespace
