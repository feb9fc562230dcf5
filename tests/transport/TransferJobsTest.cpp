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

TEST_F(TransferJobs, FileListIsDownloadedOverTlsUnpackedAndRecorded) {
    auto server = StartServerOn8080();
    ASSERT_TRUE(server);
    const QString result = RunFileList(*server);
    EXPECT_EQ(result, temp_ + QStringLiteral("FileList.txt"));
    EXPECT_EQ(Session().LastFileListName(), result);
    const QByteArray list = ReadAll(result);
    EXPECT_TRUE(list.contains("R260001")) << list.left(300).constData();
    EXPECT_FALSE(QFileInfo::exists(temp_ + QStringLiteral("ZipFile")));

    const auto entries = server->JournalFor(QStringLiteral("qm_download_filelist.php"));
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(Vias(*server, QStringLiteral("qm_download_filelist.php")),
              QStringList{QStringLiteral("https:443")});
    EXPECT_EQ(QStringLiteral("qm_download_filelist.php?") +
                  entries.first().value(QStringLiteral("query")).toString(),
              kListQuery);
    EXPECT_EQ(
        Missing(TodayLog(), {QStringLiteral("DownloadFileList: Unzip file name,FileList.txt LastError"),
                             QStringLiteral("File list zip,") + temp_ + QStringLiteral("ZipFile, deleted"),
                             QStringLiteral("DownloadFileList: Internet session closed")}),
        QStringList());
    EXPECT_TRUE(PromptsDouble::Current().Shown().isEmpty());
}

TEST_F(TransferJobs, StarredAnswerIsShownWithoutStarsAndNothingIsUnpacked) {
    auto server = StartServer(QStringLiteral("asterisk"));
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

TEST_F(TransferJobs, FailuresCloseTheDialogWithoutAResult) {
    const struct {
        const char* fault; // "stopped": no server listening
        int mode;
        const char* logged;
    } cases[] = {
        {"zip-slip", CDlgPleaseWait::kDownloadFileList, "Unzip: entry refused, ../../escape.txt"},
        {"bad-zip", CDlgPleaseWait::kDownloadFileList, "DownloadFileList: Unzip file name, LastError"},
        {"stopped", CDlgPleaseWait::kDownloadFileList,
         "Failed in call to HttpSendRequest  in HandleAuthentication,7"},
        {"", 2, ""}, // another mode runs no job at all
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        Session().Reset();
        const LogMark mark;
        const QString fault = QString::fromLatin1(c.fault);
        auto server = StartServer(fault == QStringLiteral("stopped") ? QString() : fault);
        ASSERT_TRUE(server);
        if (fault == QStringLiteral("stopped")) {
            server->Stop();
        }
        EXPECT_TRUE(RunFileList(*server, c.mode).isEmpty());
        EXPECT_TRUE(Session().LastFileListName().isEmpty());
        EXPECT_TRUE(mark.Text().contains(QString::fromLatin1(c.logged)));
        if (c.mode != CDlgPleaseWait::kDownloadFileList) {
            EXPECT_TRUE(server->Journal().isEmpty());
        }
    }
    // "../../escape.txt" from TempFolder would land beside the profile folder.
    EXPECT_FALSE(QFileInfo::exists(QDir::cleanPath(temp_ + QStringLiteral("../../escape.txt"))));
    EXPECT_FALSE(QFileInfo::exists(QDir::cleanPath(temp_ + QStringLiteral("../escape.txt"))));
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
