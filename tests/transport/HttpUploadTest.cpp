#include "tests/support/PromptsDouble.h"
#include "tests/transport/TransportTestSupport.h"
#include "transport/CHttp.h"
#include "transport/MultipartBody.h"
#include "transport/ZipLibrary.h"

#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class HttpUpload : public ::testing::Test {
protected:
    void SetUp() override {
        PromptsDouble::Current().Clear();
        ASSERT_TRUE(dir_.isValid());
    }
    // Starts a server with options and readies http_ to post to script there with one field.
    bool Open(const QString& script, StandInServer::Options options = {}) {
        server_ = StartServer(std::move(options));
        http_.SetKeepResponse(true);
        http_.AddFormField(QStringLiteral("loginid"), QByteArray("30"));
        return server_ && http_.SetURL(server_->BaseUrl() + script) == 1 && http_.OpenInternetSession() == 1;
    }
    QTemporaryDir dir_;
    std::unique_ptr<StandInServer> server_;
    CHttp http_;
};

// The boundary the desk announced, taken from the journal's content type.
QByteArray BoundaryOf(const QJsonObject& entry) {
    const QString type = entry.value(QStringLiteral("content_type")).toString();
    const QString prefix = QStringLiteral("multipart/form-data, boundary=");
    return type.startsWith(prefix) ? type.mid(prefix.size()).toLatin1() : QByteArray();
}

// The body the server received has the announced length, and that length is expected.
void ExpectBodyLength(const QJsonObject& upload, qint64 expected) {
    EXPECT_EQ(upload.value(QStringLiteral("body_size")).toInteger(), expected);
    EXPECT_EQ(upload.value(QStringLiteral("content_length")).toString(), QString::number(expected));
}

TEST_F(HttpUpload, FieldsOnlyPostProbesFirstThenSendsTheExactBody) {
    NotificationRecorder recorder;
    http_.SetNotificationWindow(&recorder);
    ASSERT_TRUE(Open(QStringLiteral("qm_cp_add.php")));
    http_.AddFormField(QStringLiteral("cps"), QStringLiteral("Referring Physician~Room~"));
    ASSERT_EQ(http_.UploadFile(), 1) << http_.GetErrorText().toStdString();
    EXPECT_EQ(http_.GetResponse(), QStringLiteral("~"));

    const auto entries = server_->JournalFor(QStringLiteral("qm_cp_add.php"));
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries.at(0).value(QStringLiteral("method")).toString(), QStringLiteral("POST"));
    EXPECT_EQ(entries.at(0).value(QStringLiteral("body_size")).toInt(), 0);

    const QJsonObject& upload = entries.at(1);
    const QByteArray boundary = BoundaryOf(upload);
    ASSERT_EQ(boundary.size(), 36) << upload.value(QStringLiteral("content_type")).toString().toStdString();
    EXPECT_EQ(Fields(upload),
              (QStringList{QStringLiteral("loginid=30"), QStringLiteral("cps=Referring Physician~Room~")}));
    EXPECT_TRUE(upload.value(QStringLiteral("files")).toArray().isEmpty());
    const QByteArray expected =
        Multipart::BuildFieldParts(boundary, {{"loginid", "30"}, {"cps", "Referring Physician~Room~"}}) +
        Multipart::Tail();
    ExpectBodyLength(upload, expected.size());
    EXPECT_TRUE(recorder.Saw(MSG_PROGRESS, PROGRESS_UPLOAD_STARTING));
    EXPECT_EQ(recorder.Announced(), expected.size());
}

