// Print and E-Sign from the list, end to end against the stand-in server.
#include "tests/flows/FlowsFixture.h"

#include "documents/core/SigningCore.h"

namespace {

using PrintTest = FlowsFixture;
using EsignTest = FlowsFixture;

const QString kOwnA = QStringLiteral("R260006");    // provider 12, not signed
const QString kOwnB = QStringLiteral("R260011");    // provider 12, not signed
const QString kOther = QStringLiteral("R260004");   // provider 18: user 12 may print and edit
const QString kNoPrint = QStringLiteral("R260003"); // provider 12, flags 101111

} // namespace

TEST_F(PrintTest, ThreeRowsPrintThreeDocumentsReportEachAndMarkThemPrinted) {
    Start();
    Select({kOwnA, kOwnB, kOther});
    Click("ctl201");

    QStringList printed;
    for (const QString& path : desktop_->Printed()) {
        printed.append(QFileInfo(path).completeBaseName());
    }
    printed.sort();
    EXPECT_EQ(printed, (QStringList{kOther, kOwnA, kOwnB}));
    EXPECT_EQ(desktop_->SofficeCalls().size(), 3); // one word-processor run per document
    QStringList statusNames;
    for (const QJsonObject& e : Journal(QStringLiteral("qm_statusupdate.php"))) {
        const QString q = e.value(QStringLiteral("query")).toString();
        EXPECT_TRUE(q.contains(QStringLiteral("&field=print&value=1"))) << q.toStdString();
        statusNames.append(q.section(QStringLiteral("vfilename="), 1).section(QLatin1Char('&'), 0, 0));
    }
    statusNames.sort();
    EXPECT_EQ(statusNames, (QStringList{kOther, kOwnA, kOwnB}));
    for (const QString& name : {kOwnA, kOwnB, kOther}) {
        EXPECT_EQ(Status(name, DeskContext::StatusColumn::Printed), QStringLiteral("O"))
            << name.toStdString();
    }
    EXPECT_TRUE(Shown().isEmpty()) << Shown().join(QLatin1Char('\n')).toStdString();
}

// Each refusal stops before anything is fetched or printed.
TEST_F(PrintTest, RefusalsPrintNothing) {
    Start();
    const int downloadsBefore = static_cast<int>(Journal(QStringLiteral("qm_download_files.php")).size());
    struct Case {
        const char* what;
        std::function<void()> arrange;
        QString message;
    };
    const QList<Case> cases{
        {"no selection", [this] { page_->List()->clearSelection(); },
         QStringLiteral("Select a document to print.")},
        {"one row may not be printed",
         [this] {
             Select({kOwnA, kNoPrint});
         },
         QStringLiteral(
             "ACCESS DENIED: Your user account is not configured to \"Print\" documents. For assistance, "
             "please contact technical support via email at support@molve-reports.com or "
             "1-800-555-0142.")},
        {"a document is open for editing",
         [this] {
             Select({kOwnA});
             page_->State().OpenDocumentName = kOwnB;
         },
         QStringLiteral("Currently opened document, ") + Temp(kOwnB) +
             QStringLiteral(", needs to be closed before opening another one.")},
        {"pending list",
         [this] {
             page_->State().OpenDocumentName.clear();
             page_->State().ReportTypeCode = QStringLiteral("P");
         },
         QStringLiteral("Click on Play to play voice files.")},
    };
    for (const Case& c : cases) {
        PromptsDouble::Current().Clear();
        c.arrange();
        Click("ctl201");
        EXPECT_EQ(Shown(), QStringList{c.message}) << c.what;
    }
    EXPECT_TRUE(desktop_->Printed().isEmpty());
    EXPECT_EQ(Journal(QStringLiteral("qm_download_files.php")).size(), downloadsBefore);
    EXPECT_TRUE(Journal(QStringLiteral("qm_statusupdate.php")).isEmpty());
}

TEST_F(PrintTest, WithoutAPrinterNothingIsReportedPrinted) {
    desktop_->SetDefaultPrinter(QString());
    Start();
    const QString before = Status(kOwnB, DeskContext::StatusColumn::Printed);
    Select({kOwnA, kOwnB});
    Click("ctl201");
    EXPECT_TRUE(desktop_->Printed().isEmpty());
    EXPECT_TRUE(Journal(QStringLiteral("qm_statusupdate.php")).isEmpty());
    EXPECT_EQ(Shown().size(), 1); // told once, not per document
    EXPECT_EQ(Status(kOwnB, DeskContext::StatusColumn::Printed), before);
}

TEST_F(EsignTest, OwnReportIsSignedUploadedAndMarked) {
    Start();
    Select({kOwnA});
    Click("ctl204");

    EXPECT_EQ(Shown(), QStringList{QStringLiteral("Document E-Signed successfully.")});
    const QList<QJsonObject> uploads = Uploads(QStringLiteral("qm_esign.php"));
    ASSERT_FALSE(uploads.isEmpty());
    const QJsonObject& upload = uploads.last();
    EXPECT_EQ(upload.value(QStringLiteral("method")).toString(), QStringLiteral("POST"));
    const QStringList fields = Fields(upload);
    ASSERT_EQ(fields.size(), 6) << fields.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(fields.at(0), QStringLiteral("loginid=30")); // "12" scrambled
    EXPECT_EQ(fields.at(1), QStringLiteral("password="));
    EXPECT_TRUE(fields.at(2).startsWith(QStringLiteral("locationid=")));
    EXPECT_TRUE(fields.at(3).startsWith(QStringLiteral("phyid=")));
    EXPECT_EQ(fields.mid(4), (QStringList{QStringLiteral("esign=1"), QStringLiteral("edit=1")}));
    EXPECT_EQ(Entries(upload), QStringList{kOwnA + QStringLiteral(".doc")});

    const QString onServer = ServerDocument(kOwnA);
    EXPECT_EQ(onServer.count(Signing::kFirstPrefix + QStringLiteral("Amelia Hart, MD on ")), 1);
    EXPECT_EQ(Status(kOwnA, DeskContext::StatusColumn::Esigned), QStringLiteral("O"));
    EXPECT_TRUE(page_->State().EsignedDocuments.contains(kOwnA));
    EXPECT_TRUE(page_->State().OpenDocumentName.isEmpty());

    // Signed again: one statement, now the revision statement.
    PromptsDouble::Current().Clear();
    Click("ctl204");
    const QString again = ServerDocument(kOwnA);
    EXPECT_EQ(again.count(QStringLiteral("Electronically ESigned by")), 1);
    EXPECT_EQ(again.count(Signing::kRevisionPrefix), 1);
}

TEST_F(EsignTest, RefusalsStopBeforeAnyDownload) {
    Start();
    struct Case {
        QStringList rows;
        QString message;
    };
    const QList<Case> cases{
        {{kOther},
         QStringLiteral(
             "ACCESS DENIED: Your user account is not configured to \"Esign\" documents. For "
             "assistance, please contact technical support via email at support@molve-reports.com or "
             "1-800-555-0142.")},
        {{kOwnA, kOwnB}, QStringLiteral("Select only one file to esign.")},
        {{}, QStringLiteral("Select a document to e-Sign.")},
    };
    for (const Case& c : cases) {
        PromptsDouble::Current().Clear();
        Select(c.rows);
        Click("ctl204");
        EXPECT_EQ(Shown(), QStringList{c.message}) << c.rows.join(QLatin1Char(',')).toStdString();
    }
    EXPECT_TRUE(Journal(QStringLiteral("qm_download_files.php")).isEmpty());
    EXPECT_TRUE(Uploads(QStringLiteral("qm_esign.php")).isEmpty());
}
