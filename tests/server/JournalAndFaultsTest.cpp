// The journal, the fault modes, --require-auth and the transfer facilities.
#include "tests/server/ServerTestBase.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

using namespace ServerClient;

namespace {

std::string ListQuery() {
    return "qm_download_filelist.php?loginuserid=12&physicianid=All&locationid=All&fromdate=" + IsoDay(6) +
           "&todate=" + IsoDay(0) + "&reporttype=t";
}

// A server of its own with the given misbehaviour (or credentials).
class FaultyServer {
public:
    explicit FaultyServer(const QString& fault, const QString& auth = {})
        : server_(StandInServer::Options{true, fault, auth}) {}
    bool Start() { return server_.Start(); }
    std::string Url(const std::string& script) const { return server_.BaseUrl().toStdString() + script; }
    std::string Error() const { return server_.Error().toStdString(); }

private:
    StandInServer server_;
};

} // namespace

TEST_F(ServerTest, JournalKeepsTheRawQueryAndRequestFacts) {
    const std::string raw = "loginuserid=12&physicianid=All&locationid=All&fromdate=" + IsoDay(6) +
                            "&todate=" + IsoDay(0) + "&reporttype=t&note=a|b~c[1]%20d";
    ASSERT_EQ(Get(Url("qm_download_filelist.php?" + raw)).status, 200);
    const auto entries = server_.JournalFor(QStringLiteral("qm_download_filelist.php"));
    ASSERT_EQ(entries.size(), 1);
    const QJsonObject& entry = entries.front();
    EXPECT_EQ(entry.value(QStringLiteral("query")).toString().toStdString(), raw);
    EXPECT_EQ(entry.value(QStringLiteral("method")).toString(), QStringLiteral("GET"));
    EXPECT_EQ(entry.value(QStringLiteral("path")).toString(), QStringLiteral("/qm_download_filelist.php"));
    EXPECT_TRUE(entry.value(QStringLiteral("content_length")).isNull());
    EXPECT_TRUE(entry.value(QStringLiteral("content_type")).isNull());
    EXPECT_EQ(entry.value(QStringLiteral("body_size")).toInt(), 0);
    EXPECT_FALSE(entry.value(QStringLiteral("time")).toString().isEmpty());
    // The blank arrives encoded and is decoded for the script, so the extra key does no harm.
    EXPECT_FALSE(ParseFileList(ZippedText(Url("qm_download_filelist.php?" + raw))).empty());
}

TEST_F(ServerTest, JournalWritesRawBytesAsValidJson) {
    ASSERT_EQ(PostDeskForm(Url("qm_cp_add.php"), {{"loginid", Scramble("12")}, {"cps", "Caf\xe9~"}}).body,
              "~");
    const auto entries = server_.JournalFor(QStringLiteral("qm_cp_add.php"));
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries.front()
                  .value(QStringLiteral("fields"))
                  .toArray()
                  .at(1)
                  .toObject()
                  .value(QStringLiteral("value")),
              QString::fromLatin1("Caf\xe9~"));
}

TEST(ServerFaults, Status500AnswersEveryScriptButNotTheHostPage) {
    FaultyServer server(QStringLiteral("status500"));
    ASSERT_TRUE(server.Start()) << server.Error();
    EXPECT_EQ(Get(server.Url(ListQuery())).status, 500);
    EXPECT_EQ(Get(server.Url("getservertime.asp")).status, 500);
    EXPECT_EQ(ProbePost(server.Url("qm_esign.php")).status, 500);
    EXPECT_EQ(Get(server.Url("desk.php")).status, 200);
}

TEST(ServerFaults, AsteriskReplacesZippedListsOnly) {
    FaultyServer server(QStringLiteral("asterisk"));
    ASSERT_TRUE(server.Start()) << server.Error();
    for (const std::string& script :
         {ListQuery(), std::string("addressbook.php?physicianid=12"),
          std::string("qm_versionlist.php?physicianid=12&filename=R260001&locationid=3"),
          std::string("qm_customproperties.php?physicianid=12")}) {
        const auto reply = Get(server.Url(script));
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(reply.body, "*The report service is busy. Please try again in a few minutes.*") << script;
    }
    EXPECT_TRUE(Unzip(Get(server.Url("qm_download_files.php?filename=R260001")).body).has_value());
}

TEST(ServerFaults, BadZipIsNoArchiveAndZipSlipClimbsOutOfItsFolder) {
    FaultyServer bad(QStringLiteral("bad-zip"));
    ASSERT_TRUE(bad.Start()) << bad.Error();
    for (const std::string& script : {ListQuery(), std::string("qm_download_files.php?filename=R260001")}) {
        const auto reply = Get(bad.Url(script));
        EXPECT_EQ(reply.body.substr(0, 2), "PK") << script;
        EXPECT_FALSE(Unzip(reply.body).has_value()) << script;
    }

    FaultyServer slip(QStringLiteral("zip-slip"));
    ASSERT_TRUE(slip.Start()) << slip.Error();
    const auto entries = Unzip(Get(slip.Url(ListQuery())).body);
    ASSERT_TRUE(entries && entries->size() == 1);
    EXPECT_EQ(entries->front().name, "../../escape.txt");
}

