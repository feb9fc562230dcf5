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
        server_ = StartServer();
        ASSERT_TRUE(server_);
    }
    // Readies http_ to post to script with one field.
    bool Open(const QString& script, bool secure = false) {
        http_.SetKeepResponse(true);
        http_.AddFormField(QStringLiteral("loginid"), QByteArray("30"));
        const bool parsed = http_.SetURL(server_->BaseUrl() + script) == 1;
        if (secure) {
            http_.SetSecure(true);
        }
        return parsed && http_.OpenInternetSession() == 1;
    }
    // The desk's requests to script as the server saw them: the bodiless probe, then the form.
    QList<QJsonObject> Sent(const QString& script, int count) const {
        const auto entries = server_->JournalFor(script);
        EXPECT_EQ(entries.size(), count);
        for (const auto& entry : entries) {
            EXPECT_EQ(entry.value(QStringLiteral("body_size")).toInteger(),
                      entry.value(QStringLiteral("content_length")).toString().toLongLong());
        }
        return entries;
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

TEST_F(HttpUpload, FieldsOnlyPostProbesFirstThenSendsTheExactBody) {
    NotificationRecorder recorder;
    http_.SetNotificationWindow(&recorder);
    ASSERT_TRUE(Open(QStringLiteral("qm_cp_add.php")));
    http_.AddFormField(QStringLiteral("cps"), QStringLiteral("Referring Physician~Room~"));
    ASSERT_EQ(http_.UploadFile(), 1) << http_.GetErrorText().toStdString();
    EXPECT_EQ(http_.GetResponse(), QStringLiteral("~"));

    const auto entries = Sent(QStringLiteral("qm_cp_add.php"), 2);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries.at(0).value(QStringLiteral("body_size")).toInt(), 0);
    const QByteArray boundary = BoundaryOf(entries.at(1));
    ASSERT_EQ(boundary.size(), 36);
    EXPECT_EQ(Fields(entries.at(1)),
              (QStringList{QStringLiteral("loginid=30"), QStringLiteral("cps=Referring Physician~Room~")}));
    const qint64 expected =
        (Multipart::BuildFieldParts(boundary, {{"loginid", "30"}, {"cps", "Referring Physician~Room~"}}) +
         Multipart::Tail())
            .size();
    EXPECT_EQ(entries.at(1).value(QStringLiteral("body_size")).toInteger(), expected);
    EXPECT_TRUE(recorder.Saw(MSG_PROGRESS, PROGRESS_UPLOAD_STARTING));
    EXPECT_EQ(recorder.Announced(), expected);
}

TEST_F(HttpUpload, FilePartCarriesTheFullPathAndTheWholeFile) {
    const QString document = dir_.filePath(QStringLiteral("R260001.doc"));
    ASSERT_TRUE(WriteAll(document, BigFileBytes(30000)));
    const QString zip = ZipPathFor(document);
    ASSERT_EQ(BasicZip(document, zip), 1);
    http_.SetLocalFile(zip);
    ASSERT_TRUE(Open(QStringLiteral("qm_cp_add.php")));
    ASSERT_EQ(http_.UploadFile(), 1) << http_.GetErrorText().toStdString();

    const auto entries = Sent(QStringLiteral("qm_cp_add.php"), 2);
    ASSERT_EQ(entries.size(), 2);
    const QJsonObject file = entries.at(1).value(QStringLiteral("files")).toArray().at(0).toObject();
    const qint64 zipSize = ReadAll(zip).size();
    EXPECT_EQ(file.value(QStringLiteral("field")).toString(), QStringLiteral("FILE"));
    EXPECT_EQ(file.value(QStringLiteral("filename")).toString(), zip);
    EXPECT_EQ(file.value(QStringLiteral("size")).toInteger(), zipSize);
    EXPECT_EQ(file.value(QStringLiteral("entries")).toArray(), QJsonArray{QStringLiteral("R260001.doc")});
    const QByteArray boundary = BoundaryOf(entries.at(1));
    EXPECT_EQ(entries.at(1).value(QStringLiteral("body_size")).toInteger(),
              Multipart::BuildFilePart(boundary, zip.toUtf8()).size() + zipSize +
                  Multipart::BuildFieldParts(boundary, {{"loginid", "30"}}).size() +
                  Multipart::Tail().size());
    EXPECT_EQ(ReadAll(document), BigFileBytes(30000)); // the file on disk is never changed
}

