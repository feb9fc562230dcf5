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

TEST_F(CommandsTest, PendingListMenuOffersOnlyPlayAndRename) {
    Session().SetFromDictationFlag(QStringLiteral("1"));
    CVelmoPropPage& page = Start();
    ASSERT_GT(page.List()->Model()->rowCount(), 0);

    EXPECT_EQ(page.BuildContextMenu(), nullptr); // no row selected: no menu
    SelectRow(0);
    const std::unique_ptr<QMenu> menu = page.BuildContextMenu();
    ASSERT_NE(menu, nullptr);
    const MenuShape shape = ShapeOf(*menu);
    EXPECT_EQ(shape.texts, kMenuTexts);
    EXPECT_EQ(shape.enabled, (QStringList{QStringLiteral("P&lay"), QStringLiteral("&Rename/STAT")}));
}

TEST_F(CommandsTest, TranscribedListMenuEnablesEverythingAndRoutesItsItems) {
    CVelmoPropPage& page = Start();
    SelectRow(0);
    const std::unique_ptr<QMenu> menu = page.BuildContextMenu();
    ASSERT_NE(menu, nullptr);
    const MenuShape shape = ShapeOf(*menu);
    EXPECT_EQ(shape.texts, kMenuTexts);
    EXPECT_EQ(shape.enabled.size(), 13);

    QSignalSpy routed(&page, &CVelmoPropPage::CommandRouted);
    const struct {
        int id;
        const char* slot;
    } items[] = {
        {CVelmoPropPage::IdOpen, "OnButtonOpen"},
        {CVelmoPropPage::IdPrint, "OnButtonPrint"},
        {CVelmoPropPage::IdFax, "OnButtonFax"},
        {CVelmoPropPage::IdForward, "OnButtonForward"},
        {CVelmoPropPage::IdEsign, "OnButtonEsign"},
        {CVelmoPropPage::IdEditDemographics, "OnButtonEditDemographics"},
        {CVelmoPropPage::IdSearch, "OnButtonSearch"},
        {CVelmoPropPage::IdPlay, "OnButtonPlay"},
        {CVelmoPropPage::IdDocumentHistory, "OnPopDocumentHistory"},
        {CVelmoPropPage::IdAuditTrail, "OnPopAuditTrail"},
        {CVelmoPropPage::IdStoreColumnOrder, "OnPopStoreColumnOrder"},
        {CVelmoPropPage::IdCustomProperties, "OnPopCustomPropertySettings"},
        {CVelmoPropPage::IdRename, "OnButtonRename"},
    };
    QStringList expected;
    for (const auto& item : items) {
        for (QAction* action : menu->actions()) {
            if (action->data().toInt() == item.id) {
                action->trigger();
            }
        }
        expected.append(QString::fromLatin1(item.slot));
    }
    EXPECT_EQ(Routed(routed), expected);
    // Forward is the only one of them that answers the user yet.
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(),
              QStringList{QStringLiteral("This feature is currently under development.")});
}

TEST_F(CommandsTest, DoubleClickAndEnterOpenATranscribedReportAndPlayAPendingOne) {
    CVelmoPropPage& page = Start();
    CReportListCtrl* list = page.List();
    QSignalSpy routed(&page, &CVelmoPropPage::CommandRouted);

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

TEST_F(CommandsTest, ButtonsRouteToTheirCommandsAndForwardAnswers) {
    CVelmoPropPage& page = Start();
    QSignalSpy routed(&page, &CVelmoPropPage::CommandRouted);
    const struct {
        const char* button;
        const char* slot;
    } buttons[] = {
        {"ctl210", "OnButtonOpen"},    {"ctl201", "OnButtonPrint"}, {"ctl202", "OnButtonFax"},
        {"ctl203", "OnButtonForward"}, {"ctl204", "OnButtonEsign"}, {"ctl207", "OnButtonEditDemographics"},
        {"ctl206", "OnButtonSearch"},  {"ctl208", "OnButtonPlay"},  {"ctl212", "OnButtonRename"},
    };
    QStringList expected;
    for (const auto& b : buttons) {
        QTest::mouseClick(Button(b.button), Qt::LeftButton);
        expected.append(QString::fromLatin1(b.slot));
    }
    EXPECT_EQ(Routed(routed), expected);
    ASSERT_EQ(PromptsDouble::Current().Shown().size(), 1);
    const Prompts::Box box = PromptsDouble::Current().Shown().first();
    EXPECT_EQ(box.text, QStringLiteral("This feature is currently under development."));
    EXPECT_EQ(box.title, QStringLiteral("Molve"));
    EXPECT_EQ(box.icon, Prompts::Icon::Information);
    EXPECT_FALSE(Child<QWidget>("ctl205")->isVisible());
    EXPECT_FALSE(Child<QWidget>("ctl250")->isVisible());
}

TEST_F(CommandsTest, EscapeDoesNotCloseTheWindow) {
    CVelmoPropPage& page = Start();
    QTest::keyClick(&page, Qt::Key_Escape);
    EXPECT_TRUE(page.isVisible());
}
