// The window at the sizes a desk meets, and the keyboard's way through it.
#include "desk/StatusLine.h"
#include "tests/support/DeskWindow.h"

#include <QLayout>
#include <QMenu>

namespace {

using LayoutTest = WindowFixture;

QRect InPage(const QWidget* w, const QWidget& page) {
    return {w->mapTo(&page, QPoint(0, 0)), w->size()};
}

TEST_F(LayoutTest, FiltersWrapRatherThanOverlapOrCutTheStatusLineNamesTheServerAndTheKeyboardGoesThrough) {
    CVelmoPropPage& page = Start();
    EXPECT_EQ(page.Status()->ShownServer(), "Server: " + QUrl(server_.BaseUrl()).host());
    const char* const filters[] = {"lblProviderImage",   "providerBox",   "lblLocationImage", "locationBox",
                                   "lblFromImage",       "fromDate",      "lblToImage",       "toDate",
                                   "lblReportTypeImage", "reportTypeBox", "goButton"};
    for (const QSize size : {QSize(800, 600), QSize(1024, 700), QSize(1920, 1080)}) {
        SCOPED_TRACE(size.width());
        page.resize(size);
        page.layout()->activate();
        if (size.width() != 1024) { // a wide provider name may or may not fit there
            EXPECT_EQ(page.FiltersWrapped(), size.width() == 800);
        }
        for (size_t i = 0; i < std::size(filters); ++i) {
            const QWidget* a = In(page, filters[i]);
            EXPECT_GE(a->width(), a->minimumSizeHint().width()) << filters[i];
            for (size_t j = i + 1; j < std::size(filters); ++j) {
                EXPECT_FALSE(InPage(a, page).intersects(InPage(In(page, filters[j]), page)))
                    << filters[i] << " over " << filters[j];
            }
        }
        for (QComboBox* box : {Box("providerBox"), Box("locationBox"), Box("reportTypeBox")}) {
            EXPECT_GT(box->width(), box->fontMetrics().horizontalAdvance(box->currentText()) + 16)
                << box->currentText().toStdString() << " is cut";
        }
        SaveShot(page, QStringLiteral("desk-%1x%2.png").arg(size.width()).arg(size.height()));
    }

    // Tab gives the list its first row, R twice in the menu reaches Rename, Alt+G runs the query.
    page.resize(1024, 700);
    page.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    CReportListCtrl* list = page.List();
    list->setCurrentIndex({});
    list->clearSelection();
    Button("goButton")->setFocus();
    QTest::keyClick(Button("goButton"), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), list);
    EXPECT_EQ(list->SelectedRows(), QList<int>{0});
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->SelectedRows(), QList<int>{1});

    const std::unique_ptr<QMenu> menu = page.BuildContextMenu();
    menu->popup(list->mapToGlobal(QPoint(10, 10)));
    QTest::keyClick(menu.get(), Qt::Key_R);
    EXPECT_EQ(menu->activeAction()->text(), "Fo&rward");
    QTest::keyClick(menu.get(), Qt::Key_R);
    EXPECT_EQ(menu->activeAction()->text(), "&Rename/STAT");
    menu->hide();

    const qsizetype queries = ListQueries().size();
    QTest::keyClick(list, Qt::Key_G, Qt::AltModifier); // a button's mnemonic clicks it a moment later
    EXPECT_TRUE(QTest::qWaitFor([&] { return ListQueries().size() == queries + 1; }, kWaitMs));
    EXPECT_TRUE(WaitForNoResultCheck());
}

} // namespace
