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
        server_ = StartServer();
        ASSERT_TRUE(server_ && dir_.isValid());
    }
    QString Local(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    QString Url(const QString& path) const { return server_->BaseUrl() + path; }
    QTemporaryDir dir_;
    std::unique_ptr<StandInServer> server_;
};

const QString kStatusOpen =
    u"qm_statusupdate.php?physicianid=12&locationid=1&vfilename=R260001&field=open&value=1"_s;

TEST_F(HttpTransfer, DownloadFillsFileAndPostsNotifications) {
    NotificationRecorder recorder;
    int client = 0;
    CHttp http;
    http.SetNotificationWindow(&recorder, &client);
    http.SetLocalFile(Local("big.bin"));
    ASSERT_TRUE(http.SetURL(Url(u"bigfile?size=100000"_s)) == 1 && http.OpenInternetSession() == 1);
    ASSERT_EQ(http.DownloadFile(), 1) << http.GetErrorText().toStdString();
    EXPECT_EQ(ReadAll(Local("big.bin")), BigFileBytes(100000));
    EXPECT_EQ(http.CloseSession(), 1);

    const auto seen = recorder.Drain();
    QList<int> statuses;
    int sizeNotices = 0, updates = 0;
    ProgressBlock last;
    for (const auto& n : seen) {
        EXPECT_EQ(n.client, &client);
        statuses += n.code == MSG_STATUS ? QList<int>{static_cast<int>(n.value)} : QList<int>{};
        sizeNotices += n.code == MSG_PROGRESS && n.value == PROGRESS_TOTAL_SIZE;
        if (n.code == MSG_PROGRESS && n.value == PROGRESS_UPDATED) {
            ++updates;
            last = n.progress;
        }
    }
    EXPECT_EQ(statuses, (QList<int>{10, 11, 20, 21}));
    EXPECT_EQ(sizeNotices, 1);
    EXPECT_EQ(recorder.Announced(), 100000);
    // One update per chunk at most the transfer chunk long.
    EXPECT_GE(updates, static_cast<int>(100000 / CHttp::kTransferChunk));
    EXPECT_TRUE(last.bytesDone == 100000u && last.bytesRemaining == 0u);
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.last().code, MSG_DONE);

    // Zero bytes reach the file but end each chunk of the kept text: byte 0 is the only zero here,
    // so the text can only hold later bytes.
    CHttp zero;
    zero.SetLocalFile(Local("zero.bin"));
    zero.SetKeepResponse(true);
    ASSERT_TRUE(zero.SetURL(Url(u"bigfile?size=251"_s)) == 1 && zero.OpenInternetSession() == 1);
    ASSERT_EQ(zero.DownloadFile(), 1);
    EXPECT_EQ(ReadAll(Local("zero.bin")), BigFileBytes(251));
    const QByteArray text = zero.GetResponseBytes();
    EXPECT_TRUE(!text.contains('\0') && text.size() < 251 && BigFileBytes(251).endsWith(text));
}

