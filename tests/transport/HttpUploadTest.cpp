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
    // Readies http_ to post to script with one field.
    bool Open(const QString& script, bool secure = false) {
        http_.SetKeepResponse(true);
        http_.AddFormField(u"loginid"_s, QByteArray("30"));
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
            EXPECT_EQ(entry.value(u"body_size"_s).toInteger(),
                      entry.value(u"content_length"_s).toString().toLongLong());
        }
        return entries;
    }
    QTemporaryDir dir_;
    std::unique_ptr<StandInServer> server_;
    CHttp http_;
};

// The boundary the desk announced, taken from the journal's content type.
QByteArray BoundaryOf(const QJsonObject& entry) {
    const QString type = entry.value(u"content_type"_s).toString();
    const QString prefix = u"multipart/form-data, boundary="_s;
    return type.startsWith(prefix) ? type.mid(prefix.size()).toLatin1() : QByteArray();
}

TEST_F(HttpUpload, FieldsOnlyPostProbesFirstThenSendsTheExactBody) {
    NotificationRecorder recorder;
    http_.SetNotificationWindow(&recorder);
    ASSERT_TRUE(Open(u"qm_cp_add.php"_s));
    http_.AddFormField(u"cps"_s, u"Referring Physician~Room~"_s);
    ASSERT_EQ(http_.UploadFile(), 1) << http_.GetErrorText().toStdString();
    EXPECT_EQ(http_.GetResponse(), u"~"_s);

    const auto entries = Sent(u"qm_cp_add.php"_s, 2);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries.at(0).value(u"body_size"_s).toInt(), 0);
    const QByteArray boundary = BoundaryOf(entries.at(1));
    ASSERT_EQ(boundary.size(), 36);
    EXPECT_EQ(Fields(entries.at(1)), (QStringList{u"loginid=30"_s, u"cps=Referring Physician~Room~"_s}));
    const qint64 expected =
        (Multipart::BuildFieldParts(boundary, {{"loginid", "30"}, {"cps", "Referring Physician~Room~"}}) +
         Multipart::Tail())
            .size();
    EXPECT_EQ(entries.at(1).value(u"body_size"_s).toInteger(), expected);
    EXPECT_TRUE(recorder.Saw(MSG_PROGRESS, PROGRESS_UPLOAD_STARTING));
    EXPECT_EQ(recorder.Announced(), expected);
}

TEST_F(HttpUpload, FilePartCarriesTheFullPathAndTheWholeFile) {
    const QString document = dir_.filePath(u"R260001.doc"_s);
    ASSERT_TRUE(WriteAll(document, BigFileBytes(30000)));
    const QString zip = ZipPathFor(document);
    ASSERT_EQ(BasicZip(document, zip), 1);
    http_.SetLocalFile(zip);
    ASSERT_TRUE(Open(u"qm_cp_add.php"_s));
    ASSERT_EQ(http_.UploadFile(), 1) << http_.GetErrorText().toStdString();

    const auto entries = Sent(u"qm_cp_add.php"_s, 2);
    ASSERT_EQ(entries.size(), 2);
    const QJsonObject file = entries.at(1).value(u"files"_s).toArray().at(0).toObject();
    const qint64 zipSize = ReadAll(zip).size();
    EXPECT_EQ(file.value(u"field"_s).toString(), u"FILE"_s);
    EXPECT_EQ(file.value(u"filename"_s).toString(), zip);
    EXPECT_EQ(file.value(u"size"_s).toInteger(), zipSize);
    EXPECT_EQ(file.value(u"entries"_s).toArray(), QJsonArray{u"R260001.doc"_s});
    const QByteArray boundary = BoundaryOf(entries.at(1));
    EXPECT_EQ(entries.at(1).value(u"body_size"_s).toInteger(),
              Multipart::BuildFilePart(boundary, zip.toUtf8()).size() + zipSize +
                  Multipart::BuildFieldParts(boundary, {{"loginid", "30"}}).size() +
                  Multipart::Tail().size());
    EXPECT_EQ(ReadAll(document), BigFileBytes(30000)); // the file on disk is never changed
}

TEST_F(HttpUpload, LargeFileStreamsWithTheAnnouncedLengthOverTls) {
    const QString path = dir_.filePath(u"large.bin"_s);
    ASSERT_TRUE(WriteAll(path, BigFileBytes(3 * 1024 * 1024 + 17)));
    http_.SetLocalFile(path);
    ASSERT_TRUE(Open(u"upload-sink"_s, true));
    ASSERT_EQ(http_.UploadFile(), 1) << http_.GetErrorText().toStdString();
    const auto entries = Sent(u"upload-sink"_s, 2);
    ASSERT_EQ(entries.size(), 2);
    const qint64 sent = entries.at(1).value(u"body_size"_s).toInteger();
    EXPECT_GT(sent, 3 * 1024 * 1024 + 17);
    EXPECT_EQ(http_.GetResponse(), u"~"_s + QString::number(sent));
    EXPECT_EQ(Vias(*server_, u"upload-sink"_s), (QStringList{u"https:443"_s, u"https:443"_s}));
}

TEST_F(HttpUpload, RefusedProbeOrUnreadableFileSendsNoBody) {
    ASSERT_TRUE(server_->SetFault(u"status500"_s, u"qm_cp_add.php"_s));
    ASSERT_TRUE(Open(u"qm_cp_add.php"_s));
    EXPECT_EQ(http_.UploadFile(), 0);
    EXPECT_TRUE(http_.GetErrorText().contains(u"status code =500"_s));
    EXPECT_TRUE(TodayLog().contains(u"Error in HandleAuthentication in _UploadFile,0"_s));
    EXPECT_EQ(Sent(u"qm_cp_add.php"_s, 1).at(0).value(u"body_size"_s).toInt(), 0);

    ASSERT_TRUE(server_->ClearFaults());
    const QString missing = dir_.filePath(u"gone.zip"_s);
    CHttp http;
    http.SetLocalFile(missing);
    http.SetURL(server_->BaseUrl() + u"qm_cp_add.php"_s);
    ASSERT_EQ(http.OpenInternetSession(), 1);
    EXPECT_EQ(http.UploadFile(), 0);
    EXPECT_EQ(http.GetErrorText(), u"Error reading the file:"_s + missing + u"error: 2"_s);
    EXPECT_EQ(Sent(u"qm_cp_add.php"_s, 2).size(), 2) << "one more probe, no body";
}

TEST_F(HttpUpload, LoginOnTheProbeCarriesOverToTheBody) {
    StandInServer::Options options;
    options.requireAuth = u"desk:s3cret"_s;
    server_ = StartServer(options);
    ASSERT_TRUE(server_);
    PromptsDouble::Current().QueueCredentials({Prompts::CredentialAnswer::Retry, {u"desk"_s, u"s3cret"_s}});
    ASSERT_TRUE(Open(u"upload-sink"_s));
    ASSERT_EQ(http_.UploadFile(), 1) << http_.GetErrorText().toStdString();
    EXPECT_TRUE(http_.GetResponse().startsWith(QLatin1Char('~'))) << http_.GetResponse().toStdString();
    EXPECT_EQ(server_->JournalFor(u"upload-sink"_s).size(), 3); // refused probe, probe, body
}

} // namespace
