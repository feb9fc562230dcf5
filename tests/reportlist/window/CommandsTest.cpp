// The context menu, double click, keyboard access and the buttons' routing.
#include "tests/reportlist/window/WindowFixture.h"

#include <QMenu>

namespace {

using CommandsTest = WindowFixture;

struct MenuShape {
    QStringList texts;   // "-" for a separator
    QStringList enabled; // texts of the enabled items
};

MenuShape ShapeOf(const QMenu& menu) {
    MenuShape shape;
    for (const QAction* action : menu.actions()) {
        shape.texts.append(action->isSeparator() ? QStringLiteral("-") : action->text());
        if (!action->isSeparator() && action->isEnabled()) {
            shape.enabled.append(action->text());
        }
    }
    return shape;
}

const QStringList kMenuTexts{QStringLiteral("&Open"),
                             QStringLiteral("-"),
                             QStringLiteral("&Print"),
                             QStringLiteral("&Fax"),
                             QStringLiteral("-"),
                             QStringLiteral("Fo&rward"),
                             QStringLiteral("&E-Sign"),
                             QStringLiteral("-"),
                             QStringLiteral("Edit &Demographics"),
                             QStringLiteral("-"),
                             QStringLiteral("&Search"),
                             QStringLiteral("P&lay"),
                             QStringLiteral("-"),
                             QStringLiteral("Document &History"),
                             QStringLiteral("Audit &Trail"),
                             QStringLiteral("-"),
                             QStringLiteral("Store &Column Header order"),
                             QStringLiteral("Custo&m Property Settings"),
                             QStringLiteral("-"),
                             QStringLiteral("&Rename/STAT")};

QStringList Routed(const QSignalSpy& spy) {
    QStringList names;
    for (const QList<QVariant>& args : spy) {
        names.append(args.at(0).toString());
    }
    return names;
}

// What the window system delivers for a double click: press, release, double click, release.
void DoubleClick(QWidget* w, QPoint at) {
    QTest::mousePress(w, Qt::LeftButton, {}, at);
    QTest::mouseRelease(w, Qt::LeftButton, {}, at);
    QTest::mouseDClick(w, Qt::LeftButton, {}, at);
    QTest::mouseRelease(w, Qt::LeftButton, {}, at);
}

} // namespace

TEST_F(CommandsTest, DictationFlagStartsWithThePendingListThatOffersOnlyPlayAndRename) {
    Session().SetFromDictationFlag(QStringLiteral("1"));
    CVelmoPropPage& page = Start();
    EXPECT_EQ(ListQueries(),
              QStringList{DefaultQuery(QStringLiteral("12"), QStringLiteral("All"), QStringLiteral("p"))});
    EXPECT_EQ(Box("ctl262")->currentText(), QStringLiteral("Pending"));
    EXPECT_EQ(Box("ctl209")->currentText(), QStringLiteral("Dr. Amelia Hart [12]"));
    EXPECT_EQ(page.State().ReportTypeCode, QStringLiteral("p"));
    ASSERT_GT(page.List()->Model()->rowCount(), 0);
    for (const char* id :
         {"ctl210", "ctl201", "ctl202", "ctl203", "ctl204", "ctl207", "ctl206", "ctl208", "ctl212"}) {
        EXPECT_EQ(Button(id)->isEnabled(), qstrcmp(id, "ctl208") == 0 || qstrcmp(id, "ctl212") == 0) << id;
    }

    EXPECT_EQ(page.BuildContextMenu(), nullptr); // no row selected: no menu
    SelectRow(0);
    const std::unique_ptr<QMenu> menu = page.BuildContextMenu();
    ASSERT_NE(menu, nullptr);
    const MenuShape shape = ShapeOf(*menu);
    EXPECT_EQ(shape.texts, kMenuTexts);
    EXPECT_EQ(shape.enabled, (QStringList{QStringLiteral("P&lay"), QStringLiteral("&Rename/STAT")}));
}

