#include "host/core/CertificateNotice.h"
#include "tests/support/PromptsDouble.h"
#include "tests/transport/TransportTestSupport.h"

#include <QTemporaryDir>

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
    Fetched Upload(const QString& script, const QString& file, const QList<Multipart::Field>& fields,
                   bool secure = false, NotificationRecorder* seen = nullptr) {
        return Fetch(Url(script), file, secure, seen, fields);
    }
    // The requests to script as the server saw them, each body as long as announced.
    QList<QJsonObject> Sent(const QString& script, int count) const {
        const auto entries = server_->JournalFor(script);
        EXPECT_EQ(entries.size(), count);
        for (const auto& entry : entries) {
            EXPECT_EQ(entry[u"body_size"_s].toInteger(), entry[u"content_length"_s].toString().toLongLong());
        }
        return entries;
    }
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
    EXPECT_EQ(ReadFile(Local("big.bin")), BigFileBytes(100000));
    EXPECT_EQ(http.CloseSession(), 1);

    const auto seen = recorder.Drain();
    QList<int> statuses;
    QList<ProgressBlock> updates;
    int sizeNotices = 0;
    for (const auto& n : seen) {
        EXPECT_EQ(n.client, &client);
        statuses += n.code == MSG_STATUS ? QList<int>{static_cast<int>(n.value)} : QList<int>{};
        sizeNotices += n.code == MSG_PROGRESS && n.value == PROGRESS_TOTAL_SIZE;
        updates += n.code == MSG_PROGRESS && n.value == PROGRESS_UPDATED ? QList{n.progress}
                                                                         : QList<ProgressBlock>{};
    }
    EXPECT_EQ(statuses, (QList<int>{10, 11, 20, 21}));
    EXPECT_EQ(sizeNotices, 1);
    EXPECT_EQ(recorder.Announced(), 100000);
    // One update per chunk at most the transfer chunk long.
    EXPECT_GE(updates.size(), static_cast<int>(100000 / CHttp::kTransferChunk));
    EXPECT_TRUE(!updates.isEmpty() && updates.last().bytesDone == 100000u &&
                updates.last().bytesRemaining == 0u);
    EXPECT_TRUE(!seen.isEmpty() && seen.last().code == MSG_DONE);

    // Zero bytes reach the file but end each chunk of the kept text: byte 0 is the only zero here,
    // so the text can only hold later bytes.
    CHttp zero;
    zero.SetLocalFile(Local("zero.bin"));
    zero.SetKeepResponse(true);
    ASSERT_TRUE(zero.SetURL(Url(u"bigfile?size=251"_s)) == 1 && zero.OpenInternetSession() == 1);
    ASSERT_EQ(zero.DownloadFile(), 1);
    EXPECT_EQ(ReadFile(Local("zero.bin")), BigFileBytes(251));
    const QByteArray text = zero.GetResponseBytes();
    EXPECT_TRUE(!text.contains('\0') && text.size() < 251 && BigFileBytes(251).endsWith(text));
}

// SetSecure sends to 443 whatever port the URL names; without it the URL's own port is used,
// where nothing listens here. Every request goes over TLS, the redirected one too: redirects lead to https
// only, never to a file or back to plain HTTP. The query goes out as given but for what a URL cannot carry;
// without a local file the answer is kept.
TEST_F(HttpTransfer, RequestGoesWhereTheAddressAndSetSecureSay) {
    const QString secret = Local("secret.txt");
    WriteFile(secret, "local secret");
    const QString on8080 = u"http://%1:8080/getservertime.asp"_s.arg(server_->Address());
    const QString refused = u"Failed in call to HttpSendRequest, Error:1\n"_s;
    const struct {
        QString url, error;
        bool secure;
        int result, colons; // 2 colons in the server time
    } cases[] = {
        {on8080, {}, true, 1, 2},
        {on8080, u"Failed in call to HttpSendRequest, Error:7\n"_s, false, 0, 0},
        {Url(kStatusOpen + u"&name=Jane Doe&cps=A~B|C&q=50%"_s), {}, false, 1, 0},
        {Url(u"redirect?to="_s + Url(u"getservertime.asp"_s)), {}, false, 1, 2},
        // Refused before any connection is tried.
        {Url(u"redirect?to=file://"_s + secret), refused, false, 0, 0},
        {Url(u"redirect?to=http://%1/getservertime.asp"_s.arg(server_->Address())), refused, false, 0, 0},
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
        JournalQueries(*server_, u"qm_statusupdate.php"_s, true),
        QStringList{kStatusOpen.mid(kStatusOpen.indexOf(u'?') + 1) + u"&name=Jane%20Doe&cps=A~B|C&q=50%"_s});
    EXPECT_EQ(Vias(*server_, u"getservertime.asp"_s), (QStringList{u"https:443"_s, u"https:443"_s}));
}

