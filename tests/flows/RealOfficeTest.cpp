// The flows with the real LibreOffice: a print that comes out of a PDF printer (CUPS with
// cups-pdf) and reads back, and an edit whose lock file the monitor watches until LibreOffice
// itself saves and closes the document.
#include "tests/flows/FlowsFixture.h"

#include "documents/core/WordHoldsFile.h"
#include "host/core/Shell.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

const QString kOther = QStringLiteral("R260004"); // provider 18: user 12 may print and edit
const QString kSoffice = QStringLiteral("/usr/lib/libreoffice/program/soffice.bin");
const QString kPrinter = QStringLiteral("VelmoPDF");
constexpr int kOfficeWaitMs = 120000;

int RunTool(const QString& program, const QStringList& args, QByteArray* out = nullptr, int ms = 60000) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(ms)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (out) {
        *out = p.readAllStandardOutput();
    }
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool OnPath(const char* name) {
    return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
}

// Every PDF cups-pdf may have written.
QStringList PrintedPdfs() {
    QStringList found;
    for (const QString& folder :
         {QDir::homePath() + QStringLiteral("/PDF"), QStringLiteral("/var/spool/cups-pdf")}) {
        QDirIterator it(folder, {QStringLiteral("*.pdf")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            found.append(it.next());
        }
    }
    return found;
}

// soffice for the desk's edit: the real program, off-screen, in a profile of the test's own
// that holds a macro to make a change, save and close like a user.
class RealOfficeShell final : public Shell {
public:
    explicit RealOfficeShell(QString profile) : profile_(std::move(profile)), desktop_(Shell::Get()) {
        Shell::Install(this);
    }
    ~RealOfficeShell() override {
        Shell::Install(nullptr);
        if (process_) {
            process_->terminate();
            process_->waitForFinished(10000);
        }
    }
    RealOfficeShell(const RealOfficeShell&) = delete;
    RealOfficeShell& operator=(const RealOfficeShell&) = delete;
    bool Open(const QString& fileOrUrl) override { return desktop_.Open(fileOrUrl); }
    bool StartDetached(const QString& program, const QStringList& arguments) override {
        if (program != QStringLiteral("soffice") || arguments.size() != 1) {
            return desktop_.StartDetached(program, arguments);
        }
        process_ = std::make_unique<QProcess>();
        process_->setProcessEnvironment(Environment());
        process_->start(kSoffice, Arguments() << arguments.first());
        return process_->waitForStarted(10000);
    }
    std::unique_ptr<ProgramHandle> Start(const QString& program, const QStringList& arguments) override {
        return desktop_.Start(program, arguments);
    }
    QProcessEnvironment Environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SAL_USE_VCLPLUGIN"), QStringLiteral("svp"));
        return env;
    }
    QStringList Arguments() const {
        return {QStringLiteral("--norestore"), QStringLiteral("--nologo"),
                QStringLiteral("-env:UserInstallation=file://") + profile_};
    }
    // Runs the profile's macro in the LibreOffice that has the document open.
    bool RunMacro(const QString& name) const {
        QProcess p;
        p.setProcessEnvironment(Environment());
        p.start(kSoffice, Arguments() << QStringLiteral("macro:///Standard.Module1.") + name);
        return p.waitForFinished(60000) && p.exitCode() == 0;
    }

private:
    QString profile_;
    Shell& desktop_;
    std::unique_ptr<QProcess> process_;
};

const char* kMacroModule = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE script:module PUBLIC "-//OpenOffice.org//DTD OfficeDocument 1.0//EN" "module.dtd">
<script:module xmlns:script="http://openoffice.org/2000/script" script:name="Module1" script:language="StarBasic">
Sub EditAndClose
  Dim e As Object
  e = StarDesktop.Components.createEnumeration()
  While e.hasMoreElements()
    Dim d As Object
    d = e.nextElement()
    d.Text.insertString(d.Text.End, "Changed in LibreOffice.", False)
    d.store()
    d.close(True)
  Wend
End Sub
</script:module>
)";

class RealOfficeTest : public FlowsFixture {
protected:
    void SetUp() override {
        FlowsFixture::SetUp();
        desktop_.reset(); // the real programs, not the fakes
    }
};

} // namespace

