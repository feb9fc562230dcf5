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

// Runs a shell command line; true when it ends with 0. Its output goes to out.
bool Sh(const QString& command, QByteArray* out = nullptr) {
    QProcess p;
    p.start(QStringLiteral("sh"), {QStringLiteral("-c"), command});
    const bool ok =
        p.waitForFinished(kOfficeWaitMs) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (out) {
        *out = p.readAllStandardOutput().trimmed();
    }
    return ok;
}

using RealOfficeTest = FlowsFixture;

} // namespace

TEST_F(RealOfficeTest, PrintComesOutOfThePdfPrinter) {
    desktop_.reset(); // the real programs, not the fakes
    if (!Sh(QStringLiteral("command -v soffice cupsd lpadmin pdftotext && test $(id -u) = 0"))) {
        GTEST_SKIP() << "needs root, LibreOffice, CUPS with cups-pdf and pdftotext";
    }
    const QString running = QStringLiteral("lpstat -r | grep -q 'scheduler is running'");
    ASSERT_TRUE(Sh(running) || (Sh(QStringLiteral("cupsd")) && WaitFor([&] { return Sh(running); })));
    ASSERT_TRUE(
        Sh(QStringLiteral("lpadmin -p VelmoPDF -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_noopt.ppd && "
                          "lpadmin -d VelmoPDF")));
    const QString newest =
        QStringLiteral("ls -t ~/PDF/*.pdf /var/spool/cups-pdf/*/*.pdf 2>/dev/null | head -n1");
    QByteArray before, pdf, text;
    Sh(newest, &before);
    Start();
    const QString lastName = page_->CellText(RowOf(kOther), QStringLiteral("Last Name"));
    ASSERT_FALSE(lastName.isEmpty());
    Select({kOther});
    Click("ctl201");
    EXPECT_EQ(Status(kOther, DeskContext::StatusColumn::Printed), QStringLiteral("O"));
    ASSERT_TRUE(WaitFor([&] { return Sh(newest, &pdf) && !pdf.isEmpty() && pdf != before; }, kOfficeWaitMs));
    const auto remove = qScopeGuard([&] { QFile::remove(QString::fromLocal8Bit(pdf)); });
    EXPECT_TRUE(WaitFor([&] {
        return Sh(QStringLiteral("pdftotext '%1' -").arg(QString::fromLocal8Bit(pdf)), &text) &&
               QString::fromUtf8(text).contains(lastName);
    })) << text.left(500).toStdString();
}

// soffice for the desk is a script first on PATH: the real program, off-screen, in a profile of
// the test's own that holds a macro to make a change, save and close like a user.
TEST_F(RealOfficeTest, EditIsWatchedThroughLibreOfficesOwnLockFile) {
    desktop_.reset();
    QTemporaryDir bin;
    const QString soffice = bin.filePath(QStringLiteral("soffice"));
    {
        QFile f(soffice);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("#!/bin/sh\necho $$ >>%1/pids\nSAL_USE_VCLPLUGIN=svp exec "
                               "/usr/lib/libreoffice/program/soffice.bin --norestore --nologo "
                               "-env:UserInstallation=file://%1/profile \"$@\"\n")
                    .arg(bin.path())
                    .toUtf8());
        f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    }
    // The first start builds the profile; then the macro goes in.
    Sh(soffice + QStringLiteral(" --headless --terminate_after_init"));
    QFile f(bin.filePath(QStringLiteral("profile/user/basic/Standard/Module1.xba")));
    if (!Sh(QStringLiteral("test -x /usr/lib/libreoffice/program/soffice.bin"))) {
        GTEST_SKIP() << "LibreOffice is not installed";
    }
    ASSERT_TRUE(f.exists() && f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        << "LibreOffice built no profile";
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
        Sh(QStringLiteral("p=$(sed -n 2p %1/pids) && kill $p && tail --pid=$p -f /dev/null").arg(bin.path()));
    });

    Start();
    Select({kOther});
    Click("ctl210");
    const QString doc = Temp(kOther);
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(OfficeLockFilePath(doc)); }, kOfficeWaitMs));
    qputenv("PATH", path);
    QTest::qWait(1500); // more than a poll: the monitor sees LibreOffice hold it and waits
    EXPECT_EQ(page_->State().OpenDocumentName, kOther);
    ASSERT_TRUE(Sh(soffice + QStringLiteral(" macro:///Standard.Module1.EditAndClose")));
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
