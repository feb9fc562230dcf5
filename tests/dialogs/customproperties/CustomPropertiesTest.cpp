// The column order and the custom property choice, against the stand-in server.
#include "dialogs/customproperties/CDlgAddCustomProperty.h"
#include "dialogs/customproperties/CDlgCustomProperties.h"
#include "dialogs/customproperties/ColumnOrder.h"
#include "dialogs/customproperties/CustomPropertySettings.h"
#include "tests/support/FakeDesk.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace {

using ColumnOrderTest = WindowFixture;
using CustomPropertyServerTest = ServerTest;

void SelectText(QTreeWidget* list, const QString& text) {
    list->setCurrentItem(list->findItems(text, Qt::MatchExactly).value(0));
}

QStringList LoadedCaptions(const CVelmoPropPage& page) {
    QStringList captions;
    for (int c = 6; c < page.List()->Model()->columnCount(); ++c) {
        captions.append(page.List()->Model()->ColumnCaption(c));
    }
    return captions;
}

} // namespace

TEST_F(ColumnOrderTest, DraggedColumnsAreSentInTheirNewOrder) {
    CVelmoPropPage& page = Start();
    QHeaderView* header = page.List()->horizontalHeader();
    const int mrn = page.List()->Model()->columnCount() - 3; // ..., MRN, Report Type, Office Location
    ASSERT_EQ(page.List()->Model()->ColumnCaption(mrn), QStringLiteral("MRN"));
    header->moveSection(header->visualIndex(mrn), 6); // before Filename
    page.OnPopStoreColumnOrder();
    EXPECT_EQ(
        JournalQueries(server_, QStringLiteral("qm_custom_order.php")),
        QStringList{"physicianid=12&props=MRN~Dictation Date/Time~FirstName~LastName~DateOfBirth~ReportType~"
                    "Location~"});
    EXPECT_EQ(Shown(), QStringList{"Column header order saved  successfully."});
}

TEST_F(ColumnOrderTest, ANewPropertyChosenAndOrderedShowsAsAColumnAfterTheRequery) {
    CVelmoPropPage& page = Start();
    const LogCapture log;
    QStringList selected, addMessages;
    QString listFile;
    WhenShown<CDlgCustomProperties> driver([&](CDlgCustomProperties& dialog) {
        selected = dialog.Selected();
        listFile = Session().LastFileListName();
        SelectText(dialog.SelectedList(), QStringLiteral("MRN"));
        Click(dialog, "upButton"); // Up: MRN before DateOfBirth
        WhenShown<CDlgAddCustomProperty> adding([&](CDlgAddCustomProperty& add) {
            for (const char* text : {"Allergies", "allerg", "  "}) {
                In<QLineEdit>(add, "propertyNameEdit")->setText(QString::fromLatin1(text));
                Click(add, "addButton");
            }
            Click(add, "removeButton"); // Remove without a selection
            addMessages = Shown();
            Click(add, "saveButton");
        });
        Click(dialog, "newPropertyButton");
        SelectText(dialog.AvailableList(), QStringLiteral("Allergies"));
        Click(dialog, "addOneButton"); // ">"
        Click(dialog, "saveButton");
    });
    page.OnPopCustomPropertySettings();

    EXPECT_EQ(selected, (QStringList{"Dictation Date/Time", "FirstName", "LastName", "DateOfBirth", "MRN",
                                     "ReportType", "Location"}));
    EXPECT_EQ(addMessages, (QStringList{"allerg already present.", "Blank entries cannot be inserted.",
                                        "Click on a particular row to edit."}));
    // The login id goes scrambled: "12" becomes "30".
    EXPECT_EQ(JournalFields(server_, QStringLiteral("qm_cp_add.php")),
              (QList<QStringList>{{"loginid=30", "cps=Allergies~"}}));
    EXPECT_EQ(
        JournalQueries(server_, QStringLiteral("qm_custom_order.php")),
        QStringList{"physicianid=12&props=Dictation Date/Time~FirstName~LastName~MRN~DateOfBirth~ReportType~"
                    "Location~Allergies~"});
    EXPECT_EQ(Shown().mid(3),
              (QStringList{"CP's successfully added.", "Custom Property order saved successfully"}));
    EXPECT_EQ(LoadedCaptions(page),
              (QStringList{"Filename", "Dictation Date/Time", "First Name", "Last Name", "MRN",
                           "Date of Birth", "Report Type", "Office Location", "Allergies"}));
    EXPECT_FALSE(QFile::exists(listFile));
    EXPECT_TRUE(log.Messages().contains("File, " + listFile + " deleted"));
}

TEST_F(CustomPropertyServerTest, CancelSendsNothingAndDeletesTheListAndARefusedOrderGetsTheStopIcon) {
    FakeDesk desk;
    QString listFile;
    WhenShown<CDlgCustomProperties> driver([&](CDlgCustomProperties& dialog) {
        listFile = Session().LastFileListName();
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    CustomPropertySettings(desk).Run();
    EXPECT_FALSE(listFile.isEmpty() || QFile::exists(listFile));
    EXPECT_EQ(desk.queries, 0);
    EXPECT_TRUE(server_.JournalFor(QStringLiteral("qm_custom_order.php")).isEmpty());

    desk.captions = QStringList{"Sr.#", "Filename", "A|B"}; // the server refuses a name with "|"
    StoreColumnOrder(desk).Run();
    EXPECT_EQ(Queries(QStringLiteral("qm_custom_order.php")), QStringList{"physicianid=12&props=A|B~"});
    ASSERT_EQ(Shown().size(), 1);
    EXPECT_FALSE(Shown()[0].isEmpty() || Shown()[0].contains('~'));
    EXPECT_EQ(PromptsDouble::Current().Shown()[0].icon, Prompts::Icon::Error);
}

TEST(CustomPropertiesDialog, LaterLinesComeFirstAndUpDownFollowTheSelection) {
    const QTemporaryDir dir;
    CDlgCustomProperties dialog;
    dialog.SetListFile(WriteFile(dir.filePath("CustomProperties.txt"), "a~b~|x~y~z~\nc~|w~\nlonely|alone\n"));
    const struct {
        const char* button; // nullptr: select the row only (-1: none)
        int row;
        const char* selected;
        bool up, down;
    } steps[] = {
        {nullptr, -1, "wxyz", false, false},   {nullptr, 0, "wxyz", false, true},
        {"downButton", 0, "xwyz", true, true}, {nullptr, 3, "xwyz", true, false},
        {"upButton", 3, "xwzy", true, true},
    };
    WhenShown<CDlgCustomProperties> driver([&](CDlgCustomProperties& shown) {
        EXPECT_EQ(shown.Available(), (QStringList{"c", "a", "b"}));
        for (const auto& step : steps) {
            if (step.button != nullptr) {
                Click(shown, step.button);
            } else if (step.row < 0) {
                shown.SelectedList()->clearSelection();
            } else {
                shown.SelectedList()->setCurrentItem(shown.SelectedList()->topLevelItem(step.row));
            }
            const auto at = &step - steps; // the step's place in the table
            EXPECT_EQ(shown.Selected().join(QString()), QString::fromLatin1(step.selected)) << at;
            EXPECT_EQ(In(shown, "upButton")->isEnabled(), step.up) << at;
            EXPECT_EQ(In(shown, "downButton")->isEnabled(), step.down) << at;
        }
        Click(shown, "removeAllButton"); // "<<"
        Click(shown, "saveButton");
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.Available(), (QStringList{"c", "a", "b", "x", "w", "z", "y"}));
    EXPECT_EQ(dialog.KeyList(), QString());
}