TEST_F(RealOfficeTest, PrintComesOutOfThePdfPrinter) {
    for (const char* tool : {"soffice", "cupsd", "lpadmin", "lpstat", "pdftotext"}) {
        if (!OnPath(tool)) {
            GTEST_SKIP() << tool << " is not installed";
        }
    }
    if (::geteuid() != 0) {
        GTEST_SKIP() << "setting up a printer needs root";
    }
    const auto schedulerRunning = [] {
        QByteArray out;
        RunTool(QStringLiteral("lpstat"), {QStringLiteral("-r")}, &out);
        return out.contains("scheduler is running");
    };
    if (!schedulerRunning()) {
        RunTool(QStringLiteral("cupsd"), {});
        ASSERT_TRUE(WaitFor(schedulerRunning));
    }
    ASSERT_EQ(RunTool(QStringLiteral("lpadmin"),
                      {QStringLiteral("-p"), kPrinter, QStringLiteral("-E"), QStringLiteral("-v"),
                       QStringLiteral("cups-pdf:/"), QStringLiteral("-m"),
                       QStringLiteral("lsb/usr/cups-pdf/CUPS-PDF_noopt.ppd")}),
              0);
    ASSERT_EQ(RunTool(QStringLiteral("lpadmin"), {QStringLiteral("-d"), kPrinter}), 0);
    const QStringList before = PrintedPdfs();

    Start();
    const QString lastName = page_->CellText(RowOf(kOther), QStringLiteral("Last Name"));
    ASSERT_FALSE(lastName.isEmpty());
    Select({kOther});
    Click("ctl201");
    EXPECT_EQ(Status(kOther, DeskContext::StatusColumn::Printed), QStringLiteral("O"));
    ASSERT_EQ(Journal(QStringLiteral("qm_statusupdate.php")).size(), 1);

    QString pdf;
    ASSERT_TRUE(WaitFor(
        [&] {
            for (const QString& p : PrintedPdfs()) {
                if (!before.contains(p)) {
                    pdf = p;
                    return true;
                }
            }
            return false;
        },
        kOfficeWaitMs))
        << "no PDF came out";
    QByteArray text;
    ASSERT_TRUE(WaitFor([&] {
        return RunTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}, &text) == 0 &&
               !text.isEmpty();
    }));
    EXPECT_TRUE(QString::fromUtf8(text).contains(lastName)) << text.left(500).toStdString();
    QFile::remove(pdf);
}

TEST_F(RealOfficeTest, EditIsWatchedThroughLibreOfficesOwnLockFile) {
    if (!QFile::exists(kSoffice)) {
        GTEST_SKIP() << "LibreOffice is not installed";
    }
    QTemporaryDir profile;
    // First start builds the profile (and asks to be restarted); then the macro goes in.
    RunTool(kSoffice,
            {QStringLiteral("--headless"), QStringLiteral("--terminate_after_init"),
             QStringLiteral("-env:UserInstallation=file://") + profile.path()},
            nullptr, kOfficeWaitMs);
    const QString module = profile.path() + QStringLiteral("/user/basic/Standard/Module1.xba");
    if (!QFile::exists(module)) {
        GTEST_SKIP() << "LibreOffice did not build a profile";
    }
    {
        QFile f(module);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(kMacroModule);
    }
    RealOfficeShell shell(profile.path());
    Delays::Get().monitorPoll = 1000; // the product's poll

    Start();
    Select({kOther});
    Click("ctl210");
    const QString path = Temp(kOther);
    EXPECT_EQ(page_->State().OpenDocumentName, kOther);
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(OfficeLockFilePath(path)); }, kOfficeWaitMs))
        << "LibreOffice never took the file";
    // LibreOffice holds it: the window stays usable and the monitor waits.
    QTest::qWait(1500);
    EXPECT_EQ(page_->State().OpenDocumentName, kOther);
    EXPECT_TRUE(Uploads(QStringLiteral("qm_resync.php")).isEmpty());

    ASSERT_TRUE(shell.RunMacro(QStringLiteral("EditAndClose")));
    ASSERT_TRUE(WaitFor([&] { return !WordHoldsFile(path); }, kOfficeWaitMs));
    QElapsedTimer released;
    released.start();
    ASSERT_TRUE(WaitFor([&] { return page_->State().OpenDocumentName.isEmpty(); }, kOfficeWaitMs));
    const qint64 ms = released.elapsed();
    std::printf("real LibreOffice: release to resync answer %lld ms\n", static_cast<long long>(ms));
    RecordProperty("release_to_answer_ms", static_cast<int>(ms));
    EXPECT_EQ(Shown(), QStringList{QStringLiteral("Document updated.")});
    ASSERT_EQ(Uploads(QStringLiteral("qm_resync.php")).size(), 1);
    EXPECT_TRUE(ServerDocument(kOther).contains(QStringLiteral("Changed in LibreOffice.")));
}
