// Edit Demographics: the dialog, the document's properties and bookmarks, the resync upload with
// the changed fields, and the re-sign for the owner of an e-signed report.
#include "tests/flows/FlowsFixture.h"

#include "documents/core/SigningCore.h"
#include "documents/demographics/CDlgEditDemographics.h"

#include <QApplication>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>

namespace {

using DemographicsTest = FlowsFixture;
const QString kSuccess = QStringLiteral("Demographics edited successfully");

// Sets a row's value as the user does: a click on the row, the box, "Set Value".
void SetRow(CDlgEditDemographics* dialog, const QString& name, const QString& value) {
    auto* list = dialog->findChild<QTableWidget*>(QStringLiteral("ctl272"));
    list->clearSelection();
    for (int row = 0; row < list->rowCount(); ++row) {
        if (list->item(row, 1)->text() == name) {
            list->selectRow(row);
        }
    }
    dialog->OnClickListCp();
    dialog->findChild<QLineEdit*>(QStringLiteral("ctl274"))->setText(value);
    dialog->OnSetValue();
}

// Drives the dialog once it is up: the edits, then OK.
void WhenDialogShows(const QList<QPair<QString, QString>>& edits) {
    QTimer::singleShot(0, [edits] {
        auto* dialog = qobject_cast<CDlgEditDemographics*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        for (const auto& [name, value] : edits) {
            SetRow(dialog, name, value);
        }
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("ctlOk")), Qt::LeftButton);
    });
}

} // namespace

TEST(DemographicsDialog, FixedFieldRefusesAChange) {
    PromptsDouble::Current().Clear();
    CDlgEditDemographics dialog({QStringLiteral("Filename")}, {QStringLiteral("R1")}, QStringLiteral("R1"));
    SetRow(&dialog, QStringLiteral("Filename"), QStringLiteral("R2"));
    dialog.OnSetDemographics();
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(),
              QStringList{QStringLiteral("Cannot change the contents of the field.")});
    EXPECT_TRUE(dialog.Changed().isEmpty());
}

TEST_F(DemographicsTest, ChangedFieldGoesIntoPropertiesBookmarksAndTheResync) {
    const QString own = QStringLiteral("R260006");
    Start();
    page_->State().EsignedDocuments.append(QStringLiteral("R260014")); // provider 18's, e-signed
    ExpectRefusals("ctl207", {{{QStringLiteral("R260014")}, Denied("\"Edit\" an E-signed document")}});
    EXPECT_TRUE(Journal(kDownload).isEmpty());
    Answers();
    Select({own});
    WhenDialogShows({}); // no change: still uploaded, without a demographics field
    Click("ctl207");
    ASSERT_EQ(Count(kResync), 1);
    EXPECT_EQ(Fields(Uploads(kResync).first()).size(), 4);

    const qsizetype queries = Journal(QStringLiteral("qm_download_filelist.php")).size();
    Select({own});
    WhenDialogShows({{QString(), QString()}, // no row
                     {QStringLiteral("LastName"), QStringLiteral("  Okafor-Lind ")}});
    Click("ctl207");
    EXPECT_EQ(Shown(),
              (QStringList{kSuccess, QStringLiteral("Click on a particular row to edit "), kSuccess}));
    EXPECT_EQ(Fields(Uploads(kResync).value(1)).value(4),
              QStringLiteral("demographics=LastName~Okafor-Lind"));
    const QString onServer = ServerDocument(own);
    EXPECT_TRUE(onServer.contains(QStringLiteral("{\\staticval Okafor-Lind}")));
    EXPECT_TRUE(
        onServer.contains(QStringLiteral("{\\*\\bkmkstart LastName}Okafor-Lind{\\*\\bkmkend LastName}")));
    // Never signed: no statement even for its owner; the list is queried again.
    EXPECT_FALSE(onServer.contains(QStringLiteral("Electronically ESigned")));
    EXPECT_EQ(Count(kEsign), 0);
    EXPECT_EQ(Journal(QStringLiteral("qm_download_filelist.php")).size(), queries + 1);

    // Its owner's e-signed report is signed again.
    Answers();
    Select({QStringLiteral("R260001")});
    WhenDialogShows({{QStringLiteral("FirstName"), QStringLiteral("Maria")}});
    Click("ctl207");
    EXPECT_EQ(Shown(),
              (QStringList{QStringLiteral("ATTENTION:  You are opening an esigned document. An addendum "
                                          "statement will be added if it is edited and saved."),
                           kSuccess}));
    ASSERT_EQ(Count(kEsign), 1);
    EXPECT_EQ(ServerDocument(QStringLiteral("R260001"))
                  .count(Signing::kRevisionPrefix + QStringLiteral("Amelia Hart, MD on ")),
              1);
    EXPECT_FALSE(page_->State().DemographicsResign);
}
