// The flows with the real LibreOffice: a print that comes out of a PDF printer (CUPS with
// cups-pdf) and reads back, and an edit whose lock file the monitor watches until LibreOffice
// itself saves and closes the document.
#include "tests/flows/FlowsFixture.h"

#include "documents/core/WordHoldsFile.h"

#include <QElapsedTimer>
#include <QScopeGuard>

namespace {

const QString kOther = QStringLiteral("R260004"); // provider 18: user 12 may print and edit
constexpr int kOfficeWaitMs = 120000;

int RunTool(const QString& program, const QStringList& args, QByteArray* out = nullptr) {
    QProcess p;
    p.start(program, args);
    const bool done = p.waitForFinished(kOfficeWaitMs);
    if (out) {
        *out = p.readAllStandardOutput();
    }
    return done && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

using RealOfficeTest = FlowsFixture;

} // namespace

TEST_F(RealOfficeTest, PrintComesOutOfThePdfPrinter) {
    desktop_.reset(); // the real programs, not the fakes
    QByteArray out;
    const auto sh = [&](const char* command) {
        return RunTool(QStringLiteral("sh"), {QStringLiteral("-c"), QString::fromLatin1(command)}, &out) == 0;
    };
    if (!sh("command -v soffice cupsd lpadmin pdftotext && test $(id -u) = 0")) {
        GTEST_SKIP() << "needs root, LibreOffice, CUPS with cups-pdf and pdftotext";
    }
    const char* running = "lpstat -r | grep -q 'scheduler is running'";
    ASSERT_TRUE(sh(running) || (sh("cupsd") && WaitFor([&] { return sh(running); })));
    ASSERT_TRUE(
        sh("lpadmin -p VelmoPDF -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_noopt.ppd && lpadmin -d "
           "VelmoPDF"));
    const char* pdfs = "ls ~/PDF/*.pdf /var/spool/cups-pdf/*/*.pdf 2>/dev/null; true";
    sh(pdfs);
    const QList<QByteArray> before = out.split('\n');
    Start();
    const QString lastName = page_->CellText(RowOf(kOther), QStringLiteral("Last Name"));
    ASSERT_FALSE(lastName.isEmpty());
    Select({kOther});
    Click("ctl201");
    EXPECT_EQ(Status(kOther, DeskContext::StatusColumn::Printed), QStringLiteral("O"));
    QString pdf;
    ASSERT_TRUE(WaitFor(
        [&] {
            sh(pdfs);
            for (const QByteArray& file : out.split('\n')) {
                pdf = before.contains(file) ? pdf : QString::fromLocal8Bit(file);
            }
            return !pdf.isEmpty();
        },
        kOfficeWaitMs));
    const auto remove = qScopeGuard([&] { QFile::remove(pdf); });
    QByteArray text;
    EXPECT_TRUE(WaitFor([&] {
        return RunTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")}, &text) == 0 &&
               QString::fromUtf8(text).contains(lastName);
    })) << text.left(500).toStdString();
}

// soffice for the desk is a script first on PATH: the real program, off-screen, in a profile of
// the test's own that holds a macro to make a change, save and close like a user.
TEST_F(RealOfficeTest, EditIsWatchedThroughLibreOfficesOwnLockFile) {
    desktop_.reset();
    QTemporaryDir bin;
    const QString soffice = bin.filePath(QStringLiteral("soffice"));
    const QString profile = bin.filePath(QStringLiteral("profile"));
    const QString module = profile + QStringLiteral("/user/basic/Standard/Module1.xba");
    {
        QFile f(soffice);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\necho $$ >>" + bin.filePath(QStringLiteral("pids")).toUtf8() +
                "\nSAL_USE_VCLPLUGIN=svp exec /usr/lib/libreoffice/program/soffice.bin --norestore "
                "--nologo -env:UserInstallation=file://" +
                profile.toUtf8() + " \"$@\"\n");
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }
    // The first start builds the profile; then the macro goes in.
    RunTool(soffice, {QStringLiteral("--headless"), QStringLiteral("--terminate_after_init")});
    QFile f(module);
    if (!QFile::exists(module) || !f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        GTEST_SKIP() << "LibreOffice is not installed or built no profile";
    }
    f.write(
        R"(<script:module xmlns:script="http://openoffice.org/2000/script" script:name="Module1" script:language="StarBasic">
Sub EditAndClose
  d = StarDesktop.Components.createEnumeration().nextElement()
  d.Text.insertString(d.Text.End, "Changed in LibreOffice.", False)
  d.store()
  d.close(True)
End Sub
</script:module>
)");
    f.close();
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toUtf8() + ':' + path);
    Delays::Get().monitorPoll = 1000; // the product's poll

    // The instance the desk starts (the second soffice run) stays up without a document: end it.
    const auto stop = qScopeGuard([&] {
        RunTool(QStringLiteral("sh"),
                {QStringLiteral("-c"), QStringLiteral("p=$(sed -n 2p %1/pids) && kill $p && "
                                                      "tail --pid=$p -f /dev/null")
                                           .arg(bin.path())});
    });
    Start();
    Select({kOther});
    Click("ctl210");
    const QString doc = Temp(kOther);
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(OfficeLockFilePath(doc)); }, kOfficeWaitMs));
    qputenv("PATH", path);
    // LibreOffice holds it: the monitor waits.
    QTest::qWait(1500);
    EXPECT_EQ(page_->State().OpenDocumentName, kOther);
    ASSERT_EQ(RunTool(soffice, {QStringLiteral("macro:///Standard.Module1.EditAndClose")}), 0);
    ASSERT_TRUE(WaitFor([&] { return !WordHoldsFile(doc); }, kOfficeWaitMs));
    QElapsedTimer released;
    released.start();
    ASSERT_TRUE(WaitFor([&] { return page_->State().OpenDocumentName.isEmpty(); }, kOfficeWaitMs));
    std::printf("real LibreOffice: release to resync answer %lld ms\n",
                static_cast<long long>(released.elapsed()));
    EXPECT_EQ(Shown(), QStringList{QStringLiteral("Document updated.")});
    EXPECT_EQ(Count(kResync), 1);
    EXPECT_TRUE(ServerDocument(kOther).contains(QStringLiteral("Changed in LibreOffice.")));
}
