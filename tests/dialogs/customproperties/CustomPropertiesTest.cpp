// The column order and the custom property choice, against the stand-in server.
#include "dialogs/customproperties/CDlgAddCustomProperty.h"
#include "dialogs/customproperties/CDlgCustomProperties.h"
#include "dialogs/customproperties/ColumnOrder.h"
#include "dialogs/customproperties/CustomPropertySettings.h"
#include "host/core/CUtility.h"
#include "tests/dialogs/addressbook/DialogTestSupport.h"
#include "tests/reportlist/window/LogCapture.h"
#include "tests/reportlist/window/WindowFixture.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidget>

namespace {

void Click(QWidget* dialog, const char* name) {
    QTest::mouseClick(dialog->findChild<QPushButton*>(QString::fromLatin1(name)), Qt::LeftButton);
}

bool Enabled(QWidget* dialog, const char* name) {
    return dialog->findChild<QPushButton*>(QString::fromLatin1(name))->isEnabled();
}

void SelectText(QTreeWidget* list, const QString& text) {
    const QList<QTreeWidgetItem*> items = list->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << text.toStdString();
    list->setCurrentItem(items.first());
}

using ColumnOrderTest = WindowFixture;
using CustomPropertySettingsTest = WindowFixture;
using CustomPropertyServerTest = ServerTest;

} // namespace

TEST(ColumnKeyList, CaptionsMapToKeysAndTheFixedColumnsAreLeftOut) {
    EXPECT_EQ(
        ColumnOrder::KeyList({"Sr.#", "", "Op", "Es", "Filename", "Dictation Date/Time", "last name",
                              "Date of Birth", " MRN ", "Office Location", "Uploaded Date/Time", "..",
                              "Transcribed Date/Time", "CC Doctor Name 2", "Date Of Visit", "Allergies"}),
        QStringLiteral(
            "Dictation Date/Time~LastName~DateOfBirth~MRN~Location~CCDoctorName1~DateOfVisit~Allergies~"));
}

TEST_F(ColumnOrderTest, DraggedColumnsAreSentInTheirNewOrderAndTheNextListFollows) {
    CVelmoPropPage& page = Start();
    QHeaderView* header = page.List()->horizontalHeader();
    const int mrn =
        static_cast<int>(page.List()->Model()->columnCount()) - 3; // ..., MRN, Report Type, Office Location
    ASSERT_EQ(page.List()->Model()->ColumnCaption(mrn), QStringLiteral("MRN"));
    header->moveSection(header->visualIndex(mrn), 6); // before Filename
    page.OnPopStoreColumnOrder();

    EXPECT_EQ(JournalQueries(server_, QStringLiteral("qm_custom_order.php")),
              QStringList{"physicianid=12&props=MRN~Dictation Date/Time~FirstName~LastName~"
                          "DateOfBirth~ReportType~Location~"});
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(), QStringList{"Column header order saved  successfully."});
    ClickGo();
    ASSERT_TRUE(WaitForNoResultCheck());
    // The server's new order, as the loaded list's columns hold it.
    QStringList captions;
    for (int c = 0; c < page.List()->Model()->columnCount(); ++c) {
        captions.append(page.List()->Model()->ColumnCaption(c));
    }
    EXPECT_EQ(captions.mid(6), (QStringList{"Filename", "MRN", "Dictation Date/Time", "First Name",
                                            "Last Name", "Date of Birth", "Report Type", "Office Location"}));
}

TEST_F(CustomPropertyServerTest, AnOrderTheServerRefusesShowsItsAnswerWithTheStopIcon) {
    FakeDesk desk;
    desk.captions = QStringList{"Sr.#", "Filename", "A|B"};
    StoreColumnOrder(desk).Run();
    const QList<Prompts::Box> shown = PromptsDouble::Current().Shown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_FALSE(shown[0].text.contains(QLatin1Char('~')));
    EXPECT_FALSE(shown[0].text.isEmpty());
    EXPECT_EQ(shown[0].icon, Prompts::Icon::Error);
    EXPECT_EQ(JournalQueries(server_, QStringLiteral("qm_custom_order.php")),
              QStringList{"physicianid=12&props=A|B~"});
}

