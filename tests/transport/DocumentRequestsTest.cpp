#include "host/core/FileChecksum.h"
#include "host/core/SessionSettings.h"
#include "tests/support/PromptsDouble.h"
#include "tests/transport/TransportTestSupport.h"
#include "transport/CFileDownloads.h"
#include "transport/DocumentDownload.h"
#include "transport/ServerTime.h"
#include "transport/StatusUpdate.h"

#include <QDateTime>
#include <QLocale>

#include <thread>

using namespace Qt::StringLiterals;

namespace {

const QStringList kSecure = {u"https:443"_s};

// The session of provider 12 at location 3, on a server whose ServerURL names port 8080, so that
// requests forced to 443 and those on the ServerURL's own port can be told apart.
class DocumentRequests : public ::testing::Test {
protected:
    void SetUp() override {
        PromptsDouble::Current().Clear();
        Session().Reset();
        server_ = StartServer({}, 8080);
        ASSERT_TRUE(server_);
        Session().SetServerURL(server_->BaseUrl());
        Session().SetLoggedUserId(u"12"_s);
        Session().SetQueryPhysicianId(u"12"_s);
        Session().SetQueryLocationId(u"3"_s);
        Session().AppendCareProvider(u"12"_s, QString(), u"Provider One"_s);
        temp_ = CUtility::TempFolder();
    }
    QStringList Via(const QString& script) const { return Vias(*server_, script); }
    QStringList Queries(const QString& script) const { return JournalQueries(*server_, script, true); }
    std::unique_ptr<StandInServer> server_;
    QString temp_;
};

TEST_F(DocumentRequests, DownloadsLeaveEachDocumentInItsFolderAndTheLastChecksum) {
    // Names that would leave the folder are not requested, and the checksum stays.
    std::uint32_t unchanged = 1234;
    DownloadDocuments({u"../R260001"_s, QString()}, nullptr, unchanged);
    EXPECT_EQ(unchanged, 1234u);
    EXPECT_TRUE(server_->Journal().isEmpty());

    const std::uint32_t checksum = DownloadDocuments({u"R260001"_s, u"R260002"_s}, nullptr);
    const QString first = temp_ + u"R260001.doc"_s, second = temp_ + u"R260002.doc"_s;
    ASSERT_TRUE(QFileInfo::exists(first) && QFileInfo::exists(second));
    EXPECT_TRUE(ReadFile(second).startsWith("{\\rtf"));
    EXPECT_EQ(checksum, FileChecksum(second));
    EXPECT_NE(checksum, FileChecksum(first));
    EXPECT_FALSE(QFileInfo::exists(temp_ + u"R260001"_s));
    EXPECT_EQ(Queries(u"qm_download_files.php"_s),
              (QStringList{u"filename=R260001"_s, u"filename=R260002"_s}));
    EXPECT_EQ(Via(u"qm_download_files.php"_s), kSecure + kSecure);
    ExpectLogged({u"DownloadFiles: File download URL,"_s + server_->BaseUrl() +
                      u"qm_download_files.php?filename=R260002"_s,
                  u"DownloadFiles: Unzip filename with full path,"_s + second,
                  u"DownloadFiles: File,"_s + temp_ + u"R260002, deleted"_s});
    // A version file unpacks into the target folder.
    const QString folder = temp_ + u"versionfiles/"_s;
    CFileDownloads downloads;
    downloads.SetURL(u"  "_s + server_->BaseUrl() + u"qm_download_versionfiles.php?filename=R260001.v1 "_s);
    downloads.SetTargetFolder(folder);
    const QString result = downloads.DownloadFiles(u"R260001.v1"_s);
    EXPECT_EQ(result, folder + u"R260001.v1.doc"_s);
    EXPECT_GT(QFileInfo(result).size(), 0);
    EXPECT_EQ(Via(u"qm_download_versionfiles.php"_s), kSecure);
    EXPECT_FALSE(QFileInfo::exists(folder + u"R260001.v1"_s));
    ExpectLogged({u"DownloadFiles: Unzip filename with fullpath,"_s + result,
                  u"Zip file,"_s + folder + u"R260001.v1, deleted"_s});
    // Nothing unpacked: the same object answers its earlier result, a new one nothing.
    const QString nope = server_->BaseUrl() + u"qm_download_versionfiles.php?filename=NOPE.v1"_s;
    downloads.SetURL(nope);
    EXPECT_EQ(downloads.DownloadFiles(u"NOPE.v1"_s), result);
    CFileDownloads fresh;
    fresh.SetURL(nope);
    EXPECT_TRUE(fresh.DownloadFiles(u"NOPE.v1"_s).isEmpty());
}

TEST_F(DocumentRequests, UploadsSendScrambledFieldsAndTheZippedDocument) {
    DownloadDocuments({u"R260001"_s}, nullptr);
    const QString document = temp_ + u"R260001.doc"_s;
    const QString zip = temp_ + u"R260001.zip"_s;
    ASSERT_TRUE(QFileInfo::exists(document));
    // "12" scrambled is "30"; the session knows no password for provider 12.
    const QStringList four{u"loginid=30"_s, u"password="_s, u"locationid=3"_s, u"phyid=12"_s};
    const QString demographics = u"CFileDownloads::UploadFile: Demographics are :"_s;
    const QString esign = u"CFileDownloads::UploadFile: URL for Esign :"_s;
    const QString esignAt = esign + server_->BaseUrl() + u"qm_esign.php"_s;
    const QString jane = u"Patient Name~Jane Doe"_s;
    const struct {
        bool esign;
        QString demographics, logged, notLogged;
        QStringList more; // the fields after the four
    } cases[] = {
        {true, {}, esignAt, demographics, {u"esign=1"_s, u"edit=1"_s}},
        {false, {}, u"CFileDownloads::UploadFile: Update successful"_s, demographics, {}},
        {false, jane, demographics + jane, esign, {u"demographics="_s + jane}},
    };
    for (const auto& c : cases) {
        const QString script = c.esign ? u"qm_esign.php"_s : u"qm_resync.php"_s;
        SCOPED_TRACE(script.toStdString() + c.demographics.toStdString());
        const auto before = server_->JournalFor(script).size();
        const LogMark mark;
        CFileDownloads upload;
        EXPECT_EQ(c.esign ? upload.UploadFile(u"R260001"_s) : upload.UploadFile(u"R260001"_s, c.demographics),
                  u"~"_s);
        const auto entries = server_->JournalFor(script).mid(before);
        ASSERT_EQ(entries.size(), 2);
        EXPECT_EQ(Via(script).mid(before), kSecure + kSecure);
        EXPECT_EQ(JournalFields(entries[1]), four + c.more);
        const QJsonArray files = entries[1][u"files"_s].toArray();
        ASSERT_EQ(files.size(), 1);
        EXPECT_EQ(files[0][u"filename"_s].toString(), zip);
        EXPECT_EQ(files[0][u"entries"_s].toArray(), QJsonArray{u"R260001.doc"_s});
        EXPECT_FALSE(QFileInfo::exists(zip));
        EXPECT_TRUE(QFileInfo::exists(document));
        ExpectLogged({c.logged, u"File, "_s + zip + u" deleted"_s}, mark.Text());
        EXPECT_FALSE(mark.Text().contains(c.notLogged));
    }
}

TEST_F(DocumentRequests, PasswordIsFoundRegardlessOfCaseAndRefusalIsReturnedUnchanged) {
    Session().ClearCareProviders();
    Session().AppendCareProvider(u"ab"_s, u"x"_s, u"A"_s);
    Session().AppendCareProvider(u"CD"_s, u"pw"_s, u"C"_s);
    Session().SetQueryPhysicianId(u"cd"_s);
    Session().SetLoggedUserId(u"99"_s);
    DownloadDocuments({u"R260001"_s}, nullptr);
    CFileDownloads upload;
    EXPECT_EQ(upload.UploadFile(u"R260001"_s), u"The user 99 is not known to the report service."_s);
    const auto entries = server_->JournalFor(u"qm_esign.php"_s);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_TRUE(JournalFields(entries.at(1)).contains(u"password=ru"_s)); // "pw" scrambled
    EXPECT_TRUE(TodaysLogText().contains(u"CFileDownloads::UploadFile: Update not successful"_s));

    // An unreachable server answers nothing; the zip is removed, the document stays.
    WriteFile(temp_ + u"R260009.doc"_s, "{\\rtf1 x}");
    server_->Stop();
    EXPECT_TRUE(upload.UploadFile(u"R260009"_s).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(temp_ + u"R260009.zip"_s));
    EXPECT_TRUE(QFileInfo::exists(temp_ + u"R260009.doc"_s));
}

TEST_F(DocumentRequests, SynchronousStatusUpdateFollowsTheTildeRule) {
    EXPECT_EQ(UpdateStatus(u"R260001"_s, u"print"_s), 1);
    EXPECT_EQ(UpdateStatus(u"NOSUCH"_s, u"print"_s), 0);
    EXPECT_EQ(Queries(u"qm_statusupdate.php"_s),
              (QStringList{u"physicianid=12&locationid=3&vfilename=R260001&field=print&value=1"_s,
                           u"physicianid=12&locationid=3&vfilename=NOSUCH&field=print&value=1"_s}));
    EXPECT_EQ(Via(u"qm_statusupdate.php"_s), kSecure + kSecure);
    ExpectLogged({u"UpdateStatus: confirmation URL,"_s + server_->BaseUrl() +
                      u"qm_statusupdate.php?physicianid=12&locationid=3&vfilename=R260001"_s,
                  u"Status updated for file,R260001 LastError"_s,
                  u"Status could not be updated for file,NOSUCH LastError"_s});
    // A refusal, an empty answer and a proxy's demand (login cancelled) are no success either.
    for (const char* mode : {"refuse", "empty", "407"}) {
        ASSERT_TRUE(server_->SetFault(QString::fromLatin1(mode), u"qm_statusupdate.php"_s));
        EXPECT_EQ(UpdateStatus(u"R260001"_s, u"print"_s), 0) << mode;
    }
}

TEST_F(DocumentRequests, StatusWorkerSendsOneRequestPerSelectedRowAndServerTimeIsAsked) {
    const auto caller = std::this_thread::get_id();
    std::thread::id askedOn;
    StartStatusUpdateWorker(
        [&askedOn] {
            askedOn = std::this_thread::get_id();
            return QStringList{u"R260003"_s, QString(), u"R260001"_s, u"R260002"_s};
        },
        u"open"_s)
        .join();
    EXPECT_NE(askedOn, caller);
    const QString prefix = u"physicianid=12&locationid=3&vfilename="_s;
    EXPECT_EQ(Via(u"qm_statusupdate.php"_s), QStringList(3, u"https:8080"_s));
    EXPECT_EQ(Queries(u"qm_statusupdate.php"_s),
              (QStringList{prefix + u"R260003&field=open&value=1"_s, prefix + u"R260001&field=open&value=1"_s,
                           prefix + u"R260002&field=open&value=1"_s}));
    // The server time comes from the server, or the local clock when it cannot be reached.
    QString fromServer;
    EXPECT_EQ(GetServerTime(fromServer), 1);
    EXPECT_TRUE(
        QRegularExpression(u"^\\d{2}-\\d{2}-\\d{4} \\d{2}:\\d{2}:\\d{2}$"_s).match(fromServer).hasMatch())
        << fromServer.toStdString();
    EXPECT_EQ(Via(u"getservertime.asp"_s), QStringList{u"https:8080"_s});
    server_->Stop();
    QString local;
    EXPECT_EQ(GetServerTime(local), 1);
    const QDateTime parsed = QLocale::c().toDateTime(local, u"MMM/dd/yyyy HH:mm:ss"_s);
    ASSERT_TRUE(parsed.isValid()) << local.toStdString();
    EXPECT_LE(std::abs(parsed.secsTo(QDateTime::currentDateTime())), 60);
}

} // namespace
