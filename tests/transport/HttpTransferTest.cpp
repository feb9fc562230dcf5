#include "tests/support/PromptsDouble.h"
#include "tests/transport/TransportTestSupport.h"
#include "transport/CHttp.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class HttpTransfer : public ::testing::Test {
protected:
    void SetUp() override {
        PromptsDouble::Current().Clear();
        ASSERT_TRUE(dir_.isValid());
    }
    QString Local(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    // Starts a server with options and opens http_ on path there, keeping the answer.
    bool Open(const QString& path, StandInServer::Options options = {}) {
        server_ = StartServer(std::move(options));
        http_.SetNotificationWindow(&recorder_, &client_);
        http_.SetKeepResponse(true);
        return server_ && http_.SetURL(server_->BaseUrl() + path) == 1 && http_.OpenInternetSession() == 1;
    }
    bool Open(const QString& path, const QString& fault) {
        StandInServer::Options options;
        options.fault = fault;
        return Open(path, options);
    }
    QTemporaryDir dir_;
    std::unique_ptr<StandInServer> server_;
    NotificationRecorder recorder_;
    int client_ = 0;
    CHttp http_;
};

const QString kStatusOpen =
    u"qm_statusupdate.php?physicianid=12&locationid=1&vfilename=R260001&field=open&value=1"_s;

TEST_F(HttpTransfer, DownloadFillsFileAndPostsNotifications) {
    ASSERT_TRUE(Open(u"bigfile?size=100000"_s));
    http_.SetLocalFile(Local("big.bin"));
    ASSERT_EQ(http_.DownloadFile(), 1) << http_.GetErrorText().toStdString();
    EXPECT_EQ(ReadAll(Local("big.bin")), BigFileBytes(100000));
    EXPECT_EQ(http_.CloseSession(), 1);

    const auto seen = recorder_.Drain();
    QList<int> statuses;
    int sizeNotices = 0;
    int updates = 0;
    ProgressBlock last;
    for (const auto& n : seen) {
        EXPECT_EQ(n.client, &client_);
        if (n.code == MSG_STATUS) {
            statuses.append(static_cast<int>(n.value));
        } else if (n.code == MSG_PROGRESS && n.value == PROGRESS_TOTAL_SIZE) {
            ++sizeNotices;
        } else if (n.code == MSG_PROGRESS && n.value == PROGRESS_UPDATED) {
            ++updates;
            last = n.progress;
        }
    }
    EXPECT_EQ(statuses, (QList<int>{10, 11, 20, 21}));
    EXPECT_EQ(sizeNotices, 1);
    EXPECT_EQ(recorder_.Announced(), 100000);
    // One update per chunk at most the transfer chunk long.
    EXPECT_GE(updates, static_cast<int>(100000 / CHttp::kTransferChunk));
    EXPECT_EQ(last.bytesDone, 100000u);
    EXPECT_EQ(last.bytesRemaining, 0u);
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.last().code, MSG_DONE);
}

TEST_F(HttpTransfer, ZeroBytesReachTheFileButEndEachChunkOfTheText) {
    // Byte 0 of this body is the only zero, so the text can only hold bytes of later chunks.
    ASSERT_TRUE(Open(u"bigfile?size=251"_s));
    http_.SetLocalFile(Local("zero.bin"));
    ASSERT_EQ(http_.DownloadFile(), 1);
    const QByteArray body = BigFileBytes(251);
    EXPECT_EQ(ReadAll(Local("zero.bin")), body);
    const QByteArray text = http_.GetResponseBytes();
    EXPECT_FALSE(text.contains('\0'));
    EXPECT_LT(text.size(), body.size());
    EXPECT_TRUE(body.endsWith(text));
}

TEST_F(HttpTransfer, WithoutLocalFileTheAnswerIsKeptAndTheQueryGoesOutUnescapedExceptWhatAUrlCannotCarry) {
    server_ = StartServer();
    ASSERT_TRUE(server_);
    CHttp http; // neither a local file nor SetKeepResponse
    http.SetURL(server_->BaseUrl() + kStatusOpen + u"&name=Jane Doe&cps=A~B|C&q=50%"_s);
    ASSERT_EQ(http.OpenInternetSession(), 1);
    ASSERT_EQ(http.DownloadFile(), 1);
    EXPECT_EQ(http.GetResponse(), u"~"_s);
    EXPECT_EQ(Queries(*server_, u"qm_statusupdate.php"_s),
              QStringList{kStatusOpen.mid(kStatusOpen.indexOf(QLatin1Char('?')) + 1) +
                          u"&name=Jane%20Doe&cps=A~B|C&q=50%"_s});
}

