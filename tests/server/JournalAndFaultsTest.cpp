// The journal, the fault modes (from the command line and set while running), --require-auth and
// the one-server-per-address rule. The transfer facilities are exercised by the transport tests.
#include "tests/server/ServerTestBase.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

using namespace Qt::StringLiterals;

using namespace ServerClient;

namespace {

std::string ListQuery() {
    return "qm_download_filelist.php?loginuserid=12&physicianid=All&locationid=All&fromdate=" + IsoDay(6) +
           "&todate=" + IsoDay(0) + "&reporttype=t";
}

const std::string kBusy = "*The report service is busy. Please try again in a few minutes.*";

// A server of its own with the given misbehaviour and options.
class ServerFaults : public ::testing::Test {
protected:
    bool Start(const QString& fault, StandInServer::Options options = {}) {
        options.fault = fault;
        server_ = std::make_unique<StandInServer>(options);
        const bool started = server_->Start();
        EXPECT_TRUE(started) << server_->Error().toStdString();
        return started;
    }
    std::string Url(const std::string& script) const { return server_->BaseUrl().toStdString() + script; }

    std::unique_ptr<StandInServer> server_;
};

} // namespace

TEST_F(ServerTest, JournalKeepsTheRequestAsReceivedWithSchemePortAndStatus) {
    const std::string raw = ListQuery() + "&note=a|b~c[1]%20d";
    ASSERT_EQ(Get(Url(raw)).status, 200);
    ASSERT_EQ(Get(SecureUrl("getservertime.asp")).status, 200);
    ASSERT_EQ(Get(Url("no_such.php")).status, 404);
    ASSERT_EQ(PostDeskForm(Url("qm_cp_add.php"), {{"loginid", Scramble("12")}, {"cps", "Caf\xe9~"}}).body,
              "~");
    const auto entries = server_.Journal();
    ASSERT_EQ(entries.size(), 4);
    const QJsonObject& list = entries[0];
    EXPECT_EQ("qm_download_filelist.php?" + list["query"].toString().toStdString(), raw);
    EXPECT_EQ(list["method"].toString(), u"GET"_s);
    EXPECT_TRUE(list["content_length"].isNull() && list["content_type"].isNull());
    EXPECT_FALSE(list["time"].toString().isEmpty());
    const auto via = [](const QJsonObject& e) {
        return e["scheme"].toString().toStdString() + ":" + std::to_string(e["port"].toInt()) + " " +
               std::to_string(e["status"].toInt());
    };
    EXPECT_EQ(via(entries[0]), "http:80 200");
    EXPECT_EQ(via(entries[1]), "https:443 200");
    EXPECT_EQ(via(entries[2]), "http:80 404");
    // Bytes that are no UTF-8 still make valid JSON.
    EXPECT_EQ(entries[3]["fields"].toArray().at(1).toObject()["value"], QString::fromLatin1("Caf\xe9~"));
}

TEST_F(ServerFaults, ExtraPortServesTheSameScriptsAndIsJournaledAsItself) {
    StandInServer::Options options;
    options.extraHttpPort = 8080;
    ASSERT_TRUE(Start(QString(), options));
    EXPECT_NE(server_->StartupOutput().indexOf(u"extra-http=8080"_s), -1);
    EXPECT_EQ(server_->BaseUrl(), u"http://%1:8080/"_s.arg(server_->Address()));
    EXPECT_TRUE(Unzip(Get(Url(ListQuery())).body).has_value());
    const auto entries = server_->Journal();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0]["port"].toInt(), 8080);
    EXPECT_EQ(entries[0]["scheme"].toString(), u"http"_s);
}

