// Edit Demographics: the dialog, the document's properties and bookmarks, the resync upload with
// the changed fields, and the re-sign for the owner of an e-signed report.
#include "tests/flows/FlowsFixture.h"

#include "documents/core/DocumentPropertyStore.h"
#include "documents/core/SigningCore.h"
#include "documents/demographics/CDlgEditDemographics.h"
#include "documents/demographics/EditDemographics.h"

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
    for (int row = 0; row < list->rowCount(); ++row) {
        if (list->item(row, 1)->text() == name) {
            list->selectRow(row);
        }
    }
    dialog->OnClickListCp();
    dialog->findChild<QLineEdit*>(QStringLiteral("ctl274"))->setText(value);
    dialog->OnSetValue();
}

// Drives the dialog once it is up: the edits, then OK (or "Discard and Exit").
void WhenDialogShows(const QList<QPair<QString, QString>>& edits, bool ok = true) {
    QTimer::singleShot(0, [edits, ok] {
        auto* dialog = qobject_cast<CDlgEditDemographics*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        for (const auto& [name, value] : edits) {
            SetRow(dialog, name, value);
        }
        QTest::mouseClick(
            dialog->findChild<QPushButton*>(ok ? QStringLiteral("ctlOk") : QStringLiteral("ctl275")),
            Qt::LeftButton);
    });
}

} // namespace

TEST(DemographicsCaptions, CaptionsMapToPropertiesAndListColumnsCarryNone) {
    const QList<QPair<const char*, const char*>> table{{"Date Of Birth", "DateOfBirth"},
                                                       {"CC Doctor Name 2", "CCDoctorName1"},
                                                       {"Sr.#", ""},
                                                       {"Filename", ""}};
    for (const auto& [caption, field] : table) {
        EXPECT_EQ(EditDemographics::FieldNameForCaption(QString::fromLatin1(caption)),
                  QString::fromLatin1(field))
            << caption;
    }
}

TEST(DemographicsDialog, RowsValuesFirstFixedFieldsAndChangedRows) {
    PromptsDouble::Current().Clear();
    CDlgEditDemographics dialog(
        {QStringLiteral("FirstName"), QStringLiteral("MRN"), QStringLiteral("Filename"),
         QStringLiteral("LastName")},
        {QStringLiteral("Jane"), QString(), QStringLiteral("R1"), QStringLiteral("Doe")},
        QStringLiteral("R1"));
    auto* list = dialog.findChild<QTableWidget*>(QStringLiteral("ctl272"));
    QStringList order;
    for (int row = 0; row < list->rowCount(); ++row) {
        order.append(list->item(row, 1)->text() + QLatin1Char('=') + list->item(row, 2)->text());
    }
    EXPECT_EQ(order, (QStringList{QStringLiteral("FirstName=Jane"), QStringLiteral("Filename=R1"),
                                  QStringLiteral("LastName=Doe"), QStringLiteral("MRN= ")}));
    list->clearSelection();
    dialog.OnClickListCp();
    SetRow(&dialog, QStringLiteral("Filename"), QStringLiteral("R2"));
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(),
              (QStringList{QStringLiteral("Click on a particular row to edit "),
                           QStringLiteral("Cannot change the contents of the field.")}));
    SetRow(&dialog, QStringLiteral("FirstName"), QStringLiteral("  Jane  ")); // the same once trimmed
    SetRow(&dialog, QStringLiteral("LastName"), QString());                   // emptied: sent as one blank
    SetRow(&dialog, QStringLiteral("MRN"), QStringLiteral("12345"));
    dialog.OnSetDemographics();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const QList<QPair<QString, QString>> expected{{QStringLiteral("LastName"), QStringLiteral(" ")},
                                                  {QStringLiteral("MRN"), QStringLiteral("12345")}};
    EXPECT_EQ(dialog.Changed(), expected);
}

TEST_F(DemographicsTest, ChangedFieldGoesIntoPropertiesBookmarksAndTheResync) {
    const QString own = QStringLiteral("R260006");
    Start();
    Select({own});
    WhenDialogShows({}, false); // discarded: nothing changes
    Click("ctl207");
    EXPECT_EQ(Count(QStringLiteral("qm_resync.php")), 0);
    WhenDialogShows({}); // no change: still uploaded, without a demographics field
    Click("ctl207");
    ASSERT_EQ(Count(QStringLiteral("qm_resync.php")), 1);
    EXPECT_EQ(Fields(Uploads(QStringLiteral("qm_resync.php")).first()).size(), 5);
    EXPECT_EQ(Shown(), QStringList{kSuccess});

    const qsizetype queries = Journal(QStringLiteral("qm_download_filelist.php")).size();
    Select({own});
    WhenDialogShows({{QStringLiteral("LastName"), QStringLiteral("Okafor-Lind")}});
    Click("ctl207");
    const QList<QJsonObject> resync = Uploads(QStringLiteral("qm_resync.php"));
    ASSERT_EQ(resync.size(), 2);
    EXPECT_EQ(Fields(resync.last()).at(4), QStringLiteral("demographics=LastName~Okafor-Lind"));
    QStringList names;
    QStringList values;
    DocumentPropertyStore().ReadDocumentProperties(Temp(own), names, values);
    EXPECT_EQ(values.value(names.indexOf(QStringLiteral("LastName"))), QStringLiteral("Okafor-Lind"));
    const QString onServer = ServerDocument(own);
    EXPECT_TRUE(
        onServer.contains(QStringLiteral("{\\*\\bkmkstart LastName}Okafor-Lind{\\*\\bkmkend LastName}")));
    // Never signed: no statement even for its owner; the list is queried again.
    EXPECT_FALSE(onServer.contains(QStringLiteral("Electronically ESigned")));
    EXPECT_EQ(Count(QStringLiteral("qm_esign.php")), 0);
    EXPECT_EQ(Journal(QStringLiteral("qm_download_filelist.php")).size(), queries + 1);
}

TEST_F(DemographicsTest, SignedReportIsResignedForItsOwnerAndRefusedToOthers) {
    const QString ownSigned = QStringLiteral("R260001");
    const QString otherSigned = QStringLiteral("R260014"); // provider 18: user 12 may edit it unsigned
    Start();
    page_->State().EsignedDocuments.append(otherSigned);
    ExpectRefusals("ctl207", {{{otherSigned}, Denied(QStringLiteral("\"Edit\" an E-signed document"))}});
    EXPECT_TRUE(Journal(QStringLiteral("qm_download_files.php")).isEmpty());

    PromptsDouble::Current().Clear();
    Select({ownSigned});
    WhenDialogShows({{QStringLiteral("FirstName"), QStringLiteral("Maria")}});
    Click("ctl207");
    EXPECT_EQ(Shown(),
              (QStringList{QStringLiteral("ATTENTION:  You are opening an esigned document. An addendum "
                                          "statement will be added if it is edited and saved."),
                           kSuccess}));
    ASSERT_EQ(Count(QStringLiteral("qm_esign.php")), 1);
    const QString onServer = ServerDocument(ownSigned);
    EXPECT_EQ(onServer.count(QStringLiteral("Electronically ESigned by")), 1);
    EXPECT_TRUE(onServer.contains(Signing::kRevisionPrefix + QStringLiteral("Amelia Hart, MD on ")));
    EXPECT_FALSE(page_->State().DemographicsResign);
}
