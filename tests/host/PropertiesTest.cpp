#include "host/core/ControlProperties.h"
#include "host/core/LaunchOptions.h"
#include "host/core/SessionSettings.h"
#include "tests/host/HostTestSupport.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A property bag that remembers what was asked, in order, and what the session held at
// each question.
class RecordingBag final : public PropertyBag {
public:
    struct Snapshot {
        QString name;
        QString serverURL, userId, userName, locationList, signatureLine;
        QStringList entries;
        int logLines = 0;
    };

    RecordingBag(ControlProperties values, const SessionSettings& session)
        : values_(std::move(values)), session_(session) {}

    QString Read(const QString& name) const override {
        reads.append(Snapshot{name, session_.ServerURL(), session_.LoggedUserId(), session_.LoggedUserName(),
                              session_.LocationList(), session_.SignatureLine(), session_.PhysicianEntries(),
                              static_cast<int>(hosttest::LogLines().size())});
        return values_.Read(name);
    }
    const Snapshot& At(const char* name) const {
        for (const Snapshot& s : reads) {
            if (s.name == QLatin1String(name)) {
                return s;
            }
        }
        ADD_FAILURE() << "never read: " << name;
        static const Snapshot none;
        return none;
    }

    mutable QList<Snapshot> reads;

private:
    ControlProperties values_;
    const SessionSettings& session_;
};

ControlProperties FullSession() {
    ControlProperties p;
    p.Set(QStringLiteral("ServerURL"), QStringLiteral("http://127.0.0.1/"));
    p.Set(QStringLiteral("LoggedUserId"), QStringLiteral("12"));
    p.Set(QStringLiteral("LoggedUserName"), QStringLiteral(" Provider One "));
    p.Set(QStringLiteral("PhysicianList"), QStringLiteral("12~Provider One|15~Provider Two"));
    p.Set(QStringLiteral("LocationList"),
          QStringLiteral("[12]3~North Clinic|4~South Clinic[15]3~North Clinic"));
    p.Set(QStringLiteral("SignatureLine"), QStringLiteral("Electronically signed by Provider One"));
    p.Set(QStringLiteral("Printprevilage"), QStringLiteral("1"));
    p.Set(QStringLiteral("DefaultCustomProperty"), QStringLiteral("MRN"));
    p.Set(QStringLiteral("FromDictationFlag"), QStringLiteral("1"));
    return p;
}

class PropertyExchange : public ::testing::Test {
protected:
    void SetUp() override { hosttest::ClearLog(); }
    SessionSettings session;
};

TEST_F(PropertyExchange, ReadsTheNinePropertiesInTheControlsOrder) {
    RecordingBag bag(FullSession(), session);
    ExchangeProperties(bag, session);
    QStringList names;
    for (const auto& s : bag.reads) {
        names.append(s.name);
    }
    EXPECT_EQ(names, (QStringList{QStringLiteral("PhysicianList"), QStringLiteral("LocationList"),
                                  QStringLiteral("ServerURL"), QStringLiteral("LoggedUserId"),
                                  QStringLiteral("LoggedUserName"), QStringLiteral("SignatureLine"),
                                  QStringLiteral("Printprevilage"), QStringLiteral("DefaultCustomProperty"),
                                  QStringLiteral("FromDictationFlag")}));
}

