#include "tests/support/PromptsDouble.h"
#include "tests/transport/TransportTestSupport.h"
#include "transport/CHttp.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class HttpTransfer : public ::testing::Test {
protected:
    void SetUp() override {
        PromptsDouble::Current().Clear();
        ASSERT_TRUE(dir_.isValid());
    }
    QString Local(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir_;
};

TEST_F(HttpTransfer, DownloadFillsFileAndPostsNotifications) {
    auto server = StartServer();
    ASSERT_TRUE(server);
    NotificationRecorder recorder;
    int client = 0;
    CHttp http;
    http.SetNotificationWindow(&recorder, &client);
    http.SetLocalFile(Local("big.bin"));
    http.SetKeepResponse(true);
    ASSERT_EQ(http.SetURL(server->BaseUrl() + QStringLiteral("bigfile?size=100000")), 1);
    ASSERT_EQ(http.OpenInternetSession(), 1);
    ASSERT_EQ(http.DownloadFile(), 1) << http.GetErrorText().toStdString();
    EXPECT_EQ(ReadAll(Local("big.bin")), BigFileBytes(100000));
    EXPECT_EQ(http.CloseSession(), 1);

    const auto seen = recorder.Drain();
    QList<int> statuses;
    int sizeNotices = 0;
    int updates = 0;
    qint64 announced = -1;
    ProgressBlock last;
    for (const auto& n : seen) {
        EXPECT_EQ(n.client, &client);
        if (n.code == MSG_STATUS) {
            statuses.append(static_cast<int>(n.value));
        } else if (n.code == MSG_PROGRESS && n.value == PROGRESS_TOTAL_SIZE) {
            ++sizeNotices;
            announced = n.data;
        } else if (n.code == MSG_PROGRESS && n.value == PROGRESS_UPDATED) {
            ++updates;
            last = n.progress;
        }
    }
    EXPECT_EQ(statuses, (QList<int>{10, 11, 20, 21}));
    EXPECT_EQ(sizeNotices, 1);
    EXPECT_EQ(announced, 100000);
    // One update per chunk at most the transfer chunk long.
    EXPECT_GE(updates, static_cast<int>(100000 / CHttp::kTransferChunk));
    EXPECT_EQ(last.bytesDone, 100000u);
    EXPECT_EQ(last.bytesRemaining, 0u);
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.last().code, MSG_DONE);
}

TEST_F(HttpTransfer, ZeroBytesReachTheFileButEndEachChunkOfTheText) {
    auto server = StartServer();
    ASSERT_TRUE(server);
    // Byte 0 of this body is the only zero, so the text can only hold bytes of later chunks.
    CHttp http;
    http.SetLocalFile(Local("zero.bin"));
    http.SetKeepResponse(true);
    http.SetURL(server->BaseUrl() + QStringLiteral("bigfile?size=251"));
    ASSERT_EQ(http.OpenInternetSession(), 1);
    ASSERT_EQ(http.DownloadFile(), 1);
    const QByteArray body = BigFileBytes(251);
    EXPECT_EQ(ReadAll(Local("zero.bin")), body);
    const QByteArray text = http.GetResponseBytes();
    EXPECT_FALSE(text.contains('\0'));
    EXPECT_LT(text.size(), body.size());
    EXPECT_TRUE(body.endsWith(text));
}

TEST_F(HttpTransfer, WithoutLocalFileTheBodyIsKeptInMemory) {
    auto server = StartServer();
    ASSERT_TRUE(server);
    CHttp http; // SetKeepResponse not called
    http.SetURL(server->BaseUrl() +
                QStringLiteral("qm_statusupdate.php?physicianid=12&locationid=1&vfilename="
                               "R260001&field=open&value=1"));
    ASSERT_EQ(http.OpenInternetSession(), 1);
    ASSERT_EQ(http.DownloadFile(), 1);
    EXPECT_EQ(http.GetResponse(), QStringLiteral("~"));
}

TEST_F(HttpTransfer, QueryValuesGoOutUnescapedExceptWhatAUrlCannotCarry) {
    auto server = StartServer();
    ASSERT_TRUE(server);
    CHttp http;
    http.SetURL(server->BaseUrl() + QStringLiteral("getservertime.asp?name=Jane Doe&cps=A~B|C&q=50%"));
    ASSERT_EQ(http.OpenInternetSession(), 1);
    ASSERT_EQ(http.DownloadFile(), 1);
    const auto entries = server->JournalFor(QStringLiteral("getservertime.asp"));
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries.first().value(QStringLiteral("query")).toString(),
              QStringLiteral("name=Jane%20Doe&cps=A~B|C&q=50%"));
}