TEST_F(CommandsTest, TranscribedListMenuItemsAndButtonsRouteToTheirCommands) {
    CVelmoPropPage& page = Start();
    SelectRow(0);
    const std::unique_ptr<QMenu> menu = page.BuildContextMenu();
    ASSERT_NE(menu, nullptr);
    const MenuShape shape = ShapeOf(*menu);
    EXPECT_EQ(shape.texts, kMenuTexts);
    QStringList items = kMenuTexts;
    items.removeAll(QStringLiteral("-"));
    EXPECT_EQ(shape.enabled, items);

    // A document open for editing: the document commands answer only with their refusal here.
    page.State().OpenDocumentName = QStringLiteral("R0");
    QSignalSpy routed(&page, &CVelmoPropPage::CommandRouted);
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
            action->trigger();
        }
    }
    const QStringList menuSlots{
        QStringLiteral("OnButtonOpen"),          QStringLiteral("OnButtonPrint"),
        QStringLiteral("OnButtonFax"),           QStringLiteral("OnButtonForward"),
        QStringLiteral("OnButtonEsign"),         QStringLiteral("OnButtonEditDemographics"),
        QStringLiteral("OnButtonSearch"),        QStringLiteral("OnButtonPlay"),
        QStringLiteral("OnPopDocumentHistory"),  QStringLiteral("OnPopAuditTrail"),
        QStringLiteral("OnPopStoreColumnOrder"), QStringLiteral("OnPopCustomPropertySettings"),
        QStringLiteral("OnButtonRename")};
    EXPECT_EQ(Routed(routed), menuSlots);

    routed.clear();
    page.List()->clearSelection();
    for (const char* id :
         {"ctl210", "ctl201", "ctl202", "ctl203", "ctl204", "ctl207", "ctl206", "ctl208", "ctl212"}) {
        QTest::mouseClick(Button(id), Qt::LeftButton);
    }
    EXPECT_EQ(Routed(routed), menuSlots.filter(QStringLiteral("OnButton")));
    // Forward answers the same from the menu and its button.
    QList<Prompts::Box> shown = PromptsDouble::Current().Shown();
    shown.removeIf([](const Prompts::Box& b) { return !b.text.startsWith(QStringLiteral("This feature")); });
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown.at(1).text, QStringLiteral("This feature is currently under development."));
    EXPECT_EQ(shown.at(1).title, QStringLiteral("Molve"));
    EXPECT_EQ(shown.at(1).icon, Prompts::Icon::Information);
    EXPECT_EQ(shown.at(0).text, shown.at(1).text);
    EXPECT_FALSE(Child<QWidget>("ctl205")->isVisible());
    EXPECT_FALSE(Child<QWidget>("ctl250")->isVisible());
    QTest::keyClick(&page, Qt::Key_Escape);
    EXPECT_TRUE(page.isVisible());
}

TEST_F(CommandsTest, DoubleClickAndEnterOpenATranscribedReportAndPlayAPendingOne) {
    CVelmoPropPage& page = Start();
    CReportListCtrl* list = page.List();
    QSignalSpy routed(&page, &CVelmoPropPage::CommandRouted);
    page.State().OpenDocumentName = QStringLiteral("R0"); // Open only refuses here

    page.OnDblclkList(); // no row selected: nothing
    EXPECT_TRUE(routed.isEmpty());

    SelectRow(0);
    const QRect cell = list->visualRect(list->model()->index(0, 7));
    DoubleClick(list->viewport(), cell.center());
    EXPECT_EQ(Routed(routed), QStringList{QStringLiteral("OnButtonOpen")});

    routed.clear();
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(Routed(routed), QStringList{QStringLiteral("OnButtonOpen")}); // not "Go"

    routed.clear();
    page.State().ReportTypeCode = QStringLiteral("P");
    DoubleClick(list->viewport(), cell.center());
    EXPECT_EQ(Routed(routed), QStringList{QStringLiteral("OnButtonPlay")});
}
