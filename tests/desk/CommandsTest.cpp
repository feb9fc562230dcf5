// The context menu, double click and the buttons' routing.
#include "tests/support/FakeDesk.h"

#include <QDialog>

namespace {

using CommandsTest = WindowFixture;

// The menu's items ("-" for a separator) and, after " / ", the enabled ones.
QString ShapeOf(const QMenu& menu) {
    QStringList texts, enabled;
    for (const QAction* action : menu.actions()) {
        texts.append(action->isSeparator() ? "-" : action->text());
        if (!action->isSeparator() && action->isEnabled()) {
            enabled.append(action->text());
        }
    }
    return texts.join('|') + " / " + enabled.join('|');
}

const QString kMenuTexts = "&Open|-|&Print|&Fax|-|Fo&rward|&E-Sign|-|Edit &Demographics|-|&Search|P&lay|-|"
                           "Document &History|Audit &Trail|-|Store &Column Header order|"
                           "Custo&m Property Settings|-|&Rename/STAT";

QString Routed(const QSignalSpy& spy) {
    QStringList names;
    for (const QList<QVariant>& args : spy) {
        names.append(args.at(0).toString());
    }
    return names.join(' ');
}

} // namespace

TEST_F(CommandsTest, DictationFlagStartsWithThePendingListWhoseMenuOffersOnlyPlayAndRename) {
    Session().SetFromDictationFlag("1");
    CVelmoPropPage& page = Start();
    EXPECT_EQ(ListQueries(), QStringList{DefaultQuery("12", "All", "p")});
    EXPECT_EQ(Box("reportTypeBox")->currentText(), "Pending");
    ASSERT_GT(page.List()->Model()->rowCount(), 0);
    EXPECT_EQ(page.BuildContextMenu(), nullptr) << "no row selected: no menu";
    SelectRow(0);
    const std::unique_ptr<QMenu> menu = page.BuildContextMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(ShapeOf(*menu), kMenuTexts + " / P&lay|&Rename/STAT");
}

TEST_F(CommandsTest, TranscribedListMenuItemsButtonsAndDoubleClickRouteToTheirCommands) {
    CVelmoPropPage& page = Start();
    SelectRow(0);
    const std::unique_ptr<QMenu> menu = page.BuildContextMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(ShapeOf(*menu), kMenuTexts + " / " + QString(kMenuTexts).remove("-|"));

    // The actions run for real: their dialogs are cancelled as they open, and nothing reaches
    // the desktop.
    RecordingShell shell;
    Shell::Install(&shell);
    QTimer cancelDialogs;
    QObject::connect(&cancelDialogs, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            dialog->reject();
        }
    });
    cancelDialogs.start(5);
    // A document open for editing: the document commands answer only with their refusal here.
    page.State().OpenDocumentName = QStringLiteral("R0");
    QSignalSpy routed(&page, &CVelmoPropPage::CommandRouted);
    for (QAction* action : menu->actions()) {
        action->trigger(); // a separator triggers nothing
    }
    EXPECT_EQ(Routed(routed),
              "OnButtonOpen OnButtonPrint OnButtonFax OnButtonForward OnButtonEsign "
              "OnButtonEditDemographics OnButtonSearch OnButtonPlay OnPopDocumentHistory "
              "OnPopAuditTrail OnPopStoreColumnOrder OnPopCustomPropertySettings OnButtonRename");
    routed.clear();
    page.List()->clearSelection();
    for (const char* id : kActionButtons) {
        Click(Button(id));
    }
    EXPECT_EQ(Routed(routed), "OnButtonOpen OnButtonPrint OnButtonFax OnButtonForward OnButtonEsign "
                              "OnButtonEditDemographics OnButtonSearch OnButtonPlay OnButtonRename");
    // Forward answers the same from the menu and from its button.
    EXPECT_EQ(Shown().count("This feature is currently under development."), 2);

    // A double click opens a transcribed report and plays a pending one.
    routed.clear();
    SelectRow(0);
    const QPoint cell = page.List()->visualRect(page.List()->model()->index(0, 7)).center();
    DoubleClick(page.List()->viewport(), cell);
    page.State().ReportTypeCode = "P";
    DoubleClick(page.List()->viewport(), cell);
    Shell::Install(nullptr);
    EXPECT_EQ(Routed(routed), "OnButtonOpen OnButtonPlay");
}
