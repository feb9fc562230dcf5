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
    QTemporaryDir dir_;
};

// The boundary the desk announced, taken from the journal's content type.
QByteArray BoundaryOf(const QJsonObject& entry) {
    const QString type = entry.value(QStringLiteral("content_type")).toString();
    const QString prefix = QStringLiteral("multipart/form-data, boundary=");
    return type.startsWith(prefix) ? type.mid(prefix.size()).toLatin1() : QByteArray();
}

TEST_F(HttpUpload, FieldsOnlyPostProbesFirstThenSendsTheExactBody) {
    auto server = StartServer();
    ASSERT_TRUE(server);
    NotificationRecorder recorder;
    CHttp http;
    http.SetNotificationWindow(&recorder);
    http.ClearFormFields();
    http.SetKeepResponse(true);
    http.SetURL(server->BaseUrl() + QStringLiteral("qm_cp_add.php"));
    http.AddFormField(QStringLiteral("loginid"), QByteArray("30"));
    http.AddFormField(QStringLiteral("cps"), QStringLiteral("Referring Physician~Room~"));
    ASSERT_EQ(http.OpenInternetSession(), 1);
    ASSERT_EQ(http.UploadFile(), 1) << http.GetErrorText().toStdString();
    EXPECT_EQ(http.GetResponse(), QStringLiteral("~"));

    const auto entries = server->JournalFor(QStringLiteral("qm_cp_add.php"));
    ASSERT_EQ(entries.size(), 2);
    const QJsonObject& probe = entries.at(0);
    EXPECT_EQ(probe.value(QStringLiteral("method")).toString(), QStringLiteral("POST"));
    EXPECT_EQ(probe.value(QStringLiteral("body_size")).toInt(), 0);

    const QJsonObject& upload = entries.at(1);
    const QByteArray boundary = BoundaryOf(upload);
    ASSERT_EQ(boundary.size(), 36) << upload.value(QStringLiteral("content_type")).toString().toStdString();
    EXPECT_EQ(FieldNames(upload), (QStringList{QStringLiteral("loginid"), QStringLiteral("cps")}));
    EXPECT_EQ(FieldValue(upload, QStringLiteral("cps")), QStringLiteral("Referring Physician~Room~"));
    EXPECT_TRUE(upload.value(QStringLiteral("files")).toArray().isEmpty());
    const QByteArray expected =
        Multipart::BuildFieldParts(boundary, {{"loginid", "30"}, {"cps", "Referring Physician~Room~"}}) +
        Multipart::Tail();
    EXPECT_EQ(upload.value(QStringLiteral("body_size")).toInt(), expected.size());
    EXPECT_EQ(upload.value(QStringLiteral("content_length")).toString(), QString::number(expected.size()));

    bool starting = false;
    qint64 announced = -1;
    for (const auto& n : recorder.Drain()) {
        starting = starting || (n.code == MSG_PROGRESS && n.value == PROGRESS_UPLOAD_STARTING);
        if (n.code == MSG_PROGRESS && n.value == PROGRESS_TOTAL_SIZE) {
            announced = n.data;
        }
    }
    EXPECT_TRUE(starting);
    EXPECT_EQ(announced, expected.size());
}

TEST_F(HttpUpload, FilePartCarriesTheFullPathAndTheWholeFile) {
    auto server = StartServer();
    ASSERT_TRUE(server);
    const QString document = dir_.filePath(QStringLiteral("R260001.doc"));
    ASSERT_TRUE(WriteAll(document, BigFileBytes(30000)));
    const QString zip = ZipPathFor(document);
    ASSERT_EQ(BasicZip(document, zip), 1);

    CHttp http;
    http.ClearFormFields();
    http.SetLocalFile(zip);
    http.SetKeepResponse(true);
    http.SetURL(server->BaseUrl() + QStringLiteral("qm_cp_add.php"));
    http.AddFormField(QStringLiteral("loginid"), QByteArray("30"));
    http.AddFormField(QStringLiteral("cps"), QStringLiteral("Room~"));
    ASSERT_EQ(http.OpenInternetSession(), 1);
    ASSERT_EQ(http.UploadFile(), 1) << http.GetErrorText().toStdString();

    const auto entries = server->JournalFor(QStringLiteral("qm_cp_add.php"));
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
    const qint64 expected =
        Multipart::BuildFilePart(boundary, zip.toUtf8()).size() + zipSize +
        Multipart::BuildFieldParts(boundary, {{"loginid", "30"}, {"cps", "Room~"}}).size() +
        Multipart::Tail().size();
    EXPECT_EQ(upload.value(QStringLiteral("body_size")).toInteger(), expected);
    EXPECT_EQ(upload.value(QStringLiteral("content_length")).toString(), QString::number(expected));
    EXPECT_EQ(ReadAll(document), BigFileBytes(30000)); // the file on disk is never changed
}

