#include "host/core/CUtility.h"
#include "host/core/SessionSettings.h"
#include "tests/support/PromptsDouble.h"
#include "tests/transport/TransportTestSupport.h"
#include "transport/gui/CDlgPleaseWait.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

const QString kListQuery =
    QStringLiteral("qm_download_filelist.php?loginuserid=12&physicianid=All&locationid=All"
                   "&fromdate=2000-01-01&todate=2100-12-31&reporttype=t");

class TransferJobs : public ::testing::Test {
protected:
    void SetUp() override {
        PromptsDouble::Current().Clear();
        Session().Reset();
        temp_ = CUtility().TempFolder();
    }
    // Runs the wait dialog's file-list job against server and answers the dialog's result.
    QString RunFileList(const StandInServer& server, int mode = CDlgPleaseWait::kDownloadFileList) {
        CDlgPleaseWait dialog;
        dialog.SetURL(server.BaseUrl() + kListQuery);
        dialog.SetUserId(QStringLiteral("12"));
        dialog.SetJobMode(mode);
        dialog.exec();
        EXPECT_FALSE(dialog.isVisible());
        return dialog.ResultPath();
    }
    QString temp_;
};

TEST_F(TransferJobs, FileListIsDownloadedUnpackedAndRecorded) {
    auto server = StartServer();
    ASSERT_TRUE(server);
    const QString result = RunFileList(*server);
    EXPECT_EQ(result, temp_ + QStringLiteral("FileList.txt"));
    EXPECT_EQ(Session().LastFileListName(), result);
    const QByteArray list = ReadAll(result);
    EXPECT_TRUE(list.contains("R260001")) << list.left(300).constData();
    EXPECT_FALSE(QFileInfo::exists(temp_ + QStringLiteral("ZipFile")));

    const auto entries = server->JournalFor(QStringLiteral("qm_download_filelist.php"));
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(QStringLiteral("qm_download_filelist.php?") +
                  entries.first().value(QStringLiteral("query")).toString(),
              kListQuery);
    const QString log = TodayLog();
    EXPECT_TRUE(log.contains(QStringLiteral("DownloadFileList: Unzip file name,FileList.txt LastError")));
    EXPECT_TRUE(log.contains(QStringLiteral("File list zip,") + temp_ + QStringLiteral("ZipFile, deleted")));
    EXPECT_TRUE(log.contains(QStringLiteral("DownloadFileList: Internet session closed")));
    EXPECT_TRUE(PromptsDouble::Current().Shown().isEmpty());
}

TEST_F(TransferJobs, StarredAnswerIsShownWithoutStarsAndNothingIsUnpacked) {
    StandInServer::Options options;
    options.fault = QStringLiteral("asterisk");
    auto server = StartServer(options);
    ASSERT_TRUE(server);
    Session().SetLastFileListName(QStringLiteral("/earlier/FileList.txt"));
    EXPECT_TRUE(RunFileList(*server).isEmpty());
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(),
              QStringList{QStringLiteral("The report service is busy. Please try again in a few minutes.")});
    EXPECT_EQ(PromptsDouble::Current().Shown().first().title, QStringLiteral("Molve"));
    EXPECT_EQ(Session().LastFileListName(), QStringLiteral("/earlier/FileList.txt"));
    // The archive holding the answer stays behind.
    EXPECT_TRUE(ReadAll(temp_ + QStringLiteral("ZipFile")).startsWith("*The report service is busy."));
}

TEST_F(TransferJobs, ArchiveEntryEscapingTheFolderIsRefused) {
    StandInServer::Options options;
    options.fault = QStringLiteral("zip-slip");
    auto server = StartServer(options);
    ASSERT_TRUE(server);
    EXPECT_TRUE(RunFileList(*server).isEmpty());
    // "../../escape.txt" from TempFolder would land beside the profile folder.
    EXPECT_FALSE(QFileInfo::exists(QDir::cleanPath(temp_ + QStringLiteral("../../escape.txt"))));
    EXPECT_FALSE(QFileInfo::exists(QDir::cleanPath(temp_ + QStringLiteral("../escape.txt"))));
    EXPECT_TRUE(TodayLog().contains(QStringLiteral("Unzip: entry refused, ../../escape.txt")));
    EXPECT_TRUE(Session().LastFileListName().isEmpty());
}

TEST_F(TransferJobs, BrokenArchiveLeavesNoResult) {
    StandInServer::Options options;
    options.fault = QStringLiteral("bad-zip");
    auto server = StartServer(options);
    ASSERT_TRUE(server);
    EXPECT_TRUE(RunFileList(*server).isEmpty());
    EXPECT_TRUE(Session().LastFileListName().isEmpty());
    EXPECT_TRUE(TodayLog().contains(QStringLiteral("DownloadFileList: Unzip file name, LastError")));
}

TEST_F(TransferJobs, DialogClosesWhenTheServerCannotBeReached) {
    auto server = StartServer();
    ASSERT_TRUE(server);
    server->Stop();
    EXPECT_TRUE(RunFileList(*server).isEmpty());
    EXPECT_TRUE(
        TodayLog().contains(QStringLiteral("Failed in call to HttpSendRequest  in HandleAuthentication,7")));
}

TEST_F(TransferJobs, OtherModesRunNoJob) {
    auto server = StartServer();
    ASSERT_TRUE(server);
    EXPECT_TRUE(RunFileList(*server, 2).isEmpty());
    EXPECT_TRUE(server->Journal().isEmpty());
}

TEST(PleaseWaitDialog, HasOnlyItsTextAndNoWayToCloseIt) {
    CDlgPleaseWait dialog;
    EXPECT_TRUE(dialog.windowTitle().isEmpty());
    EXPECT_TRUE(dialog.findChildren<QAbstractButton*>().isEmpty());
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    const auto labels = dialog.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels.first()->text(), QStringLiteral("Please wait, request in progress..."));
}

} // namespace