TEST_F(HttpTransfer, SecureRequestRelaxesTheSelfSignedCertificateAndUsesPort443) {
    auto server = StartServer();
    ASSERT_TRUE(server);
    const QString url = QStringLiteral("http://%1:8080/getservertime.asp").arg(server->Address());
    CHttp secure;
    secure.SetKeepResponse(true);
    secure.SetURL(url);
    secure.SetSecure(true);
    ASSERT_EQ(secure.OpenInternetSession(), 1);
    ASSERT_EQ(secure.DownloadFile(), 1) << secure.GetErrorText().toStdString();
    EXPECT_FALSE(secure.GetResponse().isEmpty());
    const QString log = TodayLog();
    EXPECT_TRUE(log.contains(QStringLiteral("Error in HttpSendRequest   in HandleAuthentication,60")))
        << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("resending in HandleAuthentication LastError")));

    // Without SetSecure the URL's own port is used, where nothing listens.
    CHttp plain;
    plain.SetKeepResponse(true);
    plain.SetURL(url);
    ASSERT_EQ(plain.OpenInternetSession(), 1);
    EXPECT_EQ(plain.DownloadFile(), 0);
    EXPECT_EQ(plain.GetErrorText(), QStringLiteral("Failed in call to HttpSendRequest, Error:7\n"));
    EXPECT_EQ(server->JournalFor(QStringLiteral("getservertime.asp")).size(), 1);
}

TEST_F(HttpTransfer, MissingContentLengthIsOnlyAWarning) {
    StandInServer::Options options;
    options.fault = QStringLiteral("no-length");
    auto server = StartServer(options);
    ASSERT_TRUE(server);
    NotificationRecorder recorder;
    CHttp http;
    http.SetNotificationWindow(&recorder);
    const QString path = Local("time.txt");
    http.SetLocalFile(path);
    http.SetKeepResponse(true);
    http.SetURL(server->BaseUrl() + QStringLiteral("getservertime.asp"));
    ASSERT_EQ(http.OpenInternetSession(), 1);
    ASSERT_EQ(http.DownloadFile(), 1) << http.GetErrorText().toStdString();
    EXPECT_FALSE(http.GetResponse().isEmpty());
    EXPECT_EQ(ReadAll(path), http.GetResponseBytes());
    const QString log = TodayLog();
    EXPECT_TRUE(log.contains(QStringLiteral("Error in HttpQueryInfo in _DownloadFile,0")));
    EXPECT_TRUE(log.contains(
        QStringLiteral("inside Notify client MSG_ERRORError unable to retrieve FileSize for :") + path));
    bool warned = false;
    for (const auto& n : recorder.Drain()) {
        warned = warned || (n.code == MSG_WARNING && n.value == WARNING_SIZE_UNKNOWN);
    }
    EXPECT_TRUE(warned);
}

TEST_F(HttpTransfer, ServerErrorFailsBeforeAnythingIsRead) {
    StandInServer::Options options;
    options.fault = QStringLiteral("status500");
    auto server = StartServer(options);
    ASSERT_TRUE(server);
    NotificationRecorder recorder;
    CHttp http;
    http.SetNotificationWindow(&recorder);
    http.SetLocalFile(Local("never.bin"));
    http.SetKeepResponse(true);
    http.SetURL(server->BaseUrl() + QStringLiteral("getservertime.asp"));
    ASSERT_EQ(http.OpenInternetSession(), 1);
    EXPECT_EQ(http.DownloadFile(), 0);
    EXPECT_EQ(http.GetErrorText(),
              QStringLiteral("HTTP status code != HTTP_STATUS_OK, Error:0 status code =500\n"));
    EXPECT_TRUE(http.GetResponse().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(Local("never.bin")));
    EXPECT_TRUE(TodayLog().contains(
        QStringLiteral("Inside status code != HTTP_STATUS_OK in HandleAuthentication,0")));
    const auto seen = recorder.Drain();
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.last().code, MSG_ERROR);
}