TEST(ServerFaults, NoLengthSendsTheWholeBodyWithoutContentLength) {
    FaultyServer server(QStringLiteral("no-length"));
    ASSERT_TRUE(server.Start()) << server.Error();
    const auto reply = Get(server.Url(ListQuery()));
    EXPECT_EQ(reply.code, CURLE_OK);
    EXPECT_FALSE(reply.Header("Content-Length").has_value());
    EXPECT_EQ(reply.Header("Transfer-Encoding").value_or(""), "chunked");
    EXPECT_FALSE(ParseFileList(SingleFileText(reply.body).value_or("")).empty());
}

TEST(ServerFaults, DropClosesHalfWayThroughTheAnnouncedBody) {
    FaultyServer server(QStringLiteral("drop"));
    ASSERT_TRUE(server.Start()) << server.Error();
    const auto reply = Get(server.Url(ListQuery()));
    EXPECT_EQ(reply.code, CURLE_PARTIAL_FILE);
    const long long announced = std::stoll(reply.Header("Content-Length").value_or("0"));
    EXPECT_GT(announced, 0);
    EXPECT_EQ(static_cast<long long>(reply.body.size()), announced / 2);
}

TEST(ServerFaults, SlowTricklesTheBodyButDeliversAllOfIt) {
    FaultyServer server(QStringLiteral("slow"));
    ASSERT_TRUE(server.Start()) << server.Error();
    const auto reply = Get(server.Url("qm_download_files.php?filename=R260001"));
    EXPECT_EQ(reply.code, CURLE_OK);
    EXPECT_TRUE(Unzip(reply.body).has_value());
    // 128-byte pieces with pauses between them reach the client one by one.
    EXPECT_GE(reply.writes, static_cast<int>(reply.body.size() / 128 / 2));
    EXPECT_GT(reply.writes, 3);
}

TEST(ServerFaults, BigHeaderAddsA64KiBHeaderLine) {
    FaultyServer server(QStringLiteral("big-header"));
    ASSERT_TRUE(server.Start()) << server.Error();
    const auto reply = Get(server.Url("getservertime.asp"));
    EXPECT_EQ(reply.code, CURLE_OK);
    EXPECT_EQ(reply.Header("X-Velmo-Padding").value_or("").size(), 64u * 1024u);
}

TEST(ServerFaults, RequireAuthChallengesUntilTheCredentialsCome) {
    FaultyServer server(QString(), QStringLiteral("amelia:s3cret"));
    ASSERT_TRUE(server.Start()) << server.Error();
    const auto none = Get(server.Url(ListQuery()));
    EXPECT_EQ(none.status, 401);
    EXPECT_NE(none.Header("WWW-Authenticate").value_or("").find("Basic realm="), std::string::npos);
    EXPECT_EQ(Get(server.Url(ListQuery()), {"amelia:wrong"}).status, 401);
    const auto good = Get(server.Url(ListQuery()), {"amelia:s3cret"});
    EXPECT_EQ(good.status, 200);
    EXPECT_TRUE(Unzip(good.body).has_value());
}

TEST_F(ServerTest, BigFileStreamsItsPatternAndUploadSinkCountsTheBody) {
    const std::size_t size = 3 * 1024 * 1024 + 7;
    const auto file = Get(Url("bigfile?size=" + std::to_string(size)));
    ASSERT_EQ(file.status, 200);
    EXPECT_EQ(file.Header("Content-Length").value_or(""), std::to_string(size));
    ASSERT_EQ(file.body.size(), size);
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < size; ++i) {
        wrong += static_cast<unsigned char>(file.body[i]) != i % 251 ? 1 : 0;
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(Get(Url("bigfile?size=lots")).status, 400);

    const std::string body(2 * 1024 * 1024 + 3, 'x');
    const auto sink = Post(Url("upload-sink"), DeskFormType("b"), body);
    EXPECT_EQ(sink.body, "~" + std::to_string(body.size()));
    const auto entries = server_.JournalFor(QStringLiteral("upload-sink"));
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries.front().value(QStringLiteral("body_size")).toInteger(),
              static_cast<qint64>(body.size()));
}

TEST_F(ServerTest, ASecondServerOnTheSameAddressFailsWithOneLineOnStderr) {
    QTemporaryDir data;
    QProcess second;
    second.start(QStringLiteral(REPORT_SERVER_BINARY),
                 {QStringLiteral("--data"), data.path(), QStringLiteral("--bind"), server_.Address()});
    ASSERT_TRUE(second.waitForFinished(10000)) << "it must not share the port";
    EXPECT_NE(second.exitCode(), 0);
    const QString error = QString::fromUtf8(second.readAllStandardError()).trimmed();
    EXPECT_TRUE(error.startsWith(QStringLiteral("report-server: cannot bind"))) << error.toStdString();
    EXPECT_FALSE(error.contains(QLatin1Char('\n')));
    EXPECT_FALSE(second.readAllStandardOutput().contains("listening"));
}