TEST_F(HttpUpload, FilePartCarriesTheFullPathAndTheWholeFile) {
    const QString document = dir_.filePath(QStringLiteral("R260001.doc"));
    ASSERT_TRUE(WriteAll(document, BigFileBytes(30000)));
    const QString zip = ZipPathFor(document);
    ASSERT_EQ(BasicZip(document, zip), 1);
    http_.SetLocalFile(zip);
    ASSERT_TRUE(Open(QStringLiteral("qm_cp_add.php")));
    ASSERT_EQ(http_.UploadFile(), 1) << http_.GetErrorText().toStdString();

    const auto entries = server_->JournalFor(QStringLiteral("qm_cp_add.php"));
    ASSERT_EQ(entries.size(), 2);
    const QJsonObject& upload = entries.at(1);
    const QJsonArray files = upload.value(QStringLiteral("files")).toArray();
    ASSERT_EQ(files.size(), 1);
    const QJsonObject file = files.at(0).toObject();
    const qint64 zipSize = ReadAll(zip).size();
    EXPECT_EQ(file.value(QStringLiteral("field")).toString(), QStringLiteral("FILE"));
    EXPECT_EQ(file.value(QStringLiteral("filename")).toString(), zip);
    EXPECT_EQ(file.value(QStringLiteral("size")).toInteger(), zipSize);
    EXPECT_EQ(file.value(QStringLiteral("entries")).toArray(), QJsonArray{QStringLiteral("R260001.doc")});
    const QByteArray boundary = BoundaryOf(upload);
    ExpectBodyLength(upload, Multipart::BuildFilePart(boundary, zip.toUtf8()).size() + zipSize +
                                 Multipart::BuildFieldParts(boundary, {{"loginid", "30"}}).size() +
                                 Multipart::Tail().size());
    EXPECT_EQ(ReadAll(document), BigFileBytes(30000)); // the file on disk is never changed
}

TEST_F(HttpUpload, LargeFileStreamsWithTheAnnouncedLengthOverTls) {
    const QString path = dir_.filePath(QStringLiteral("large.bin"));
    ASSERT_TRUE(WriteAll(path, BigFileBytes(3 * 1024 * 1024 + 17)));
    http_.SetLocalFile(path);
    http_.SetSecure(true);
    ASSERT_TRUE(Open(QStringLiteral("upload-sink")));
    ASSERT_EQ(http_.UploadFile(), 1) << http_.GetErrorText().toStdString();
    const auto entries = server_->JournalFor(QStringLiteral("upload-sink"));
    ASSERT_EQ(entries.size(), 2);
    const qint64 sent = entries.at(1).value(QStringLiteral("body_size")).toInteger();
    EXPECT_GT(sent, 3 * 1024 * 1024 + 17);
    ExpectBodyLength(entries.at(1), sent);
    EXPECT_EQ(http_.GetResponse(), QStringLiteral("~") + QString::number(sent));
}

TEST_F(HttpUpload, ProbeRefusedMeansNoBodyIsSent) {
    StandInServer::Options refusing;
    refusing.fault = QStringLiteral("status500");
    ASSERT_TRUE(Open(QStringLiteral("qm_cp_add.php"), refusing));
    EXPECT_EQ(http_.UploadFile(), 0);
    EXPECT_TRUE(http_.GetErrorText().contains(QStringLiteral("status code =500")));
    EXPECT_TRUE(TodayLog().contains(QStringLiteral("Error in HandleAuthentication in _UploadFile,0")));
    const auto entries = server_->JournalFor(QStringLiteral("qm_cp_add.php"));
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries.at(0).value(QStringLiteral("body_size")).toInt(), 0);
}

TEST_F(HttpUpload, UnreadableFileFailsAfterTheProbe) {
    const QString missing = dir_.filePath(QStringLiteral("gone.zip"));
    http_.SetLocalFile(missing);
    ASSERT_TRUE(Open(QStringLiteral("qm_cp_add.php")));
    EXPECT_EQ(http_.UploadFile(), 0);
    EXPECT_EQ(http_.GetErrorText(),
              QStringLiteral("Error reading the file:") + missing + QStringLiteral("error: 2"));
    EXPECT_EQ(server_->JournalFor(QStringLiteral("qm_cp_add.php")).size(), 1);
}

TEST_F(HttpUpload, LoginOnTheProbeCarriesOverToTheBody) {
    StandInServer::Options options;
    options.requireAuth = QStringLiteral("desk:s3cret");
    PromptsDouble::Current().QueueCredentials(
        {Prompts::CredentialAnswer::Retry, {QStringLiteral("desk"), QStringLiteral("s3cret")}});
    ASSERT_TRUE(Open(QStringLiteral("upload-sink"), options));
    ASSERT_EQ(http_.UploadFile(), 1) << http_.GetErrorText().toStdString();
    EXPECT_TRUE(http_.GetResponse().startsWith(QLatin1Char('~'))) << http_.GetResponse().toStdString();
    EXPECT_EQ(server_->JournalFor(QStringLiteral("upload-sink")).size(), 3); // refused probe, probe, body
}

} // namespace
