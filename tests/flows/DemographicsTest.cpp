// Edit Demographics: the dialog, the document's properties and bookmarks, the resync upload with
// the changed fields, and the re-sign for the owner of an e-signed report.
#include "tests/flows/FlowsFixture.h"

#include "documents/core/DocumentPropertyStore.h"
#include "documents/core/SigningCore.h"
#include "documents/demographics/CDlgEditDemographics.h"
#include "documents/demographics/EditDemographics.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

namespace {

using DemographicsTest = FlowsFixture;

const QString kOwn = QStringLiteral("R260006");
const QString kOwnSigned = QStringLiteral("R260001");
const QString kOtherSigned = QStringLiteral("R260014"); // provider 18, e-signed: user 12 may edit it unsigned

int RowNamed(QTableWidget* list, const QString& name) {
    for (int row = 0; row < list->rowCount(); ++row) {
        if (list->item(row, 1)->text() == name) {
            return row;
        }
    }
    return -1;
}

// Drives the dialog once it is up: sets each (name, value) through "Set Value", then presses
// ok (or "Discard and Exit").
void WhenDialogShows(const QList<QPair<QString, QString>>& edits, bool ok) {
    QTimer::singleShot(0, [edits, ok] {
        auto* dialog = qobject_cast<CDlgEditDemographics*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* list = dialog->findChild<QTableWidget*>(QStringLiteral("ctl272"));
        for (const auto& [name, value] : edits) {
            const int row = RowNamed(list, name);
            ASSERT_GE(row, 0) << name.toStdString();
            list->selectRow(row);
            dialog->OnClickListCp();
            dialog->findChild<QLineEdit*>(QStringLiteral("ctl274"))->setText(value);
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("ctl295")), Qt::LeftButton);
        }
        QTest::mouseClick(
            dialog->findChild<QPushButton*>(ok ? QStringLiteral("ctlOk") : QStringLiteral("ctl275")),
            Qt::LeftButton);
    });
}

QString Property(const QString& path, const QString& name) {
    QStringList names;
    QStringList values;
    DocumentPropertyStore().ReadDocumentProperties(path, names, values);
    const qsizetype i = names.indexOf(name);
    return i < 0 ? QString() : values.value(i);
}

} // namespace

TEST(DemographicsCaptions, CaptionsMapToPropertiesAndListColumnsCarryNone) {
    const QList<QPair<const char*, const char*>> table{
        {"First Name", "FirstName"},
        {"last name", "LastName"},
        {"Date Of Birth", "DateOfBirth"},
        {"CC Doctor Name 2", "CCDoctorName1"},
        {"Attending Doctor Name", "AttendingPhysicianName"},
        {"Patient Schedule Received", "PatientList"},
        {"Office Location", "Location"},
        {" MRN ", "MRN"},
        {"Sr.#", ""},
        {"Filename", ""},
        {"", ""},
        {"Es", ""},
        {"Transcribed Date/Time", ""},
        {"Dictation Date/Time", "Dictation Date/Time"},
    };
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
         QStringLiteral("LastName"), QStringLiteral("Location")},
        {QStringLiteral("Jane"), QString(), QStringLiteral("R1"), QStringLiteral("Doe"), QString()},
        QStringLiteral("R1"));
    auto* list = dialog.findChild<QTableWidget*>(QStringLiteral("ctl272"));
    QStringList order;
    for (int row = 0; row < list->rowCount(); ++row) {
        order.append(list->item(row, 1)->text() + QLatin1Char('=') + list->item(row, 2)->text());
    }
    EXPECT_EQ(order, (QStringList{QStringLiteral("FirstName=Jane"), QStringLiteral("Filename=R1"),
                                  QStringLiteral("LastName=Doe"), QStringLiteral("MRN= "),
                                  QStringLiteral("Location= ")}));
    EXPECT_FALSE(dialog.findChild<QLineEdit*>(QStringLiteral("ctl274"))->isVisibleTo(&dialog));

    list->clearSelection();
    dialog.OnClickListCp();
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(),
              QStringList{QStringLiteral("Click on a particular row to edit ")});

    auto setRow = [&](int row, const QString& value) {
        list->selectRow(row);
        dialog.OnClickListCp();
        dialog.findChild<QLineEdit*>(QStringLiteral("ctl274"))->setText(value);
        dialog.OnSetValue();
    };
    PromptsDouble::Current().Clear();
    setRow(1, QStringLiteral("R2"));
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(),
              QStringList{QStringLiteral("Cannot change the contents of the field.")});
    setRow(0, QStringLiteral("  Jane  ")); // the same once trimmed: not a change
    setRow(2, QString());                  // emptied: sent as one blank
    setRow(3, QStringLiteral("12345"));
    setRow(4, QStringLiteral(" ")); // left empty
    dialog.OnSetDemographics();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const QList<QPair<QString, QString>> expected{{QStringLiteral("LastName"), QStringLiteral(" ")},
                                                  {QStringLiteral("MRN"), QStringLiteral("12345")}};
    EXPECT_EQ(dialog.Changed(), expected);
}