// SetSecure sends to 443 whatever port the URL names; without it the URL's own port is used,
// where nothing listens here. Every request goes over TLS, the redirected one too. Redirects go to the
// web only. The query goes out as given but for what a URL cannot carry; without a local file the
// answer is kept.
TEST_F(HttpTransfer, RequestGoesWhereTheAddressAndSetSecureSay) {
    const QString secret = Local("secret.txt");
    ASSERT_TRUE(WriteAll(secret, "local secret"));
    const QString on8080 = u"http://%1:8080/getservertime.asp"_s.arg(server_->Address());
    const QString refused = u"Failed in call to HttpSendRequest, Error:1\n"_s;
    const struct {
        QString url;
        bool secure;
        int result;
        QString error;
        int colons; // 2 in the server time
    } cases[] = {
        {on8080, true, 1, {}, 2},
        {on8080, false, 0, u"Failed in call to HttpSendRequest, Error:7\n"_s, 0},
        {Url(kStatusOpen + u"&name=Jane Doe&cps=A~B|C&q=50%"_s), false, 1, {}, 0},
        {Url(u"redirect?to="_s + Url(u"getservertime.asp"_s)), false, 1, {}, 2},
        // Refused before any connection is tried.
        {Url(u"redirect?to=file://"_s + secret), false, 0, refused, 0},
    };
    for (const auto& c : cases) {
        const Fetched got = Fetch(c.url, {}, c.secure);
        EXPECT_EQ(got.result, c.result) << c.url.toStdString();
        EXPECT_EQ(got.error, c.error) << c.url.toStdString();
        EXPECT_EQ(got.response.count(QLatin1Char(':')), c.colons);
        EXPECT_EQ(got.response.isEmpty(), c.result == 0) << "the answer is kept";
        EXPECT_FALSE(got.response.contains(u"secret"_s));
    }
    EXPECT_EQ(
        Queries(*server_, u"qm_statusupdate.php"_s),
        QStringList{kStatusOpen.mid(kStatusOpen.indexOf(u'?') + 1) + u"&name=Jane%20Doe&cps=A~B|C&q=50%"_s});
    EXPECT_EQ(Vias(*server_, u"getservertime.asp"_s), (QStringList{u"https:443"_s, u"https:443"_s}));
}

TEST_F(HttpTransfer, MisbehavingServersEndAsTheLogSays) {
    const struct {
        const char* fault;
        const char* path;
        int result;
        const char* error; // the error text afterwards, or a part of the log
        const char* logged;
    } cases[] = {
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
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        const QByteArray fault(c.fault);
        ASSERT_TRUE(server_->SetFault(QString::fromLatin1(fault)));
        const LogMark mark;
        NotificationRecorder recorder;
        const QString path = Local(c.fault);
        const Fetched got = Fetch(Url(QString::fromLatin1(c.path)), path, false, &recorder);
        EXPECT_EQ(got.result, c.result) << got.error.toStdString();
        EXPECT_EQ(got.error.left(static_cast<int>(qstrlen(c.error))), QString::fromLatin1(c.error));
        EXPECT_TRUE(mark.Text().contains(QString::fromLatin1(c.logged)));
        const auto seen = recorder.Drain();
        ASSERT_FALSE(seen.isEmpty());
        EXPECT_EQ(seen.last().code, c.result == 1 ? MSG_DONE : MSG_ERROR);
        if (fault == "status500") {
            EXPECT_FALSE(QFileInfo::exists(path)) << "nothing is read after a bad status";
        } else if (fault == "drop") {
            EXPECT_EQ(QFileInfo(path).size(), recorder.Announced() / 2) << "the part that came stays";
        } else {
            EXPECT_FALSE(ReadAll(path).isEmpty());
            EXPECT_EQ(recorder.Saw(MSG_WARNING, WARNING_SIZE_UNKNOWN), fault == "no-length");
        }
    }
    EXPECT_TRUE(TodayLog().contains(
        u"inside Notify client MSG_ERRORError unable to retrieve FileSize for :"_s + Local("no-length")));
}

TEST(HttpLogin, CredentialDialogDecidesBetweenResendAndTheRefusal) {
    auto server = StartServer({}, 0, u"desk:s3cret"_s);
    ASSERT_TRUE(server);
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
        const auto before = server->Journal().size();
        const Fetched got = Fetch(server->BaseUrl() + kStatusOpen);
        EXPECT_EQ(got.result, c.result) << c.dialogs;
        EXPECT_EQ(got.response, QString::fromLatin1(c.response));
        EXPECT_EQ(PromptsDouble::Current().CredentialRequests(), c.dialogs);
        EXPECT_EQ(server->Journal().size() - before,
                  c.typed.empty() ? 1 : std::min<qsizetype>(c.typed.size(), CHttp::kMaxResends) + 1);
        EXPECT_TRUE((mark.Text() + got.error).contains(QString::fromLatin1(c.logged)));
    }
}

} // namespace