TEST_F(PropertyExchange, ServerUrlGoesToSetWebsiteAtOnceTheUserAndListsAfterTheUserName) {
    RecordingBag bag(FullSession(), session);
    ExchangeProperties(bag, session);

    // The address is stored and logged before the user is even read...
    const auto& atUserId = bag.At("LoggedUserId");
    EXPECT_EQ(atUserId.serverURL, QStringLiteral("http://127.0.0.1/"));
    EXPECT_EQ(atUserId.logLines, 1);
    // ...while user, entries and locations wait until the user name has been read.
    const auto& atUserName = bag.At("LoggedUserName");
    EXPECT_TRUE(atUserName.userId.isEmpty());
    EXPECT_TRUE(atUserName.entries.isEmpty());
    EXPECT_TRUE(atUserName.locationList.isEmpty());
    const auto& atSignature = bag.At("SignatureLine");
    EXPECT_EQ(atSignature.userId, QStringLiteral("12"));
    EXPECT_EQ(atSignature.userName, QStringLiteral(" Provider One "));
    EXPECT_EQ(atSignature.entries.size(), 2);
    EXPECT_FALSE(atSignature.locationList.isEmpty());
    // Each of the last four is stored right after it is read.
    EXPECT_TRUE(atSignature.signatureLine.isEmpty());
    EXPECT_EQ(bag.At("Printprevilage").signatureLine,
              QStringLiteral("Electronically signed by Provider One"));

    const QStringList lines = hosttest::LogLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d : SetWebsite: HostName, "
                                                  "http://127\\.0\\.0\\.1/ LastError = -?\\d+$"))
                    .match(lines.first())
                    .hasMatch())
        << lines.first().toStdString();
}

TEST_F(PropertyExchange, EverySessionFieldIsFilledAsGiven) {
    ExchangeProperties(FullSession(), session);
    EXPECT_EQ(session.ServerURL(), QStringLiteral("http://127.0.0.1/"));
    EXPECT_EQ(session.LoggedUserId(), QStringLiteral("12"));
    EXPECT_EQ(session.LoggedUserName(), QStringLiteral(" Provider One ")); // not trimmed
    EXPECT_EQ(session.PhysicianEntries(),
              (QStringList{QStringLiteral("12~Provider One"), QStringLiteral("15~Provider Two")}));
    EXPECT_EQ(session.LocationList(), QStringLiteral("[12]3~North Clinic|4~South Clinic[15]3~North Clinic"));
    EXPECT_EQ(session.SignatureLine(), QStringLiteral("Electronically signed by Provider One"));
    EXPECT_EQ(session.Printprevilage(), QStringLiteral("1"));
    EXPECT_EQ(session.DefaultCustomProperty(), QStringLiteral("MRN"));
    EXPECT_EQ(session.FromDictationFlag(), QStringLiteral("1"));
}

TEST_F(PropertyExchange, MissingPropertiesAreEmptyAndUnknownOnesIgnored) {
    ControlProperties p;
    p.Set(QStringLiteral("Colour"), QStringLiteral("blue"));
    ExchangeProperties(p, session);
    EXPECT_TRUE(session.ServerURL().isEmpty());
    EXPECT_TRUE(session.LoggedUserId().isEmpty());
    EXPECT_TRUE(session.SignatureLine().isEmpty());
    // An empty PhysicianList is still one (empty) entry.
    EXPECT_EQ(session.PhysicianEntries(), QStringList{QString()});
    const QStringList lines = hosttest::LogLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines.first().contains(QStringLiteral(" : SetWebsite: HostName,  LastError = ")));
}

TEST(ProviderEntries, SplitOnlyWhenThereIsABar) {
    SessionSettings s;
    s.SetPhysicianList(QStringLiteral(" 12~Provider One "));
    EXPECT_EQ(s.PhysicianEntries(), QStringList{QStringLiteral(" 12~Provider One ")});
    s.SetPhysicianList(QStringLiteral(" 12~A | 15~B |"));
    EXPECT_EQ(s.PhysicianEntries(), (QStringList{QStringLiteral("12~A"), QStringLiteral("15~B")}));
    s.SetPhysicianList(QStringLiteral("a||b"));
    EXPECT_EQ(s.PhysicianEntries(), (QStringList{QStringLiteral("a"), QStringLiteral("|b")}));
    // The setter replaces; it does not add to the old entries.
    s.SetPhysicianList(QStringLiteral("9~C"));
    EXPECT_EQ(s.PhysicianEntries(), QStringList{QStringLiteral("9~C")});
}