TEST_F(DemographicsTest, ChangedFieldGoesIntoPropertiesBookmarksAndTheResync) {
    Start();
    const auto queries = Journal(QStringLiteral("qm_download_filelist.php")).size();
    Select({kOwn});
    WhenDialogShows({{QStringLiteral("LastName"), QStringLiteral("Okafor-Lind")}}, true);
    Click("ctl207");

    EXPECT_EQ(Shown(), QStringList{QStringLiteral("Demographics edited successfully")});
    const QList<QJsonObject> resync = Uploads(QStringLiteral("qm_resync.php"));
    ASSERT_EQ(resync.size(), 1);
    const QStringList fields = Fields(resync.first());
    ASSERT_EQ(fields.size(), 5);
    EXPECT_EQ(fields.last(), QStringLiteral("demographics=LastName~Okafor-Lind"));
    EXPECT_EQ(Property(Temp(kOwn), QStringLiteral("LastName")), QStringLiteral("Okafor-Lind"));
    const QString onServer = ServerDocument(kOwn);
    EXPECT_TRUE(
        onServer.contains(QStringLiteral("{\\*\\bkmkstart LastName}Okafor-Lind{\\*\\bkmkend LastName}")))
        << onServer.left(2000).toStdString();
    // Never signed: no statement even for its owner; the list is queried again.
    EXPECT_FALSE(onServer.contains(QStringLiteral("Electronically ESigned")));
    EXPECT_TRUE(Uploads(QStringLiteral("qm_esign.php")).isEmpty());
    EXPECT_EQ(Journal(QStringLiteral("qm_download_filelist.php")).size(), queries + 1);
}

TEST_F(DemographicsTest, NoChangeStillUploadsAndDiscardChangesNothing) {
    Start();
    Select({kOwn});
    WhenDialogShows({}, false);
    Click("ctl207");
    EXPECT_TRUE(Uploads(QStringLiteral("qm_resync.php")).isEmpty());

    WhenDialogShows({}, true);
    Click("ctl207");
    const QList<QJsonObject> resync = Uploads(QStringLiteral("qm_resync.php"));
    ASSERT_EQ(resync.size(), 1);
    EXPECT_EQ(Fields(resync.first()).size(), 4); // the empty list is not sent
    EXPECT_EQ(Shown(), QStringList{QStringLiteral("Demographics edited successfully")});
}

TEST_F(DemographicsTest, SignedReportIsResignedForItsOwnerAndRefusedToOthers) {
    Start();
    Select({kOtherSigned});
    page_->State().EsignedDocuments.append(kOtherSigned);
    Click("ctl207");
    EXPECT_EQ(Shown(),
              QStringList{QStringLiteral(
                  "ACCESS DENIED: Your user account is not configured to \"Edit\" an E-signed document. For "
                  "assistance, please contact technical support via email at support@molve-reports.com or "
                  "1-800-555-0142.")});
    EXPECT_TRUE(Journal(QStringLiteral("qm_download_files.php")).isEmpty());

    PromptsDouble::Current().Clear();
    Select({kOwnSigned});
    WhenDialogShows({{QStringLiteral("FirstName"), QStringLiteral("Maria")}}, true);
    Click("ctl207");
    EXPECT_EQ(Shown(),
              (QStringList{QStringLiteral("ATTENTION:  You are opening an esigned document. An addendum "
                                          "statement will be added if it is edited and saved."),
                           QStringLiteral("Demographics edited successfully")}));
    ASSERT_EQ(Uploads(QStringLiteral("qm_esign.php")).size(), 1);
    const QString onServer = ServerDocument(kOwnSigned);
    EXPECT_EQ(onServer.count(QStringLiteral("Electronically ESigned by")), 1);
    EXPECT_TRUE(onServer.contains(Signing::kRevisionPrefix + QStringLiteral("Amelia Hart, MD on ")));
    EXPECT_FALSE(page_->State().DemographicsResign);
}
