// The journal, the fault modes, --require-auth and the transfer facilities.
#include "tests/server/ServerTestBase.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

using namespace ServerClient;

namespace {

std::string ListQuery() {
    return "qm_download_filelist.php?loginuserid=12&physicianid=All&locationid=All&fromdate=" + IsoDay(6) +
           "&todate=" + IsoDay(0) + "&reporttype=t";
}

// A server of its own with the given misbehaviour (or credentials).
class ServerFaults : public ::testing::Test {
protected:
    bool Start(const QString& fault, const QString& auth = {}) {
        server_ = std::make_unique<StandInServer>(StandInServer::Options{true, fault, auth});
        const bool started = server_->Start();
        EXPECT_TRUE(started) << server_->Error().toStdString();
        return started;
    }
    std::string Url(const std::string& script) const { return server_->BaseUrl().toStdString() + script; }

    std::unique_ptr<StandInServer> server_;
};

} // namespace

TEST_F(ServerTest, JournalKeepsTheRawQueryAndRequestFacts) {
    const std::string raw = "loginuserid=12&physicianid=All&locationid=All&fromdate=" + IsoDay(6) +
                            "&todate=" + IsoDay(0) + "&reporttype=t&note=a|b~c[1]%20d";
    ASSERT_EQ(Get(Url("qm_download_filelist.php?" + raw)).status, 200);
    const auto entries = server_.JournalFor(QStringLiteral("qm_download_filelist.php"));
    ASSERT_EQ(entries.size(), 1);
    const QJsonObject& entry = entries.front();
    EXPECT_EQ(entry["query"].toString().toStdString(), raw);
    EXPECT_EQ(entry["method"].toString(), QStringLiteral("GET"));
    EXPECT_EQ(entry["path"].toString(), QStringLiteral("/qm_download_filelist.php"));
    EXPECT_TRUE(entry["content_length"].isNull());
    EXPECT_TRUE(entry["content_type"].isNull());
    EXPECT_EQ(entry["body_size"].toInt(), 0);
    EXPECT_FALSE(entry["time"].toString().isEmpty());
    // The blank arrives encoded and is decoded for the script, so the extra key does no harm.
    EXPECT_FALSE(ParseFileList(ZippedText(Url("qm_download_filelist.php?" + raw))).empty());
}

TEST_F(ServerTest, JournalWritesRawBytesAsValidJson) {
    ASSERT_EQ(PostDeskForm(Url("qm_cp_add.php"), {{"loginid", Scramble("12")}, {"cps", "Caf\xe9~"}}).body,
              "~");
    const auto entries = server_.JournalFor(QStringLiteral("qm_cp_add.php"));
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries.front()["fields"].toArray().at(1).toObject()["value"], QString::fromLatin1("Caf\xe9~"));
}

TEST_F(ServerFaults, Status500AnswersEveryScriptButNotTheHostPage) {
    ASSERT_TRUE(Start("status500"));
    EXPECT_EQ(Get(Url(ListQuery())).status, 500);
    EXPECT_EQ(Get(Url("getservertime.asp")).status, 500);
    EXPECT_EQ(ProbePost(Url("qm_esign.php")).status, 500);
    EXPECT_EQ(Get(Url("desk.php")).status, 200);
}

TEST_F(ServerFaults, AsteriskReplacesZippedListsOnly) {
    ASSERT_TRUE(Start("asterisk"));
    for (const std::string& script :
         {ListQuery(), std::string("addressbook.php?physicianid=12"),
          std::string("qm_versionlist.php?physicianid=12&filename=R260001&locationid=3"),
          std::string("qm_customproperties.php?physicianid=12")}) {
        const auto reply = Get(Url(script));
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(reply.body, "*The report service is busy. Please try again in a few minutes.*") << script;
    }
    EXPECT_TRUE(Unzip(Get(Url("qm_download_files.php?filename=R260001")).body).has_value());
}

TEST_F(ServerFaults, BadZipIsNoArchiveAndZipSlipClimbsOutOfItsFolder) {
    ASSERT_TRUE(Start("bad-zip"));
    for (const std::string& script : {ListQuery(), std::string("qm_download_files.php?filename=R260001")}) {
        const auto reply = Get(Url(script));
        EXPECT_EQ(reply.body.substr(0, 2), "PK") << script;
        EXPECT_FALSE(Unzip(reply.body).has_value()) << script;
    }

    ASSERT_TRUE(Start("zip-slip"));
    const auto entries = Unzip(Get(Url(ListQuery())).body);
    ASSERT_TRUE(entries && entries->size() == 1);
    EXPECT_EQ(entries->front().name, "../../escape.txt");
}

TEST_F(ServerFaults, NoLengthSendsTheWholeBodyWithoutContentLength) {
    ASSERT_TRUE(Start("no-length"));
    const auto reply = Get(Url(ListQuery()));
    EXPECT_EQ(reply.code, CURLE_OK);
    EXPECT_FALSE(reply.Header("Content-Length").has_value());
    EXPECT_EQ(reply.Header("Transfer-Encoding").value_or(""), "chunked");
    EXPECT_FALSE(ParseFileList(SingleFileText(reply.body).value_or("")).empty());
}

TEST_F(ServerFaults, DropClosesHalfWayThroughTheAnnouncedBody) {
    ASSERT_TRUE(Start("drop"));
    const auto reply = Get(Url(ListQuery()));
    EXPECT_EQ(reply.code, CURLE_PARTIAL_FILE);
    const long long announced = std::stoll(reply.Header("Content-Length").value_or("0"));
    EXPECT_GT(announced, 0);
    EXPECT_EQ(static_cast<long long>(reply.body.size()), announced / 2);
}

TEST_F(ServerFaults, SlowTricklesTheBodyButDeliversAllOfIt) {
    ASSERT_TRUE(Start("slow"));
    const auto reply = Get(Url("qm_download_files.php?filename=R260001"));
    EXPECT_EQ(reply.code, CURLE_OK);
    EXPECT_TRUE(Unzip(reply.body).has_value());
    // 128-byte pieces with pauses between them reach the client one by one.
    EXPECT_GE(reply.writes, static_cast<int>(reply.body.size() / 128 / 2));
    EXPECT_GT(reply.writes, 3);
}

TEST_F(ServerFaults, BigHeaderAddsA64KiBHeaderLine) {
    ASSERT_TRUE(Start("big-header"));
    const auto reply = Get(Url("getservertime.asp"));
    EXPECT_EQ(reply.code, CURLE_OK);
    EXPECT_EQ(reply.Header("X-Velmo-Padding").value_or("").size(), 64u * 1024u);
}

TEST_F(ServerFaults, RequireAuthChallengesUntilTheCredentialsCome) {
    ASSERT_TRUE(Start(QString(), "amelia:s3cret"));
    const auto none = Get(Url(ListQuery()));
    EXPECT_EQ(none.status, 401);
    EXPECT_NE(none.Header("WWW-Authenticate").value_or("").find("Basic realm="), std::string::npos);
    EXPECT_EQ(Get(Url(ListQuery()), {"amelia:wrong"}).status, 401);
    const auto good = Get(Url(ListQuery()), {"amelia:s3cret"});
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
    EXPECT_EQ(entries.front()["body_size"].toInteger(), static_cast<qint64>(body.size()));
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