TEST_F(HttpUpload, LargeFileStreamsWithTheAnnouncedLengthOverTls) {
    auto server = StartServer();
    ASSERT_TRUE(server);
    const QString path = dir_.filePath(QStringLiteral("large.bin"));
    ASSERT_TRUE(WriteAll(path, BigFileBytes(3 * 1024 * 1024 + 17)));
    CHttp http;
    http.SetLocalFile(path);
    http.SetKeepResponse(true);
    http.SetURL(server->BaseUrl() + QStringLiteral("upload-sink"));
    http.AddFormField(QStringLiteral("a"), QStringLiteral("1"));
    http.SetSecure(true);
    ASSERT_EQ(http.OpenInternetSession(), 1);
    ASSERT_EQ(http.UploadFile(), 1) << http.GetErrorText().toStdString();
    const auto entries = server->JournalFor(QStringLiteral("upload-sink"));
    ASSERT_EQ(entries.size(), 2);
    const qint64 sent = entries.at(1).value(QStringLiteral("body_size")).toInteger();
    EXPECT_GT(sent, 3 * 1024 * 1024 + 17);
    EXPECT_EQ(entries.at(1).value(QStringLiteral("content_length")).toString(), QString::number(sent));
    EXPECT_EQ(http.GetResponse(), QStringLiteral("~") + QString::number(sent));
}

TEST_F(HttpUpload, ProbeRefusedMeansNoBodyIsSent) {
    StandInServer::Options options;
    options.fault = QStringLiteral("status500");
    auto server = StartServer(options);
    ASSERT_TRUE(server);
    CHttp http;
    http.SetKeepResponse(true);
    http.SetURL(server->BaseUrl() + QStringLiteral("qm_cp_add.php"));
    http.AddFormField(QStringLiteral("loginid"), QByteArray("30"));
    ASSERT_EQ(http.OpenInternetSession(), 1);
    EXPECT_EQ(http.UploadFile(), 0);
    const auto entries = server->JournalFor(QStringLiteral("qm_cp_add.php"));
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries.at(0).value(QStringLiteral("body_size")).toInt(), 0);
    EXPECT_TRUE(TodayLog().contains(QStringLiteral("Error in HandleAuthentication in _UploadFile,0")));
    EXPECT_TRUE(http.GetErrorText().contains(QStringLiteral("status code =500")));
}

TEST_F(HttpUpload, UnreadableFileFailsAfterTheProbe) {
    auto server = StartServer();
    ASSERT_TRUE(server);
    const QString missing = dir_.filePath(QStringLiteral("gone.zip"));
    CHttp http;
    http.SetLocalFile(missing);
    http.SetKeepResponse(true);
    http.SetURL(server->BaseUrl() + QStringLiteral("qm_cp_add.php"));
    http.AddFormField(QStringLiteral("loginid"), QByteArray("30"));
    ASSERT_EQ(http.OpenInternetSession(), 1);
    EXPECT_EQ(http.UploadFile(), 0);
    EXPECT_EQ(http.GetErrorText(),
              QStringLiteral("Error reading the file:") + missing + QStringLiteral("error: 2"));
    EXPECT_EQ(server->JournalFor(QStringLiteral("qm_cp_add.php")).size(), 1);
}

TEST_F(HttpUpload, LoginOnTheProbeCarriesOverToTheBody) {
    StandInServer::Options options;
    options.requireAuth = QStringLiteral("desk:s3cret");
    auto server = StartServer(options);
    ASSERT_TRUE(server);
    PromptsDouble::Current().QueueCredentials(
        {Prompts::CredentialAnswer::Retry, {QStringLiteral("desk"), QStringLiteral("s3cret")}});
    CHttp http;
    http.SetKeepResponse(true);
    http.SetURL(server->BaseUrl() + QStringLiteral("upload-sink"));
    http.AddFormField(QStringLiteral("a"), QStringLiteral("1"));
    ASSERT_EQ(http.OpenInternetSession(), 1);
    ASSERT_EQ(http.UploadFile(), 1) << http.GetErrorText().toStdString();
    EXPECT_TRUE(http.GetResponse().startsWith(QLatin1Char('~'))) << http.GetResponse().toStdString();
    EXPECT_EQ(server->JournalFor(QStringLiteral("upload-sink")).size(), 3); // refused probe, probe, body
}

} // namespace
