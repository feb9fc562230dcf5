// Print and E-Sign from the list, end to end against the stand-in server.
#include "tests/flows/FlowsFixture.h"

#include "documents/core/SigningCore.h"

#include <QRegularExpression>

namespace {

using PrintTest = FlowsFixture;
using EsignTest = FlowsFixture;

const QString kOwnA = QStringLiteral("R260006");  // provider 12, not signed
const QString kOwnB = QStringLiteral("R260011");  // provider 12, not signed
const QString kOther = QStringLiteral("R260004"); // provider 18: user 12 may print and edit, not sign

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
    EXPECT_EQ(Journal(QStringLiteral("qm_statusupdate.php")).size(), 3);
    for (const QString& name : {kOwnA, kOwnB, kOther}) {
        EXPECT_TRUE(StatusSent(name, QStringLiteral("print&value=1"))) << name.toStdString();
        EXPECT_EQ(Status(name, DeskContext::StatusColumn::Printed), QStringLiteral("O"))
            << name.toStdString();
    }
    EXPECT_TRUE(Shown().isEmpty());

    // Refusals stop before anything is fetched or printed.
    const qsizetype downloads = Journal(kDownload).size();
    ExpectRefusals("ctl201", {{{}, QStringLiteral("Select a document to print.")},
                              {{kOwnA, QStringLiteral("R260003")},
                               Denied("\"Print\" documents")}}); // the second may not be printed
    EXPECT_EQ(desktop_->Printed().size(), 3);
    EXPECT_EQ(Journal(kDownload).size(), downloads);
}

TEST_F(EsignTest, OwnReportIsSignedUploadedAndMarked) {
    Start();
    ExpectRefusals("ctl204", {{{kOther}, Denied("\"Esign\" documents")},
                              {{kOwnA, kOwnB}, QStringLiteral("Select only one file to esign.")},
                              {{}, QStringLiteral("Select a document to e-Sign.")}});
    EXPECT_TRUE(Journal(kDownload).isEmpty());

    Answers();
    Select({kOwnA});
    Click("ctl204");
    EXPECT_EQ(Shown(), QStringList{QStringLiteral("Document E-Signed successfully.")});
    const QList<QJsonObject> uploads = Uploads(kEsign);
    ASSERT_EQ(uploads.size(), 1);
    const QString fields = Fields(uploads.first()).join(QLatin1Char(' ')); // "12" scrambled
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^loginid=30 password= locationid=\\S* phyid=\\S* esign=1 edit=1$"))
            .match(fields)
            .hasMatch())
        << fields.toStdString();
    EXPECT_EQ(ServerDocument(kOwnA).count(Signing::kFirstPrefix + QStringLiteral("Amelia Hart, MD on ")), 1);
    EXPECT_EQ(Status(kOwnA, DeskContext::StatusColumn::Esigned), QStringLiteral("O"));
    EXPECT_TRUE(page_->State().EsignedDocuments.contains(kOwnA));
}
