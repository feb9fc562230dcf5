// The flows with the real LibreOffice: a print that comes out of a PDF printer (CUPS with
// cups-pdf) and reads back. The edits against the real LibreOffice are in PhysicianTest.cpp.
#include "tests/flows/FlowsFixture.h"

#include <QScopeGuard>

namespace {

constexpr int kOfficeWaitMs = 120000;

// Runs a shell command line; true when it ends with 0. Its output goes to out.
bool Sh(const QString& command, QByteArray* out = nullptr) {
    QProcess p;
    p.start(u"sh"_s, {u"-c"_s, command});
    const bool ok =
        p.waitForFinished(kOfficeWaitMs) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (out) {
        *out = p.readAllStandardOutput().trimmed();
    }
    return ok;
}

const QString kAddPrinter = u"lpadmin -p VelmoPDF -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_noopt.ppd"_s;

// The machine's printers as the test found them, put back whichever way it ends: the default
// printer (none: VelmoPDF removed, and added again when it was there), and no VelmoPDF when the
// test added it.
class PrinterGuard {
public:
    PrinterGuard() {
        QByteArray line; // "system default destination: NAME", or that there is none
        Sh(u"lpstat -d"_s, &line);
        found_ = line.contains(':') ? QString::fromLocal8Bit(line.mid(line.indexOf(':') + 1).trimmed())
                                    : QString();
        added_ = !Sh(u"lpstat -p VelmoPDF"_s);
    }
    ~PrinterGuard() {
        if (added_ || found_.isEmpty()) {
            Sh(u"lpadmin -x VelmoPDF"_s);
        }
        if (!added_ && found_.isEmpty()) {
            Sh(kAddPrinter);
        } else if (!found_.isEmpty()) {
            Sh(u"lpadmin -d '%1'"_s.arg(found_));
        }
    }
    PrinterGuard(const PrinterGuard&) = delete;
    PrinterGuard& operator=(const PrinterGuard&) = delete;

private:
    QString found_;
    bool added_ = false;
};

using RealOfficeTest = FlowsFixture;

} // namespace

TEST_F(RealOfficeTest, PrintComesOutOfThePdfPrinter) {
    desktop_.reset(); // the real programs, not the fakes: PATH as the test found it
    if (!Sh(u"command -v soffice cupsd lpadmin pdftotext && test $(id -u) = 0"_s)) {
        GTEST_SKIP() << "needs root, LibreOffice, CUPS with cups-pdf and pdftotext";
    }
    const QString running = u"lpstat -r | grep -q 'scheduler is running'"_s;
    ASSERT_TRUE(Sh(running) || (Sh(u"cupsd"_s) && WaitFor([&] { return Sh(running); })));
    const PrinterGuard printers;
    ASSERT_TRUE(Sh(kAddPrinter + u" && lpadmin -d VelmoPDF"_s));
    const QString newest = u"ls -t ~/PDF/*.pdf /var/spool/cups-pdf/*/*.pdf 2>/dev/null | head -n1"_s;
    QByteArray before, pdf, text;
    Sh(newest, &before);
    Start();
    const QString lastName = page_->CellText(RowOf(kOther), u"Last Name"_s);
    ASSERT_FALSE(lastName.isEmpty());
    Select({kOther});
    Click("printButton");
    EXPECT_EQ(Status(kOther, DeskContext::StatusColumn::Printed), u"O"_s);
    ASSERT_TRUE(WaitFor([&] { return Sh(newest, &pdf) && !pdf.isEmpty() && pdf != before; }, kOfficeWaitMs));
    const auto remove = qScopeGuard([&] { QFile::remove(QString::fromLocal8Bit(pdf)); });
    EXPECT_TRUE(WaitFor([&] {
        return Sh(u"pdftotext '%1' -"_s.arg(QString::fromLocal8Bit(pdf)), &text) &&
               QString::fromUtf8(text).contains(lastName);
    })) << text.left(500).toStdString();
}
