// The flows with the real LibreOffice: a print that comes out of a PDF printer (CUPS with
// cups-pdf) and reads back. The edits against the real LibreOffice are in PhysicianTest.cpp.
#include "tests/flows/FlowsFixture.h"

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
