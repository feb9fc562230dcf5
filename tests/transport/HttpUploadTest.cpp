#include "host/core/CertificateNotice.h"
#include "tests/support/PromptsDouble.h"
#include "tests/transport/TransportTestSupport.h"
#include "transport/CHttp.h"
#include "transport/MultipartBody.h"
#include "transport/ZipLibrary.h"

#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class HttpUpload : public ::testing::Test {
protected:
    void SetUp() override {
        PromptsDouble::Current().Clear();
        server_ = StartServer();
        ASSERT_TRUE(server_);
    }
    Fetched Upload(const QString& script, const QString& file, const QList<Multipart::Field>& fields,
                   bool secure = false, NotificationRecorder* seen = nullptr) {
        return Fetch(server_->BaseUrl() + script, file, secure, seen, fields);
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

// The probe (no body) comes first, then the exact form: the file part with the full local path,
// the whole file, the fields in order.
TEST_F(HttpUpload, ProbeFirstThenTheExactBody) {
    const QString document = dir_.filePath(u"R260001.doc"_s);
    ASSERT_TRUE(WriteAll(document, BigFileBytes(30000)));
    const QString zip = ZipPathFor(document);
    ASSERT_EQ(BasicZip(document, zip), 1);
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
        const QJsonArray files = entries[1][u"files"_s].toArray();
        const qint64 fileSize = ReadAll(file).size();
        const qint64 expected = Multipart::BuildFilePart(boundary, file.toUtf8()).size() + fileSize +
                                Multipart::BuildFieldParts(boundary, fields).size() +
                                Multipart::Tail().size();
        EXPECT_EQ(entries[1][u"body_size"_s].toInteger(), expected);
        EXPECT_EQ(recorder.Announced(), expected);
        EXPECT_TRUE(recorder.Saw(MSG_PROGRESS, PROGRESS_UPLOAD_STARTING));
        EXPECT_EQ(Fields(entries[1]), (QStringList{u"loginid=30"_s, u"cps=Referring Physician~Room~"_s}));
        EXPECT_EQ(sent.response, u"~"_s);
        if (!file.isEmpty()) {
            ASSERT_EQ(files.size(), 1);
            EXPECT_EQ(files[0][u"field"_s].toString(), u"FILE"_s);
            EXPECT_EQ(files[0][u"filename"_s].toString(), zip);
            EXPECT_EQ(files[0][u"size"_s].toInteger(), fileSize);
            EXPECT_EQ(files[0][u"entries"_s].toArray(), QJsonArray{u"R260001.doc"_s});
        }
    }
    EXPECT_EQ(ReadAll(document), BigFileBytes(30000)); // the file on disk is never changed
}

TEST_F(HttpUpload, LargeFileStreamsWithTheAnnouncedLengthOverTls) {
    const QString path = dir_.filePath(u"large.bin"_s);
    ASSERT_TRUE(WriteAll(path, BigFileBytes(3 * 1024 * 1024 + 17)));
    const Fetched got = Upload(u"upload-sink"_s, path, {{"loginid", "30"}}, true);
    ASSERT_EQ(got.result, 1) << got.error.toStdString();
    const auto entries = Sent(u"upload-sink"_s, 2);
    ASSERT_EQ(entries.size(), 2);
    const qint64 sent = entries[1][u"body_size"_s].toInteger();
    EXPECT_GT(sent, 3 * 1024 * 1024 + 17);
    EXPECT_EQ(got.response, u"~"_s + QString::number(sent));
    EXPECT_EQ(Vias(*server_, u"upload-sink"_s), (QStringList{u"https:443"_s, u"https:443"_s}));
}

TEST_F(HttpUpload, RefusedProbeOrUnreadableFileSendsNoBody) {
    ASSERT_TRUE(server_->SetFault(u"status500"_s, u"qm_cp_add.php"_s));
    const Fetched refused = Upload(u"qm_cp_add.php"_s, {}, {{"loginid", "30"}});
    EXPECT_EQ(refused.result, 0);
    EXPECT_TRUE(refused.error.contains(u"status code =500"_s));
    EXPECT_TRUE(TodayLog().contains(u"Error in HandleAuthentication in _UploadFile,0"_s));
    EXPECT_EQ(Sent(u"qm_cp_add.php"_s, 1).at(0)[u"body_size"_s].toInt(), 0);

    ASSERT_TRUE(server_->ClearFaults());
    const QString missing = dir_.filePath(u"gone.zip"_s);
    const Fetched unread = Upload(u"qm_cp_add.php"_s, missing, {});
    EXPECT_EQ(unread.result, 0);
    EXPECT_EQ(unread.error, u"Error reading the file:"_s + missing + u"error: 2"_s);
    EXPECT_EQ(Sent(u"qm_cp_add.php"_s, 2).size(), 2) << "one more probe, no body";
}

TEST_F(HttpUpload, LoginOnTheProbeCarriesOverToTheBody) {
    server_ = StartServer({}, 0, u"desk:s3cret"_s);
    ASSERT_TRUE(server_);
    PromptsDouble::Current().QueueCredentials({Prompts::CredentialAnswer::Retry, {u"desk"_s, u"s3cret"_s}});
    const Fetched got = Upload(u"upload-sink"_s, {}, {{"loginid", "30"}});
    EXPECT_EQ(got.result, 1) << got.error.toStdString();
    EXPECT_TRUE(got.response.startsWith(QLatin1Char('~'))) << got.response.toStdString();
    EXPECT_EQ(server_->JournalFor(u"upload-sink"_s).size(), 3); // refused probe, probe, body
}

// A server whose certificate the desk cannot verify is sent nothing, neither a request nor an
// upload's probe, and never again with the checks off; the user hears it once per action.
TEST_F(HttpUpload, AnUnverifiedServerIsSentNothingAndTheUserToldOncePerAction) {
    const QString document = dir_.filePath(u"R260001.zip"_s);
    ASSERT_TRUE(WriteAll(document, "PK a zipped report"));
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

    // Given the authority, the same request goes through, over TLS.
    untrusted.End();
    EXPECT_EQ(Fetch(time).result, 1);
    EXPECT_EQ(Vias(*server_, u"getservertime.asp"_s), QStringList{u"https:443"_s});
    EXPECT_EQ(PromptsDouble::Current().ShownTexts().size(), 2);
}

} // namespace