TEST_F(HttpTransfer, DroppedConnectionKeepsThePartialFileAndLogsTheFailure) {
    StandInServer::Options options;
    options.fault = QStringLiteral("drop");
    auto server = StartServer(options);
    ASSERT_TRUE(server);
    NotificationRecorder recorder;
    CHttp http;
    http.SetNotificationWindow(&recorder);
    const QString path = Local("R260001");
    http.SetLocalFile(path);
    http.SetURL(server->BaseUrl() + QStringLiteral("qm_download_files.php?filename=R260001"));
    ASSERT_EQ(http.OpenInternetSession(), 1);
    EXPECT_EQ(http.DownloadFile(), 0);
    EXPECT_EQ(http.GetErrorText(), QStringLiteral("Failed in call to InternetReadFile, Error:18\n"));
    EXPECT_TRUE(
        TodayLog().contains(QStringLiteral("Failed in call to InternetReadFile in _DownloadFile,18")));
    qint64 announced = -1;
    for (const auto& n : recorder.Drain()) {
        if (n.code == MSG_PROGRESS && n.value == PROGRESS_TOTAL_SIZE) {
            announced = n.data;
        }
    }
    ASSERT_GT(announced, 0);
    EXPECT_EQ(QFileInfo(path).size(), announced / 2);
}

TEST_F(HttpTransfer, OversizedHeaderLineStillDownloads) {
    StandInServer::Options options;
    options.fault = QStringLiteral("big-header");
    auto server = StartServer(options);
    ASSERT_TRUE(server);
    CHttp http;
    http.SetKeepResponse(true);
    http.SetURL(server->BaseUrl() +
                QStringLiteral("qm_statusupdate.php?physicianid=12&locationid=1&vfilename="
                               "R260001&field=print&value=1"));
    ASSERT_EQ(http.OpenInternetSession(), 1);
    ASSERT_EQ(http.DownloadFile(), 1) << http.GetErrorText().toStdString();
    EXPECT_EQ(http.GetResponse(), QStringLiteral("~"));
}

class HttpLogin : public HttpTransfer {
protected:
    void SetUp() override {
        HttpTransfer::SetUp();
        StandInServer::Options options;
        options.requireAuth = QStringLiteral("desk:s3cret");
        server_ = StartServer(options);
        ASSERT_TRUE(server_);
        http_.SetKeepResponse(true);
        http_.SetURL(server_->BaseUrl() + QStringLiteral("qm_statusupdate.php?physicianid=12&locationid=1"
                                                         "&vfilename=R260001&field=open&value=1"));
        ASSERT_EQ(http_.OpenInternetSession(), 1);
    }
    std::unique_ptr<StandInServer> server_;
    CHttp http_;
};

TEST_F(HttpLogin, CancelledLoginMakesTheRefusalTheAnswer) {
    EXPECT_EQ(http_.DownloadFile(), 1);
    EXPECT_EQ(http_.GetResponse(), QStringLiteral("Authorization is required to use the report service."));
    EXPECT_EQ(PromptsDouble::Current().CredentialRequests(), 1);
    EXPECT_TRUE(TodayLog().contains(QStringLiteral("Inside  HTTP_STATUS_DENIED in HandleAuthentication,0")));
    EXPECT_EQ(server_->Journal().size(), 1);
}

TEST_F(HttpLogin, RetryResendsWithTheTypedCredentials) {
    PromptsDouble::Current().QueueCredentials(
        {Prompts::CredentialAnswer::Retry, {QStringLiteral("desk"), QStringLiteral("s3cret")}});
    EXPECT_EQ(http_.DownloadFile(), 1) << http_.GetErrorText().toStdString();
    EXPECT_EQ(http_.GetResponse(), QStringLiteral("~"));
    EXPECT_EQ(PromptsDouble::Current().CredentialRequests(), 1);
    EXPECT_EQ(server_->Journal().size(), 2);
    EXPECT_TRUE(
        TodayLog().contains(QStringLiteral("resending in HandleAuthentication after HTTP_STATUS_DENIED")));
}

TEST_F(HttpLogin, RepeatedWrongLoginsStopAfterABoundedNumberOfResends) {
    for (int i = 0; i < 3 * CHttp::kMaxResends; ++i) {
        PromptsDouble::Current().QueueCredentials(
            {Prompts::CredentialAnswer::Retry, {QStringLiteral("desk"), QStringLiteral("wrong")}});
    }
    EXPECT_EQ(http_.DownloadFile(), 0);
    EXPECT_EQ(PromptsDouble::Current().CredentialRequests(), CHttp::kMaxResends);
    EXPECT_EQ(server_->Journal().size(), CHttp::kMaxResends + 1);
    EXPECT_TRUE(http_.GetErrorText().contains(QStringLiteral("status code =401")));
}

} // namespace
