#include "host/core/ControlProperties.h"
#include "host/core/LaunchOptions.h"
#include "host/core/SessionSettings.h"
#include "tests/host/HostTestSupport.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Pairs = QList<std::pair<QString, QString>>;

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

TEST(PropertyExchange, ReadsInTheControlsOrderAndLogsTheAddress) {
    hosttest::ClearLog();
    SessionSettings session;
    RecordingBag bag;
    ExchangeProperties(bag, session);
    EXPECT_EQ(bag.reads.join(' '), "PhysicianList LocationList ServerURL LoggedUserId LoggedUserName "
                                   "SignatureLine Printprevilage DefaultCustomProperty FromDictationFlag");
    const QStringList lines = hosttest::LogLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d : SetWebsite: HostName, http://127\\.0\\.0\\.1/ "
                                   "LastError = -?\\d+$")
                    .match(lines.first())
                    .hasMatch())
        << lines.first().toStdString();
}

TEST(PropertyExchange, EverySessionFieldIsFilledAsGivenAndMissingOnesAreEmpty) {
    SessionSettings session;
    ExchangeProperties(Bag(kFullSession), session);
    // Values are not trimmed; the provider list is split into entries.
    EXPECT_EQ(Stored(session),
              (QStringList{"http://127.0.0.1/", "12", " Provider One ", "12~Provider One\n15~Provider Two",
                           "[12]3~North Clinic|4~South Clinic[15]3~North Clinic",
                           "Electronically signed by Provider One", "1", "MRN", "1"}));

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

TEST(LaunchCommandLine, PagesAndMistakes) {
    // A "velmo:" address or a lone argument is the host page.
    const std::pair<QStringList, QString> pages[] = {
        {{"velmo:http://127.0.0.1/desk.php?user=12"}, "http://127.0.0.1/desk.php?user=12"},
        {{"VELMO://reports.example/desk.php"}, "https://reports.example/desk.php"},
    };
    for (const auto& [args, page] : pages) {
        EXPECT_EQ(Parse(args).page, page) << args.join(' ').toStdString();
    }
    // Arguments split at "|".
    const char* const mistakes[] = {"--param|NoEquals", "--size|99999x1", "--register|--unregister",
                                    "--version=1", "--fixed-waits=yes"};
    for (const char* args : mistakes) {
        EXPECT_FALSE(Parse(QString(args).split('|')).error.isEmpty()) << args;
    }
    EXPECT_FALSE(Parse({}).fixedWaits);
    EXPECT_TRUE(Parse({"--fixed-waits"}).fixedWaits);
}

TEST(LaunchProperties, ParamsReplacePageValuesAndLaterParamsWin) {
    QTemporaryDir dir;
    const QString page = dir.filePath("desk.html");
    hosttest::WriteFile(page, "<object data='VELMO.VelmoCtrl.1'><param name='ServerURL' value='http://page/'>"
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