TEST_F(ServerFaults, CommandLineModesBendTheAnswers) {
    const std::string document = "qm_download_files.php?filename=R260001";
    ASSERT_TRUE(Start("status500"));
    EXPECT_EQ(Get(Url(ListQuery())).status, 500);
    EXPECT_EQ(ProbePost(Url("qm_esign.php")).status, 500);
    EXPECT_EQ(Get(Url("desk.php")).status, 200) << "the host page always behaves";

    ASSERT_TRUE(Start("asterisk"));
    for (const std::string& script : {ListQuery(), std::string("addressbook.php?physicianid=12"),
                                      std::string("qm_customproperties.php?physicianid=12")}) {
        EXPECT_EQ(Get(Url(script)).body, kBusy) << script;
    }
    EXPECT_TRUE(Unzip(Get(Url(document)).body).has_value()) << "documents are no lists";

    ASSERT_TRUE(Start("bad-zip"));
    const auto cut = Get(Url(document)).body;
    EXPECT_EQ(cut.substr(0, 2), "PK");
    EXPECT_FALSE(Unzip(cut).has_value());

    ASSERT_TRUE(Start("zip-slip"));
    const auto slip = Unzip(Get(Url(ListQuery())).body);
    ASSERT_TRUE(slip && slip->size() == 1);
    EXPECT_EQ(slip->front().name, "../../escape.txt");

    ASSERT_TRUE(Start("no-length"));
    auto reply = Get(Url(ListQuery()));
    EXPECT_FALSE(reply.Header("Content-Length").has_value());
    EXPECT_EQ(reply.Header("Transfer-Encoding").value_or(""), "chunked");
    EXPECT_FALSE(ParseFileList(SingleFileText(reply.body).value_or("")).empty());

    ASSERT_TRUE(Start("drop"));
    reply = Get(Url(ListQuery()));
    EXPECT_EQ(reply.code, CURLE_PARTIAL_FILE);
    EXPECT_EQ(static_cast<long long>(reply.body.size()),
              std::stoll(reply.Header("Content-Length").value_or("0")) / 2);

    ASSERT_TRUE(Start("slow"));
    reply = Get(Url(document));
    EXPECT_TRUE(Unzip(reply.body).has_value());
    EXPECT_GE(reply.writes, static_cast<int>(reply.body.size() / 128 / 2)) << "128-byte pieces, one by one";

    ASSERT_TRUE(Start("big-header"));
    EXPECT_EQ(Get(Url("getservertime.asp")).Header("X-Velmo-Padding").value_or("").size(), 64u * 1024u);
}

TEST_F(ServerFaults, FaultsAimedAtOneScriptChangeWhileTheServerRuns) {
    ASSERT_TRUE(Start(QString()));
    const std::string status =
        "qm_statusupdate.php?physicianid=12&locationid=3&vfilename=R260001&field=open&value=1";
    ASSERT_TRUE(server_->SetFault(u"refuse"_s, u"QM_STATUSUPDATE.PHP"_s));
    auto reply = Get(Url(status));
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, "The report service cannot do this right now.");
    EXPECT_NE(Get(Url("getservertime.asp")).body, reply.body) << "other scripts behave";

    ASSERT_TRUE(server_->SetFault(u"empty"_s, u"qm_statusupdate.php"_s));
    reply = Get(Url(status));
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, "");

    ASSERT_TRUE(server_->SetFault(u"407"_s));
    reply = Get(Url("getservertime.asp"));
    EXPECT_EQ(reply.status, 407);
    EXPECT_EQ(reply.Header("Proxy-Authenticate").value_or(""), "Basic realm=\"Velmo proxy\"");
    EXPECT_EQ(Get(Url(status)).body, "") << "a script's own fault wins over the one for all";

    ASSERT_TRUE(server_->ClearFaults(u"qm_statusupdate.php"_s));
    EXPECT_EQ(Get(Url(status)).status, 407);
    ASSERT_TRUE(server_->ClearFaults());
    EXPECT_EQ(Get(Url(status)).body, "~");
    EXPECT_EQ(Get(Url("getservertime.asp")).status, 200);
    EXPECT_FALSE(server_->SetFault(u"sideways"_s));
    // Control requests are not the desk's: the journal holds only the eight script requests.
    EXPECT_EQ(server_->Journal().size(), 8);
}

TEST_F(ServerFaults, RequireAuthChallengesUntilTheCredentialsCome) {
    StandInServer::Options options;
    options.requireAuth = u"amelia:s3cret"_s;
    ASSERT_TRUE(Start(QString(), options));
    const auto none = Get(Url(ListQuery()));
    EXPECT_EQ(none.status, 401);
    EXPECT_NE(none.Header("WWW-Authenticate").value_or("").find("Basic realm="), std::string::npos);
    EXPECT_EQ(Get(Url(ListQuery()), {"amelia:wrong"}).status, 401);
    EXPECT_TRUE(Unzip(Get(Url(ListQuery()), {"amelia:s3cret"}).body).has_value());
}

TEST_F(ServerTest, ASecondServerOnTheSameAddressFailsWithOneLineOnStderr) {
    QTemporaryDir data;
    QProcess second;
    second.start(QStringLiteral(REPORT_SERVER_BINARY),
                 {u"--data"_s, data.path(), u"--bind"_s, server_.Address()});
    ASSERT_TRUE(second.waitForFinished(10000)) << "it must not share the port";
    EXPECT_NE(second.exitCode(), 0);
    const QString error = QString::fromUtf8(second.readAllStandardError()).trimmed();
    EXPECT_TRUE(error.startsWith(u"report-server: cannot bind"_s)) << error.toStdString();
    EXPECT_FALSE(error.contains(QLatin1Char('\n')));
}