TEST(ControlPropertiesBag, NamesIgnoreCaseLaterValuesWin) {
    ControlProperties p;
    p.Set(QStringLiteral("serverurl"), QStringLiteral("http://a/"));
    EXPECT_TRUE(p.SetAssignment(QStringLiteral("SERVERURL=http://b/?x=1")));
    EXPECT_EQ(p.Read(QStringLiteral("ServerURL")), QStringLiteral("http://b/?x=1"));
    EXPECT_TRUE(p.SetAssignment(QStringLiteral("SignatureLine=")));
    EXPECT_TRUE(p.Has(QStringLiteral("signatureline")));
    EXPECT_EQ(p.Read(QStringLiteral("SignatureLine")), QString());
    EXPECT_FALSE(p.SetAssignment(QStringLiteral("=value")));
    EXPECT_FALSE(p.SetAssignment(QStringLiteral("novalue")));
    EXPECT_EQ(p.Count(), 2);
    EXPECT_EQ(p.Read(QStringLiteral("absent")), QString());
}

TEST(ControlPropertiesBag, BoundedNumberOfNames) {
    ControlProperties p;
    for (int i = 0; i < ControlProperties::kMaxProperties + 50; ++i) {
        p.Set(QStringLiteral("n%1").arg(i), QStringLiteral("v"));
    }
    EXPECT_EQ(p.Count(), ControlProperties::kMaxProperties);
    // A name already held can still be replaced.
    p.Set(QStringLiteral("N0"), QStringLiteral("again"));
    EXPECT_EQ(p.Read(QStringLiteral("n0")), QStringLiteral("again"));
}

LaunchOptions Parse(std::initializer_list<const char*> args) {
    QStringList list{QStringLiteral("velmo")};
    for (const char* a : args) {
        list.append(QString::fromUtf8(a));
    }
    return LaunchOptions::Parse(list);
}

TEST(LaunchCommandLine, OptionsAndValues) {
    const LaunchOptions o = Parse({"--page", "desk.html", "--param", "ServerURL=http://a/",
                                   "--param=LoggedUserId=12", "--size", "800x600", "--screenshot=out.png"});
    EXPECT_TRUE(o.error.isEmpty()) << o.error.toStdString();
    EXPECT_EQ(o.page, QStringLiteral("desk.html"));
    EXPECT_EQ(o.params,
              (QStringList{QStringLiteral("ServerURL=http://a/"), QStringLiteral("LoggedUserId=12")}));
    EXPECT_EQ(o.size, QSize(800, 600));
    EXPECT_EQ(o.screenshot, QStringLiteral("out.png"));
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
    EXPECT_EQ(Parse({"velmo:http://127.0.0.1/desk.php?user=12"}).page,
              QStringLiteral("http://127.0.0.1/desk.php?user=12"));
    EXPECT_EQ(Parse({"VELMO://reports.example/desk.php"}).page,
              QStringLiteral("https://reports.example/desk.php"));
    EXPECT_EQ(Parse({"/home/u/session.velmo"}).page, QStringLiteral("/home/u/session.velmo"));
    EXPECT_EQ(Parse({"--page", "velmo:file:///tmp/p.html"}).page, QStringLiteral("file:///tmp/p.html"));
}

TEST(LaunchCommandLine, MistakesAreReported) {
    for (const auto& args : std::vector<std::initializer_list<const char*>>{
             {"--param"},
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
             {"--screenshot", ""},
         }) {
        const LaunchOptions o = Parse(args);
        EXPECT_FALSE(o.error.isEmpty()) << *args.begin();
    }
}

