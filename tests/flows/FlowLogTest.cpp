// What the flows write to the activity log and the refusals they show, word for word.
#include "tests/flows/FlowsFixture.h"

#include "host/core/ActivityLog.h"

#include <QApplication>
#include <QTimer>

namespace {

using FlowLog = FlowsFixture;

const QString kOwn = QStringLiteral("R260019");      // provider 12, not signed
const QString kOther = QStringLiteral("R260004");    // provider 18: user 12 may print and edit
const QString kReadOnly = QStringLiteral("R260007"); // provider 15: user 12 may only read

QString LogText() {
    QFile f(CUtility().ProfileFolder() + QStringLiteral("Log/") +
            ActivityLog::FileNameFor(QDate::currentDate()));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Each line appears in the log after the one before it, from offset on.
bool InOrder(const QString& log, qsizetype offset, const QStringList& lines) {
    for (const QString& line : lines) {
        offset = log.indexOf(line, offset);
        if (offset < 0) {
            ADD_FAILURE() << "not logged in order: " << line.toStdString();
            return false;
        }
        offset += line.size();
    }
    return true;
}

// Answers the Edit Demographics dialog with "Set Demographics to document" once it shows.
void AcceptDialogWhenShown() {
    QTimer::singleShot(0, [] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("ctlOk")), Qt::LeftButton);
        }
    });
}

} // namespace

TEST_F(FlowLog, EachCommandLogsItsSteps) {
    struct Case {
        const char* button;
        QString report;
        QStringList lines;
    };
    const QList<Case> cases{
        {"ctl210",
         kOther,
         {QStringLiteral("OnPopOpen: File selected to view, R260004"),
          QStringLiteral("OnPopOpen: Start file download"), QStringLiteral("OnPopOpen: End file download"),
          QStringLiteral("OnPopOpen: File, R260004, downloaded"),
          QStringLiteral("OnPopOpen:  not downloaded"),
          QStringLiteral("DocumentMonitoring: Selected the Item Pos"),
          QStringLiteral("DocumentMonitoring: pos != NULL "),
          QStringLiteral("DocumentMonitoring: This is not the esign owner "),
          QStringLiteral("DocumentMonitoring: Document modified ")}},
        {"ctl204",
         kOwn,
         {QStringLiteral("OnPopEsign: File, R260019, selected for E-Sign"),
          QStringLiteral("OnPopEsign:  File, R260019 has to be downloaded"),
          QStringLiteral("OnPopEsign: Downloading files"),
          QStringLiteral("OnPopEsign: Finished downloading files"),
          QStringLiteral("OnPopEsign: Files taken up for E-Signing"),
          QStringLiteral("OnPopEsign: Update successful")}},
        {"ctl201",
         kOther,
         {QStringLiteral("OnPopPrint: File, R260004, selected for printing"),
          QStringLiteral("OnPopPrint: File, R260004 has to be downloaded"),
          QStringLiteral("OnPopPrint: Downloading files"),
          QStringLiteral("OnPopPrint: Finished downloading files"),
          QStringLiteral("OnPopPrint: Files taken up for printing"),
          QStringLiteral("Document, R260004 printed successfully")}},
        {"ctl207",
         kOther,
         {QStringLiteral("Reading the headers of list"),
          QStringLiteral("OnPopEditDemographics: File selected to edit demographic, R260004"),
          QStringLiteral("OnPopEditdemographics: Update successful")}},
    };
    Start();
    desktop_->SetHoldLock(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        const qsizetype offset = LogText().size();
        Select({c.report});
        if (QString::fromLatin1(c.button) == QLatin1String("ctl207")) {
            AcceptDialogWhenShown();
        }
        Click(c.button);
        ASSERT_TRUE(WaitFor([&] { return page_->State().OpenDocumentName.isEmpty(); }));
        ASSERT_TRUE(WaitFor([&] { return LogText().contains(c.lines.last(), Qt::CaseSensitive); }));
        EXPECT_TRUE(InOrder(LogText(), offset, c.lines));
        QFile::remove(Temp(c.report)); // the next command downloads afresh
    }
}

TEST_F(FlowLog, RefusalsAndFailuresSayWhy) {
    Start();
    page_->State().ReportTypeCode = QStringLiteral("p");
    ExpectRefusals("ctl207", {{{kOwn}, QStringLiteral("Click on play to play voice files.")}});
    ExpectRefusals("ctl204", {{{kOwn}, QStringLiteral("Click on Play to play voice files")}});
    page_->State().ReportTypeCode = QStringLiteral("t");
    ExpectRefusals("ctl207", {{{}, QStringLiteral("Select a document to view.")},
                              {{kReadOnly}, Denied("\"Edit\" documents")}});
    // Nothing comes down from the server.
    ASSERT_TRUE(server_.SetFault(QStringLiteral("status500"), kDownload));
    ExpectRefusals("ctl210", {{{kOther}, QStringLiteral("File/s R260004,  could not be downloaded.")}});
    ExpectRefusals("ctl201", {{{kOther}, QStringLiteral("File/s R260004,  could not be printed.")}});
    ExpectRefusals("ctl204", {{{kOwn}, QStringLiteral("File/s R260019,  could not be e-Signed.")}});
    ExpectRefusals("ctl207", {{{kOther}, QStringLiteral("R260004.doc could not be downloaded.")}});
    // A refused demographics upload shows the server's own text.
    ASSERT_TRUE(server_.ClearFaults());
    ASSERT_TRUE(server_.SetFault(QStringLiteral("refuse"), kResync));
    Answers();
    Select({kOther});
    AcceptDialogWhenShown();
    Click("ctl207");
    EXPECT_EQ(Shown().value(0), QStringLiteral("The report service cannot do this right now."));
}
