#include "host/core/GuiThread.h"
#include "host/core/SessionSettings.h"
#include "tests/support/PromptsDouble.h"
#include "tests/transport/TransportTestSupport.h"
#include "transport/gui/CDlgPleaseWait.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>

using namespace Qt::StringLiterals;

namespace {

const QString kListQuery =
    QStringLiteral("qm_download_filelist.php?loginuserid=12&physicianid=All&locationid=All"
                   "&fromdate=2000-01-01&todate=2100-12-31&reporttype=t");

class TransferJobs : public ::testing::Test {
protected:
    void SetUp() override {
        PromptsDouble::Current().Clear();
        Session().Reset();
        temp_ = CUtility::TempFolder();
    }
    // Runs the wait dialog's file-list job against server and answers the dialog's result.
    QString RunFileList(const StandInServer& server) {
        CDlgPleaseWait dialog;
        dialog.SetURL(server.BaseUrl() + kListQuery);
        dialog.SetUserId(u"12"_s);
        dialog.SetJobMode(CDlgPleaseWait::kDownloadFileList);
        // The dialog has only its text and no way to close it.
        EXPECT_TRUE(dialog.findChildren<QAbstractButton*>().isEmpty());
        EXPECT_EQ(dialog.findChild<QLabel*>()->text(), u"Please wait, request in progress..."_s);
        dialog.exec();
        EXPECT_FALSE(dialog.isVisible());
        return dialog.ResultPath();
    }
    QString temp_;
};

TEST_F(TransferJobs, FileListIsDownloadedOverTlsUnpackedAndRecorded) {
    auto server = StartServer({}, 8080);
    ASSERT_TRUE(server);
    const QString result = RunFileList(*server);
    EXPECT_EQ(result, temp_ + u"FileList.txt"_s);
    EXPECT_EQ(Session().LastFileListName(), result);
    EXPECT_TRUE(ReadFile(result).contains("R260001"));
    EXPECT_FALSE(QFileInfo::exists(temp_ + u"ZipFile"_s));
    EXPECT_EQ(Vias(*server, u"qm_download_filelist.php"_s), QStringList{u"https:443"_s});
    EXPECT_EQ(u"qm_download_filelist.php?"_s +
                  JournalQueries(*server, u"qm_download_filelist.php"_s, true).value(0),
              kListQuery);
    ExpectLogged({u"DownloadFileList: Unzip file name,FileList.txt LastError"_s,
                  u"File list zip,"_s + temp_ + u"ZipFile, deleted"_s,
                  u"DownloadFileList: Internet session closed"_s});
    EXPECT_TRUE(PromptsDouble::Current().Shown().isEmpty());
}

// No result then: the dialog closes, and the session's last file list stays as it was.
TEST_F(TransferJobs, FailuresCloseTheDialogWithoutAResult) {
    const QString busy = u"The report service is busy. Please try again in a few minutes."_s;
    const struct {
        const char* fault; // "stopped": no server listening
        const char* logged;
        QStringList shown;
    } cases[] = {
        {"asterisk", "", {busy}}, // shown without the stars
        {"zip-slip", "Unzip: entry refused, ../../escape.txt", {}},
        {"bad-zip", "DownloadFileList: Unzip file name, LastError", {}},
        {"stopped", "Failed in call to HttpSendRequest  in HandleAuthentication,7", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        PromptsDouble::Current().Clear();
        Session().SetLastFileListName(u"/earlier/FileList.txt"_s);
        const LogMark mark;
        const bool stopped = QByteArray(c.fault) == "stopped";
        auto server = StartServer(stopped ? QString() : QString::fromLatin1(c.fault));
        ASSERT_TRUE(server);
        if (stopped) {
            server->Stop();
        }
        EXPECT_TRUE(RunFileList(*server).isEmpty());
        EXPECT_EQ(Session().LastFileListName(), u"/earlier/FileList.txt"_s);
        EXPECT_TRUE(mark.Text().contains(QString::fromLatin1(c.logged)));
        EXPECT_EQ(PromptsDouble::Current().ShownTexts(), c.shown);
        if (!c.shown.isEmpty()) {
            EXPECT_EQ(PromptsDouble::Current().Shown().first().title, u"Molve"_s);
            // The archive holding the starred answer stays behind.
            EXPECT_TRUE(ReadFile(temp_ + u"ZipFile"_s).startsWith("*The report service is busy."));
        }
    }
    // "../../escape.txt" from TempFolder would land beside the profile folder.
    EXPECT_FALSE(QFileInfo::exists(QDir::cleanPath(temp_ + u"../../escape.txt"_s)));
    EXPECT_FALSE(QFileInfo::exists(QDir::cleanPath(temp_ + u"../escape.txt"_s)));
}

// Shows its boxes on the GUI thread, as the desk's message boxes do, and asks the program to
// quit just before: the wait dialog's modal loop then ends while its worker waits on the box.
class QuittingPrompts final : public Prompts {
public:
    int Show(const Box& box) override {
        RunOnGuiThread([] { QCoreApplication::exit(0); });
        RunOnGuiThread([&] { shown.append(box.text); });
        return Ok;
    }
    CredentialAnswer AskCredentials(const QString&, const QString&, bool, Credentials&) override {
        return CredentialAnswer::Cancel;
    }
    QStringList shown;
};

TEST_F(TransferJobs, DialogEndsWhenTheProgramQuitsWhileTheWorkerWaitsOnAMessage) {
    auto server = StartServer(u"asterisk"_s);
    ASSERT_TRUE(server);
    QuittingPrompts prompts;
    Prompts::Install(&prompts);
    {
        CDlgPleaseWait dialog; // may still be shown: the modal loop ended for the quit
        dialog.SetURL(server->BaseUrl() + kListQuery);
        dialog.SetJobMode(CDlgPleaseWait::kDownloadFileList);
        dialog.exec(); // hung for good before the fix
    }
    Prompts::Install(&PromptsDouble::Current());
    EXPECT_EQ(prompts.shown.size(), 1);
}

} // namespace
