#include "host/core/CUtility.h"
#include "host/core/FileChecksum.h"
#include "host/core/SessionSettings.h"
#include "tests/support/PromptsDouble.h"
#include "tests/transport/TransportTestSupport.h"
#include "transport/CFileDownloads.h"
#include "transport/DocumentDownload.h"
#include "transport/ServerTime.h"
#include "transport/StatusUpdate.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QLocale>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <thread>

namespace {

class DocumentRequests : public ::testing::Test {
protected:
    void SetUp() override {
        PromptsDouble::Current().Clear();
        Session().Reset();
        server_ = StartServerOn8080();
        ASSERT_TRUE(server_);
        Session().SetServerURL(server_->BaseUrl());
        Session().SetLoggedUserId(QStringLiteral("12"));
        Session().SetQueryPhysicianId(QStringLiteral("12"));
        Session().SetQueryLocationId(QStringLiteral("3"));
        Session().AppendCareProvider(QStringLiteral("12"), QString(), QStringLiteral("Provider One"));
        temp_ = CUtility().TempFolder();
    }
    QStringList Queries(const QString& script) const { return ::Queries(*server_, script); }
    // Every request for script came in over TLS on 443, or all on the ServerURL's own port.
    bool AllSecure(const QString& script, int count) const {
        return Vias(*server_, script) == QStringList(count, QStringLiteral("https:443"));
    }
    bool AllAsGiven(const QString& script, int count) const {
        return Vias(*server_, script) == QStringList(count, QStringLiteral("http:8080"));
    }
    std::unique_ptr<StandInServer> server_;
    QString temp_;
};

TEST_F(DocumentRequests, DocumentDownloadLeavesEachDocumentAndTheLastChecksum) {
    // Names that would leave the folder are not requested, and the checksum stays.
    std::uint32_t unchanged = 1234;
    DownloadDocuments({QStringLiteral("../R260001"), QString()}, nullptr, unchanged);
    EXPECT_EQ(unchanged, 1234u);
    EXPECT_TRUE(server_->Journal().isEmpty());

    const std::uint32_t checksum =
        DownloadDocuments({QStringLiteral("R260001"), QStringLiteral("R260002")}, nullptr);
    const QString first = temp_ + QStringLiteral("R260001.doc");
    const QString second = temp_ + QStringLiteral("R260002.doc");
    ASSERT_TRUE(QFileInfo::exists(first));
    ASSERT_TRUE(QFileInfo::exists(second));
    EXPECT_TRUE(ReadAll(second).startsWith("{\\rtf"));
    EXPECT_EQ(checksum, FileChecksum(second));
    EXPECT_NE(checksum, FileChecksum(first));
    EXPECT_FALSE(QFileInfo::exists(temp_ + QStringLiteral("R260001")));
    EXPECT_EQ(Queries(QStringLiteral("qm_download_files.php")),
              (QStringList{QStringLiteral("filename=R260001"), QStringLiteral("filename=R260002")}));
    EXPECT_TRUE(AllSecure(QStringLiteral("qm_download_files.php"), 2));
    EXPECT_EQ(Missing(TodayLog(),
                      {QStringLiteral("DownloadFiles: File download URL,") + server_->BaseUrl() +
                           QStringLiteral("qm_download_files.php?filename=R260002"),
                       QStringLiteral("DownloadFiles: Unzip filename with full path,") + second,
                       QStringLiteral("DownloadFiles: File,") + temp_ + QStringLiteral("R260002, deleted")}),
              QStringList());
}

TEST_F(DocumentRequests, DownloadFilesUnpacksIntoTheTargetFolder) {
    const QString folder = temp_ + QStringLiteral("versionfiles/");
    CFileDownloads downloads;
    downloads.SetURL(QStringLiteral("  ") + server_->BaseUrl() +
                     QStringLiteral("qm_download_versionfiles.php?filename=R260001.v1 "));
    downloads.SetTargetFolder(folder);
    const QString result = downloads.DownloadFiles(QStringLiteral("R260001.v1"));
    EXPECT_EQ(result, folder + QStringLiteral("R260001.v1.doc"));
    EXPECT_TRUE(QFileInfo(result).size() > 0);
    EXPECT_TRUE(AllSecure(QStringLiteral("qm_download_versionfiles.php"), 1));
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("R260001.v1")));
    EXPECT_EQ(
        Missing(TodayLog(), {QStringLiteral("DownloadFiles: Unzip filename with fullpath,") + result,
                             QStringLiteral("Zip file,") + folder + QStringLiteral("R260001.v1, deleted")}),
        QStringList());

    // Nothing unpacked: the same object answers its earlier result, a new one nothing.
    downloads.SetURL(server_->BaseUrl() + QStringLiteral("qm_download_versionfiles.php?filename=NOPE.v1"));
    EXPECT_EQ(downloads.DownloadFiles(QStringLiteral("NOPE.v1")), result);
    CFileDownloads fresh;
    fresh.SetURL(server_->BaseUrl() + QStringLiteral("qm_download_versionfiles.php?filename=NOPE.v1"));
    EXPECT_TRUE(fresh.DownloadFiles(QStringLiteral("NOPE.v1")).isEmpty());
}