TEST_F(HttpTransfer, SecureRequestRelaxesTheSelfSignedCertificateAndUsesPort443) {
    server_ = StartServer();
    ASSERT_TRUE(server_);
    const QString url = u"http://%1:8080/getservertime.asp"_s.arg(server_->Address());
    CHttp secure;
    secure.SetKeepResponse(true);
    secure.SetURL(url);
    secure.SetSecure(true);
    ASSERT_EQ(secure.OpenInternetSession(), 1);
    ASSERT_EQ(secure.DownloadFile(), 1) << secure.GetErrorText().toStdString();
    EXPECT_FALSE(secure.GetResponse().isEmpty());
    EXPECT_EQ(Missing(TodayLog(), {u"Error in HttpSendRequest   in HandleAuthentication,60"_s,
                                   u"resending in HandleAuthentication LastError"_s}),
              QStringList());

    // Without SetSecure the URL's own port is used, where nothing listens.
    CHttp plain;
    plain.SetURL(url);
    ASSERT_EQ(plain.OpenInternetSession(), 1);
    EXPECT_EQ(plain.DownloadFile(), 0);
    EXPECT_EQ(plain.GetErrorText(), u"Failed in call to HttpSendRequest, Error:7\n"_s);
    EXPECT_EQ(server_->JournalFor(u"getservertime.asp"_s).size(), 1);
}

TEST_F(HttpTransfer, RedirectsLeadToTheWebOnly) {
    const QString secret = Local("secret.txt");
    ASSERT_TRUE(WriteAll(secret, "local secret"));
    server_ = StartServer();
    ASSERT_TRUE(server_);
    const struct {
        QString target;
        int result;
    } cases[] = {
        {server_->BaseUrl() + u"getservertime.asp"_s, 1},
        {u"file://"_s + secret, 0},
        {u"ftp://%1/secret.txt"_s.arg(server_->Address()), 0},
    };
    for (const auto& c : cases) {
        CHttp http;
        http.SetKeepResponse(true);
        http.SetURL(server_->BaseUrl() + u"redirect?to="_s + c.target);
        ASSERT_EQ(http.OpenInternetSession(), 1);
        EXPECT_EQ(http.DownloadFile(), c.result) << c.target.toStdString();
        // Refused before any connection is tried (a followed ftp:// would fail to connect instead).
        EXPECT_EQ(http.GetErrorText(),
                  c.result == 1 ? QString() : u"Failed in call to HttpSendRequest, Error:1\n"_s);
        EXPECT_FALSE(http.GetResponse().contains(u"secret"_s));
        EXPECT_EQ(http.GetResponse().count(QLatin1Char(':')), c.result * 2) << "the server time, or nothing";
    }
}