TEST_F(HttpUpload, LargeFileStreamsWithTheAnnouncedLengthOverTls) {
    const QString path = dir_.filePath(QStringLiteral("large.bin"));
    ASSERT_TRUE(WriteAll(path, BigFileBytes(3 * 1024 * 1024 + 17)));
    http_.SetLocalFile(path);
    ASSERT_TRUE(Open(QStringLiteral("upload-sink"), true));
    ASSERT_EQ(http_.UploadFile(), 1) << http_.GetErrorText().toStdString();
    const auto entries = Sent(QStringLiteral("upload-sink"), 2);
    ASSERT_EQ(entries.size(), 2);
    const qint64 sent = entries.at(1).value(QStringLiteral("body_size")).toInteger();
    EXPECT_GT(sent, 3 * 1024 * 1024 + 17);
    EXPECT_EQ(http_.GetResponse(), QStringLiteral("~") + QString::number(sent));
    EXPECT_EQ(Vias(*server_, QStringLiteral("upload-sink")),
              (QStringList{QStringLiteral("https:443"), QStringLiteral("https:443")}));
}

TEST_F(HttpUpload, RefusedProbeOrUnreadableFileSendsNoBody) {
    ASSERT_TRUE(server_->SetFault(QStringLiteral("status500"), QStringLiteral("qm_cp_add.php")));
    ASSERT_TRUE(Open(QStringLiteral("qm_cp_add.php")));
    EXPECT_EQ(http_.UploadFile(), 0);
    EXPECT_TRUE(http_.GetErrorText().contains(QStringLiteral("status code =500")));
    EXPECT_TRUE(TodayLog().contains(QStringLiteral("Error in HandleAuthentication in _UploadFile,0")));
    EXPECT_EQ(Sent(QStringLiteral("qm_cp_add.php"), 1).at(0).value(QStringLiteral("body_size")).toInt(), 0);

    ASSERT_TRUE(server_->ClearFaults());
    const QString missing = dir_.filePath(QStringLiteral("gone.zip"));
    CHttp http;
    http.SetLocalFile(missing);
    http.SetURL(server_->BaseUrl() + QStringLiteral("qm_cp_add.php"));
    ASSERT_EQ(http.OpenInternetSession(), 1);
    EXPECT_EQ(http.UploadFile(), 0);
    EXPECT_EQ(http.GetErrorText(),
              QStringLiteral("Error reading the file:") + missing + QStringLiteral("error: 2"));
    EXPECT_EQ(Sent(QStringLiteral("qm_cp_add.php"), 2).size(), 2) << "one more probe, no body";
}

TEST_F(HttpUpload, LoginOnTheProbeCarriesOverToTheBody) {
    StandInServer::Options options;
    options.requireAuth = QStringLiteral("desk:s3cret");
    server_ = StartServer(options);
    ASSERT_TRUE(server_);
    PromptsDouble::Current().QueueCredentials(
        {Prompts::CredentialAnswer::Retry, {QStringLiteral("desk"), QStringLiteral("s3cret")}});
    ASSERT_TRUE(Open(QStringLiteral("upload-sink")));
    ASSERT_EQ(http_.UploadFile(), 1) << http_.GetErrorText().toStdString();
    EXPECT_TRUE(http_.GetResponse().startsWith(QLatin1Char('~'))) << http_.GetResponse().toStdString();
    EXPECT_EQ(server_->JournalFor(QStringLiteral("upload-sink")).size(), 3); // refused probe, probe, body
}

} // namespace
