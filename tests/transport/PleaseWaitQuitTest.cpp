#include "host/core/GuiThread.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "tests/support/PromptsDouble.h"
#include "tests/transport/TransportTestSupport.h"
#include "transport/gui/CDlgPleaseWait.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <gtest/gtest.h>

namespace {

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

TEST(PleaseWaitQuit, EndsWhenTheProgramQuitsWhileTheWorkerWaitsOnAMessage) {
    Session().Reset();
    auto server = StartServer(QStringLiteral("asterisk"));
    ASSERT_TRUE(server);
    QuittingPrompts prompts;
    Prompts::Install(&prompts);
    {
        CDlgPleaseWait dialog;
        dialog.SetURL(server->BaseUrl() + QStringLiteral("qm_download_filelist.php?loginuserid=12"));
        dialog.SetJobMode(CDlgPleaseWait::kDownloadFileList);
        dialog.exec(); // hung for good before the fix
    }
    Prompts::Install(&PromptsDouble::Current());
    ASSERT_EQ(prompts.shown.size(), 1);
}

} // namespace