TEST_F(HttpTransfer, MisbehavingServersEndAsTheLogSays) {
    const struct {
        const char *fault, *path;
        int result;
        const char *error, *logged; // the start of the error text afterwards; a part of the log
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
        EXPECT_TRUE(!seen.isEmpty() && seen.last().code == (c.result == 1 ? MSG_DONE : MSG_ERROR));
        if (fault == "status500") {
            EXPECT_FALSE(QFileInfo::exists(path)) << "nothing is read after a bad status";
        } else if (fault == "drop") {
            EXPECT_EQ(QFileInfo(path).size(), recorder.Announced() / 2) << "the part that came stays";
        } else {
            EXPECT_FALSE(ReadFile(path).isEmpty());
            EXPECT_EQ(recorder.Saw(MSG_WARNING, WARNING_SIZE_UNKNOWN), fault == "no-length");
        }
    }
    EXPECT_TRUE(TodaysLogText().contains(
        u"inside Notify client MSG_ERRORError unable to retrieve FileSize for :"_s + Local("no-length")));
}

TEST(HttpLogin, CredentialDialogDecidesBetweenResendAndTheRefusal) {
    auto server = StartServer({}, 0, u"desk:s3cret"_s);
    ASSERT_TRUE(server);
    const struct {
        std::vector<const char*> typed; // passwords typed, one per dialog; none: cancelled
        int result, dialogs;
        const char *response, *logged;
    } cases[] = {
        {{},
         1,
         1,
         "Authorization is required to use the report service.",
         "Inside  HTTP_STATUS_DENIED in HandleAuthentication,0"},
        {{"s3cret"}, 1, 1, "~", "resending in HandleAuthentication after HTTP_STATUS_DENIED"},
        {std::vector<const char*>(3 * CHttp::kMaxResends, "wrong"), 0, CHttp::kMaxResends, "",
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
    // An upload's login on the probe carries over to the body.
    PromptsDouble::Current().Clear();
    PromptsDouble::Current().QueueCredentials({Prompts::CredentialAnswer::Retry, {u"desk"_s, u"s3cret"_s}});
    const Fetched got =
        Fetch(server->BaseUrl() + u"upload-sink"_s, {}, false, nullptr, {{{"loginid", "30"}}});
    EXPECT_EQ(got.result, 1) << got.error.toStdString();
    EXPECT_TRUE(got.response.startsWith(QLatin1Char('~'))) << got.response.toStdString();
    EXPECT_EQ(server->JournalFor(u"upload-sink"_s).size(), 3); // refused probe, probe, body
}

// The probe (no body) comes first, then the exact form: the file part with the full local path,
// the whole file (larger than any buffer), the fields in order. A refused probe or an unreadable
// file: no body is sent.
TEST_F(HttpTransfer, UploadProbesFirstThenSendsTheExactBody) {
    const int kLarge = 3 * 1024 * 1024 + 17;
    const QString zip = WriteFile(dir_.filePath(u"R260001.zip"_s), BigFileBytes(kLarge));
    const QList<Multipart::Field> fields{{"loginid", "30"}, {"cps", "Referring Physician~Room~"}};
    for (const QString& file : {QString(), zip}) {
        SCOPED_TRACE(file.toStdString());
        NotificationRecorder recorder;
        const auto before = server_->JournalFor(u"qm_cp_add.php"_s).size();
        const Fetched sent = Upload(u"qm_cp_add.php"_s, file, fields, false, &recorder);
        ASSERT_EQ(sent.result, 1) << sent.error.toStdString();
        const auto entries = Sent(u"qm_cp_add.php"_s, before + 2).mid(before);
        ASSERT_EQ(entries.size(), 2);
        EXPECT_EQ(entries[0][u"body_size"_s].toInt(), 0);
        const QString type = entries[1][u"content_type"_s].toString();
        ASSERT_TRUE(type.startsWith(u"multipart/form-data, boundary="_s)) << type.toStdString();
        const QByteArray boundary = type.mid(type.indexOf(u'=') + 1).toLatin1();
        const qint64 expected = Multipart::BuildFilePart(boundary, file.toUtf8()).size() +
                                ReadFile(file).size() + Multipart::BuildFieldParts(boundary, fields).size() +
                                Multipart::Tail().size();
        EXPECT_EQ(entries[1][u"body_size"_s].toInteger(), expected);
        EXPECT_EQ(recorder.Announced(), expected);
        EXPECT_TRUE(recorder.Saw(MSG_PROGRESS, PROGRESS_UPLOAD_STARTING));
        EXPECT_EQ(JournalFields(entries[1]),
                  (QStringList{u"loginid=30"_s, u"cps=Referring Physician~Room~"_s}));
        EXPECT_EQ(sent.response, u"~"_s);
    }
    EXPECT_EQ(ReadFile(zip), BigFileBytes(kLarge)); // the file on disk is never changed
    // A refused probe or an unreadable file: no body is sent.
    ASSERT_TRUE(server_->SetFault(u"status500"_s, u"qm_cp_add.php"_s));
    const Fetched refused = Upload(u"qm_cp_add.php"_s, {}, {{"loginid", "30"}});
    EXPECT_EQ(refused.result, 0);
    EXPECT_TRUE(refused.error.contains(u"status code =500"_s));
    EXPECT_TRUE(TodaysLogText().contains(u"Error in HandleAuthentication in _UploadFile,0"_s));
    EXPECT_EQ(Sent(u"qm_cp_add.php"_s, 5).at(4)[u"body_size"_s].toInt(), 0); // after two probes and bodies

    ASSERT_TRUE(server_->ClearFaults());
    const QString missing = dir_.filePath(u"gone.zip"_s);
    const Fetched unread = Upload(u"qm_cp_add.php"_s, missing, {});
    EXPECT_EQ(unread.result, 0);
    EXPECT_EQ(unread.error, u"Error reading the file:"_s + missing + u"error: 2"_s);
    EXPECT_EQ(Sent(u"qm_cp_add.php"_s, 6).size(), 6) << "one more probe, no body";
}

// A server whose certificate the desk cannot verify is sent nothing, neither a request nor an
// upload's probe, and never again with the checks off; the user hears it once per action.
TEST_F(HttpTransfer, AnUnverifiedServerIsSentNothingAndTheUserToldOncePerAction) {
    const QString document = dir_.filePath(u"R260001.zip"_s);
    WriteFile(document, "PK a zipped report");
    const UntrustedStandIn untrusted;
    const LogMark mark;
    const QString time = server_->BaseUrl() + u"getservertime.asp"_s;
    CertificateNotice::BeginAction();
    const int results = Fetch(time).result +
                        Upload(u"qm_resync.php"_s, document, {{"loginid", "30"}}).result +
                        Fetch(time, {}, true).result;
    EXPECT_EQ(results, 0);
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(), QStringList{CertificateNotice::kText});
    CertificateNotice::BeginAction();
    EXPECT_EQ(Fetch(time).result, 0);
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(), QStringList(2, CertificateNotice::kText));
    EXPECT_TRUE(server_->Journal().isEmpty());
    EXPECT_EQ(mark.Text().count(u"Error in HttpSendRequest   in HandleAuthentication,60"_s), 4);
    EXPECT_FALSE(mark.Text().contains(u"resending"_s) || mark.Text().contains(u"Retrying"_s));
}

} // namespace