// The same session, once from a host page file and once from --params.
TEST(LaunchProperties, PageAndMatchingParamsGiveTheSameSession) {
    QTemporaryDir dir;
    const QString page = dir.path() + QStringLiteral("/desk.html");
    hosttest::WriteFile(page, R"(<html><body><object classid="clsid:5E3D9A41-7C2B-4F86-A1D0-3B9E6C5F2A17">
<param name="ServerURL" value="http://127.0.0.1/">
<param name="LoggedUserId" value="12">
<param name="LoggedUserName" value="Provider One">
<param name="PhysicianList" value="12~Provider One|15~Provider Two">
<param name="LocationList" value="[12]3~North Clinic|4~South Clinic[15]3~North Clinic">
<param name="SignatureLine" value="Signed &amp; sealed">
<param name="Printprevilage" value="1">
<param name="DefaultCustomProperty" value="MRN">
<param name="FromDictationFlag" value="">
</object></body></html>)");

    LaunchOptions fromPage;
    fromPage.page = page;
    LaunchOptions fromParams;
    fromParams.params = QStringList{
        QStringLiteral("ServerURL=http://127.0.0.1/"),
        QStringLiteral("LoggedUserId=12"),
        QStringLiteral("LoggedUserName=Provider One"),
        QStringLiteral("PhysicianList=12~Provider One|15~Provider Two"),
        QStringLiteral("LocationList=[12]3~North Clinic|4~South Clinic[15]3~North Clinic"),
        QStringLiteral("SignatureLine=Signed & sealed"),
        QStringLiteral("Printprevilage=1"),
        QStringLiteral("DefaultCustomProperty=MRN"),
    };
    SessionSettings a;
    SessionSettings b;
    for (auto [options, session] : {std::pair{&fromPage, &a}, std::pair{&fromParams, &b}}) {
        ControlProperties properties;
        QString error;
        ASSERT_TRUE(options->LoadProperties(properties, error)) << error.toStdString();
        ExchangeProperties(properties, *session);
    }
    EXPECT_EQ(a.ServerURL(), b.ServerURL());
    EXPECT_EQ(a.LoggedUserId(), b.LoggedUserId());
    EXPECT_EQ(a.LoggedUserName(), b.LoggedUserName());
    EXPECT_EQ(a.PhysicianEntries(), b.PhysicianEntries());
    EXPECT_EQ(a.LocationList(), b.LocationList());
    EXPECT_EQ(a.SignatureLine(), b.SignatureLine());
    EXPECT_EQ(a.Printprevilage(), b.Printprevilage());
    EXPECT_EQ(a.DefaultCustomProperty(), b.DefaultCustomProperty());
    EXPECT_EQ(a.FromDictationFlag(), b.FromDictationFlag());
    EXPECT_EQ(a.SignatureLine(), QStringLiteral("Signed & sealed"));
    EXPECT_EQ(a.PhysicianEntries().size(), 2);
}

TEST(LaunchProperties, ParamsReplacePageValuesAndLaterParamsWin) {
    QTemporaryDir dir;
    const QString page = dir.path() + QStringLiteral("/desk.html");
    hosttest::WriteFile(page, "<object data='VELMO.VelmoCtrl.1'><param name='ServerURL' value='http://page/'>"
                              "<param name='LoggedUserId' value='12'></object>");
    const LaunchOptions o = Parse({"--param", "serverurl=http://first/", "--page", page.toUtf8().constData(),
                                   "--param", "ServerURL=http://second/"});
    ASSERT_TRUE(o.error.isEmpty());
    ControlProperties properties;
    QString error;
    ASSERT_TRUE(o.LoadProperties(properties, error));
    EXPECT_EQ(properties.Read(QStringLiteral("ServerURL")), QStringLiteral("http://second/"));
    EXPECT_EQ(properties.Read(QStringLiteral("LoggedUserId")), QStringLiteral("12"));
}

TEST(LaunchProperties, PageWithoutObjectOrUnreadablePageFails) {
    QTemporaryDir dir;
    const QString page = dir.path() + QStringLiteral("/plain.html");
    hosttest::WriteFile(page, "<html><p>Sign in again</p></html>");
    for (const QString& location : {page, dir.path() + QStringLiteral("/missing.html")}) {
        LaunchOptions o;
        o.page = location;
        ControlProperties properties;
        QString error;
        EXPECT_FALSE(o.LoadProperties(properties, error));
        EXPECT_TRUE(error.contains(location)) << error.toStdString();
    }
}

} // namespace