TEST_F(DocumentRequests, EsignUploadSendsScrambledFieldsAndTheZippedDocument) {
    DownloadDocuments({QStringLiteral("R260001")}, nullptr);
    const QString document = temp_ + QStringLiteral("R260001.doc");
    ASSERT_TRUE(QFileInfo::exists(document));
    CFileDownloads upload;
    EXPECT_EQ(upload.UploadFile(QStringLiteral("R260001")), QStringLiteral("~"));

    const auto entries = server_->JournalFor(QStringLiteral("qm_esign.php"));
    ASSERT_EQ(entries.size(), 2);
    EXPECT_TRUE(AllSecure(QStringLiteral("qm_esign.php"), 2));
    const QJsonObject& form = entries.at(1);
    // "12" scrambled is "30"; the session knows no password for provider 12.
    EXPECT_EQ(Fields(form), (QStringList{QStringLiteral("loginid=30"), QStringLiteral("password="),
                                         QStringLiteral("locationid=3"), QStringLiteral("phyid=12"),
                                         QStringLiteral("esign=1"), QStringLiteral("edit=1")}));
    const QJsonArray files = form.value(QStringLiteral("files")).toArray();
    ASSERT_EQ(files.size(), 1);
    const QString zip = temp_ + QStringLiteral("R260001.zip");
    EXPECT_EQ(files.at(0).toObject().value(QStringLiteral("filename")).toString(), zip);
    EXPECT_EQ(files.at(0).toObject().value(QStringLiteral("entries")).toArray(),
              QJsonArray{QStringLiteral("R260001.doc")});
    EXPECT_FALSE(QFileInfo::exists(zip));
    EXPECT_TRUE(QFileInfo::exists(document));
    EXPECT_EQ(Missing(TodayLog(), {QStringLiteral("CFileDownloads::UploadFile: URL for Esign :") +
                                       server_->BaseUrl() + QStringLiteral("qm_esign.php"),
                                   QStringLiteral("CFileDownloads::UploadFile: Update successful"),
                                   QStringLiteral("File, ") + zip + QStringLiteral(" deleted")}),
              QStringList());
}

TEST_F(DocumentRequests, ResyncSendsDemographicsOnlyWhenThereAreSome) {
    DownloadDocuments({QStringLiteral("R260001")}, nullptr);
    const LogMark mark;
    CFileDownloads plain;
    EXPECT_EQ(plain.UploadFile(QStringLiteral("R260001"), QString()), QStringLiteral("~"));
    CFileDownloads withDemographics;
    EXPECT_EQ(withDemographics.UploadFile(QStringLiteral("R260001"), QStringLiteral("Patient Name~Jane Doe")),
              QStringLiteral("~"));

    const auto entries = server_->JournalFor(QStringLiteral("qm_resync.php"));
    ASSERT_EQ(entries.size(), 4);
    EXPECT_TRUE(AllSecure(QStringLiteral("qm_resync.php"), 4));
    const QStringList four{QStringLiteral("loginid=30"), QStringLiteral("password="),
                           QStringLiteral("locationid=3"), QStringLiteral("phyid=12")};
    EXPECT_EQ(Fields(entries.at(1)), four);
    EXPECT_EQ(entries.at(1).value(QStringLiteral("files")).toArray().size(), 1);
    EXPECT_EQ(Fields(entries.at(3)),
              four + QStringList{QStringLiteral("demographics=Patient Name~Jane Doe")});
    EXPECT_EQ(mark.Text().count(
                  QStringLiteral("CFileDownloads::UploadFile: Demographics are :Patient Name~Jane Doe")),
              1);
    EXPECT_FALSE(mark.Text().contains(QStringLiteral("URL for Esign")));
}

TEST_F(DocumentRequests, PasswordIsFoundRegardlessOfCaseAndRefusalIsReturnedUnchanged) {
    Session().ClearCareProviders();
    Session().AppendCareProvider(QStringLiteral("ab"), QStringLiteral("x"), QStringLiteral("A"));
    Session().AppendCareProvider(QStringLiteral("CD"), QStringLiteral("pw"), QStringLiteral("C"));
    Session().SetQueryPhysicianId(QStringLiteral("cd"));
    Session().SetLoggedUserId(QStringLiteral("99"));
    DownloadDocuments({QStringLiteral("R260001")}, nullptr);
    CFileDownloads upload;
    const QString answer = upload.UploadFile(QStringLiteral("R260001"));
    EXPECT_EQ(answer, QStringLiteral("The user 99 is not known to the report service."));
    const auto entries = server_->JournalFor(QStringLiteral("qm_esign.php"));
    ASSERT_EQ(entries.size(), 2);
    EXPECT_TRUE(Fields(entries.at(1)).contains(QStringLiteral("password=ru"))); // "pw" scrambled
    EXPECT_TRUE(TodayLog().contains(QStringLiteral("CFileDownloads::UploadFile: Update not successful")));
}