TEST_F(HttpTransfer, MisbehavingServersEndAsTheLogSays) {
    const struct {
        const char* fault;
        const char* path;
        int result;
        const char* error; // the error text afterwards, or a part of the log
        const char* logged;
    } cases[] = {
        {"big-header", "getservertime.asp", 1, "", ""},
        {"407", "getservertime.asp", 1, "", "Inside  HTTP_STATUS_PROXY_AUTH_REQ in HandleAuthentication,0"},
        {"no-length", "getservertime.asp", 1,
         "Error unable to retrieve FileSize for :", "Error in HttpQueryInfo in _DownloadFile,0"},
        {"status500", "getservertime.asp", 0,
         "HTTP status code != HTTP_STATUS_OK, Error:0 status code =500\n",
         "Inside status code != HTTP_STATUS_OK in HandleAuthentication,0"},
        {"drop", "qm_download_files.php?filename=R260001", 0,
         "Failed in call to InternetReadFile, Error:18\n",
         "Failed in call to InternetReadFile in _DownloadFile,18"},
    };
    server_ = StartServer();
    ASSERT_TRUE(server_);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        ASSERT_TRUE(server_->SetFault(QString::fromLatin1(c.fault)));
        const LogMark mark;
        NotificationRecorder recorder;
        CHttp http;
        http.SetNotificationWindow(&recorder);
        const QString path = Local(c.fault);
        http.SetLocalFile(path);
        http.SetURL(server_->BaseUrl() + QString::fromLatin1(c.path));
        ASSERT_EQ(http.OpenInternetSession(), 1);
        EXPECT_EQ(http.DownloadFile(), c.result) << http.GetErrorText().toStdString();
        EXPECT_EQ(http.GetErrorText().left(static_cast<int>(qstrlen(c.error))), QString::fromLatin1(c.error));
        EXPECT_TRUE(*c.logged == '\0' || mark.Text().contains(QString::fromLatin1(c.logged)));
        qint64 announced = -1;
        const auto seen = recorder.Drain();
        for (const auto& n : seen) {
            announced = n.code == MSG_PROGRESS && n.value == PROGRESS_TOTAL_SIZE ? n.data : announced;
        }
        ASSERT_FALSE(seen.isEmpty());
        EXPECT_EQ(seen.last().code, c.result == 1 ? MSG_DONE : MSG_ERROR);
        if (QByteArray(c.fault) == "status500") {
            EXPECT_FALSE(QFileInfo::exists(path)) << "nothing is read after a bad status";
        } else if (QByteArray(c.fault) == "drop") {
            EXPECT_EQ(QFileInfo(path).size(), announced / 2) << "the part that came stays";
        } else {
            EXPECT_FALSE(ReadAll(path).isEmpty());
            EXPECT_EQ(recorder.Saw(MSG_WARNING, WARNING_SIZE_UNKNOWN), QByteArray(c.fault) == "no-length");
        }
    }
    EXPECT_TRUE(TodayLog().contains(
        u"inside Notify client MSG_ERRORError unable to retrieve FileSize for :"_s + Local("no-length")));
}

class HttpLogin : public HttpTransfer {
protected:
    void SetUp() override {
        HttpTransfer::SetUp();
        StandInServer::Options options;
        options.requireAuth = u"desk:s3cret"_s;
        ASSERT_TRUE(Open(kStatusOpen, options));
    }
};

TEST_F(HttpLogin, CredentialDialogDecidesBetweenResendAndTheRefusal) {
    const struct {
        std::vector<const char*> typed; // passwords typed, one per dialog; none: cancelled
        int result;
        const char* response;
        int dialogs;
        const char* logged;
    } cases[] = {
        {{},
         1,
         "Authorization is required to use the report service.",
         1,
         "Inside  HTTP_STATUS_DENIED in HandleAuthentication,0"},
        {{"s3cret"}, 1, "~", 1, "resending in HandleAuthentication after HTTP_STATUS_DENIED"},
        {std::vector<const char*>(3 * CHttp::kMaxResends, "wrong"), 0, "", CHttp::kMaxResends,
         "status code =401"},
    };
    for (const auto& c : cases) {
        PromptsDouble::Current().Clear();
        for (const char* password : c.typed) {
            PromptsDouble::Current().QueueCredentials(
                {Prompts::CredentialAnswer::Retry, {u"desk"_s, QString::fromLatin1(password)}});
        }
        const LogMark mark;
        const auto before = server_->Journal().size();
        CHttp http;
        http.SetKeepResponse(true);
        http.SetURL(server_->BaseUrl() + kStatusOpen);
        ASSERT_EQ(http.OpenInternetSession(), 1);
        EXPECT_EQ(http.DownloadFile(), c.result) << c.dialogs;
        EXPECT_EQ(http.GetResponse(), QString::fromLatin1(c.response));
        EXPECT_EQ(PromptsDouble::Current().CredentialRequests(), c.dialogs);
        EXPECT_EQ(server_->Journal().size() - before,
                  c.typed.empty() ? 1 : std::min<qsizetype>(c.typed.size(), CHttp::kMaxResends) + 1);
        EXPECT_TRUE((mark.Text() + http.GetErrorText()).contains(QString::fromLatin1(c.logged)));
    }
}

} // namespace