TEST_F(CustomPropertySettingsTest, ANewPropertyChosenAndOrderedShowsAsAColumnAfterTheRequery) {
    CVelmoPropPage& page = Start();
    const LogCapture log;
    QStringList available;
    QStringList selected;
    QStringList addMessages;
    QList<bool> upDown;
    QString listFile;
    WhenShown<CDlgCustomProperties>([&](CDlgCustomProperties* dialog) {
        available = dialog->Available();
        selected = dialog->Selected();
        listFile = Session().LastFileListName();
        SelectText(dialog->SelectedList(), QStringLiteral("MRN"));
        Click(dialog, "ctl237"); // Up: MRN before DateOfBirth
        upDown = {Enabled(dialog, "ctl237"), Enabled(dialog, "ctl238")};

        WhenShown<CDlgAddCustomProperty>([&](CDlgAddCustomProperty* add) {
            QLineEdit* edit = add->findChild<QLineEdit*>(QStringLiteral("ctl274"));
            for (const char* text : {"Allergies", "allerg", "  "}) {
                edit->setText(QString::fromLatin1(text));
                Click(add, "ctl6");
            }
            Click(add, "ctl290"); // Remove without a selection
            addMessages = PromptsDouble::Current().ShownTexts();
            Click(add, "ctl289");
        });
        Click(dialog, "ctl287");
        SelectText(dialog->AvailableList(), QStringLiteral("Allergies"));
        Click(dialog, "ctl283"); // ">"
        Click(dialog, "ctl1");
    });
    page.OnPopCustomPropertySettings();

    EXPECT_EQ(selected, (QStringList{"Dictation Date/Time", "FirstName", "LastName", "DateOfBirth", "MRN",
                                     "ReportType", "Location"}));
    EXPECT_FALSE(available.isEmpty());
    EXPECT_EQ(upDown, (QList<bool>{true, true}));
    EXPECT_EQ(addMessages, (QStringList{"allerg already present.", "Blank entries cannot be inserted.",
                                        "Click on a particular row to edit."}));
    // The login id goes scrambled: "12" becomes "30".
    EXPECT_EQ(JournalFields(server_, QStringLiteral("qm_cp_add.php")),
              (QList<QStringList>{{"loginid=30", "cps=Allergies~"}}));
    EXPECT_EQ(
        JournalQueries(server_, QStringLiteral("qm_custom_order.php")),
        QStringList{"physicianid=12&props=Dictation Date/Time~FirstName~LastName~MRN~DateOfBirth~ReportType~"
                    "Location~Allergies~"});
    EXPECT_EQ(PromptsDouble::Current().ShownTexts().mid(3),
              (QStringList{"CP's successfully added.", "Custom Property order saved successfully"}));
    EXPECT_EQ(page.ColumnCaptions().mid(6),
              (QStringList{"Filename", "Dictation Date/Time", "First Name", "Last Name", "MRN",
                           "Date of Birth", "Report Type", "Office Location", "Allergies"}));
    EXPECT_FALSE(QFile::exists(listFile));
    EXPECT_TRUE(log.Messages().contains(QStringLiteral("File, ") + listFile + QStringLiteral(" deleted")));
}

TEST_F(CustomPropertyServerTest, CancelSendsNothingAndStillDeletesTheListFile) {
    FakeDesk desk;
    QString listFile;
    WhenShown<CDlgCustomProperties>([&](CDlgCustomProperties* dialog) {
        listFile = Session().LastFileListName();
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    CustomPropertySettings(desk).Run();
    EXPECT_FALSE(listFile.isEmpty());
    EXPECT_FALSE(QFile::exists(listFile));
    EXPECT_EQ(Queries(QStringLiteral("qm_customproperties.php")), QStringList{"physicianid=12"});
    EXPECT_TRUE(server_.JournalFor(QStringLiteral("qm_custom_order.php")).isEmpty());
    EXPECT_EQ(desk.queries, 0);
}

TEST(CustomPropertiesDialog, LaterLinesComeFirstAndUpDownFollowTheSelection) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("CustomProperties.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("a~b~|x~y~z~\nc~|w~\nlonely|alone\n");
    file.close();

    CDlgCustomProperties dialog;
    dialog.SetListFile(path);
    struct Step {
        const char* button; // nullptr: select the row only
        int row;
        QStringList selected;
        bool up, down;
    };
    const Step steps[] = {
        {nullptr, -1, {"w", "x", "y", "z"}, false, false}, // nothing selected
        {nullptr, 0, {"w", "x", "y", "z"}, false, true},
        {"ctl237", 0, {"w", "x", "y", "z"}, false, true}, // Up on the first changes nothing
        {"ctl238", 0, {"x", "w", "y", "z"}, true, true},
        {nullptr, 3, {"x", "w", "y", "z"}, true, false},
        {"ctl238", 3, {"x", "w", "y", "z"}, true, false}, // Down on the last changes nothing
        {"ctl237", 3, {"x", "w", "z", "y"}, true, true},
    };
    WhenShown<CDlgCustomProperties>([&](CDlgCustomProperties* shown) {
        EXPECT_EQ(shown->Available(), (QStringList{"c", "a", "b"}));
        for (const Step& step : steps) {
            if (step.button == nullptr) {
                if (step.row < 0) {
                    shown->SelectedList()->clearSelection();
                } else {
                    shown->SelectedList()->setCurrentItem(shown->SelectedList()->topLevelItem(step.row));
                }
            } else {
                Click(shown, step.button);
            }
            EXPECT_EQ(shown->Selected(), step.selected) << (step.button ? step.button : "select");
            EXPECT_EQ(Enabled(shown, "ctl237"), step.up)
                << (step.button ? step.button : "select") << step.row;
            EXPECT_EQ(Enabled(shown, "ctl238"), step.down)
                << (step.button ? step.button : "select") << step.row;
        }
        Click(shown, "ctl236"); // "<<"
        EXPECT_EQ(shown->Available(), (QStringList{"c", "a", "b", "x", "w", "z", "y"}));
        Click(shown, "ctl1");
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.KeyList(), QString());
}