TEST_F(DocumentRequests, UploadToAnUnreachableServerAnswersNothingAndCleansUp) {
    ASSERT_TRUE(WriteAll(temp_ + QStringLiteral("R260009.doc"), "{\\rtf1 x}"));
    server_->Stop();
    CFileDownloads upload;
    EXPECT_TRUE(upload.UploadFile(QStringLiteral("R260009")).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(temp_ + QStringLiteral("R260009.zip")));
    EXPECT_TRUE(QFileInfo::exists(temp_ + QStringLiteral("R260009.doc")));
}

TEST_F(DocumentRequests, SynchronousStatusUpdateFollowsTheTildeRule) {
    EXPECT_EQ(UpdateStatus(QStringLiteral("R260001"), QStringLiteral("print")), 1);
    EXPECT_EQ(UpdateStatus(QStringLiteral("NOSUCH"), QStringLiteral("print")), 0);
    EXPECT_EQ(
        Queries(QStringLiteral("qm_statusupdate.php")),
        (QStringList{QStringLiteral("physicianid=12&locationid=3&vfilename=R260001&field=print&value=1"),
                     QStringLiteral("physicianid=12&locationid=3&vfilename=NOSUCH&field=print&value=1")}));
    EXPECT_TRUE(AllSecure(QStringLiteral("qm_statusupdate.php"), 2));
    EXPECT_EQ(
        Missing(TodayLog(),
                {QStringLiteral("UpdateStatus: confirmation URL,") + server_->BaseUrl() +
                     QStringLiteral("qm_statusupdate.php?physicianid=12&locationid=3&vfilename=R260001"),
                 QStringLiteral("Status updated for file,R260001 LastError"),
                 QStringLiteral("Status could not be updated for file,NOSUCH LastError")}),
        QStringList());
    // A refusal, an empty answer and a proxy's demand (login cancelled) are no success either.
    for (const char* mode : {"refuse", "empty", "407"}) {
        ASSERT_TRUE(server_->SetFault(QString::fromLatin1(mode), QStringLiteral("qm_statusupdate.php")));
        EXPECT_EQ(UpdateStatus(QStringLiteral("R260001"), QStringLiteral("print")), 0) << mode;
    }
}

TEST_F(DocumentRequests, StatusWorkerSendsOneRequestPerSelectedRowInOrder) {
    const auto caller = std::this_thread::get_id();
    std::thread::id askedOn;
    std::thread worker = StartStatusUpdateWorker(
        [&askedOn] {
            askedOn = std::this_thread::get_id();
            return QStringList{QStringLiteral("R260003"), QString(), QStringLiteral("R260001"),
                               QStringLiteral("R260002")};
        },
        QStringLiteral("open"));
    worker.join();
    EXPECT_NE(askedOn, caller);
    const QString prefix = QStringLiteral("physicianid=12&locationid=3&vfilename=");
    EXPECT_TRUE(AllAsGiven(QStringLiteral("qm_statusupdate.php"), 3));
    EXPECT_EQ(Queries(QStringLiteral("qm_statusupdate.php")),
              (QStringList{prefix + QStringLiteral("R260003&field=open&value=1"),
                           prefix + QStringLiteral("R260001&field=open&value=1"),
                           prefix + QStringLiteral("R260002&field=open&value=1")}));

    std::thread none = StartStatusUpdateWorker([] { return QStringList(); }, QStringLiteral("edit"));
    none.join();
    EXPECT_EQ(Queries(QStringLiteral("qm_statusupdate.php")).size(), 3);
}

TEST_F(DocumentRequests, ServerTimeComesFromTheServerOrTheLocalClock) {
    QString fromServer;
    EXPECT_EQ(GetServerTime(fromServer), 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{2}-\\d{2}-\\d{4} \\d{2}:\\d{2}:\\d{2}$"))
                    .match(fromServer)
                    .hasMatch())
        << fromServer.toStdString();
    EXPECT_TRUE(AllAsGiven(QStringLiteral("getservertime.asp"), 1));

    server_->Stop();
    QString local;
    EXPECT_EQ(GetServerTime(local), 1);
    const QDateTime parsed = QLocale::c().toDateTime(local, QStringLiteral("MMM/dd/yyyy HH:mm:ss"));
    ASSERT_TRUE(parsed.isValid()) << local.toStdString();
    EXPECT_LE(std::abs(parsed.secsTo(QDateTime::currentDateTime())), 60);
    EXPECT_EQ(FormatLocalTime(QDateTime(QDate(2026, 12, 4), QTime(7, 5, 9))),
              QStringLiteral("Dec/04/2026 07:05:09"));
}

} // namespace
