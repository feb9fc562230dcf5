#include "reportlist/listctrl/CReportListCtrl.h"
#include "tests/reportlist/core/ListTestSupport.h"

#include "dialogs/widgets/SortHeader.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kFilename = kFilenameColumn;
constexpr int kDate = kDateColumn;

QStringList Filenames(const CReportListCtrl& list) {
    QStringList names;
    for (int row = 0; row < list.Model()->rowCount(); ++row) {
        names.append(list.Model()->CellText(row, kFilename));
    }
    return names;
}

void ClickHeader(CReportListCtrl& list, int column) {
    QHeaderView* header = list.horizontalHeader();
    const QPoint centre(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
}

class ListCtrl : public ::testing::Test {
protected:
    void SetUp() override {
        list.resize(700, 240);
        list.Model()->SetDefaultColumns();
        list.Model()->Load(Parse(kFourReports), false);
        list.show();
    }
    CReportListCtrl list;
};

} // namespace

TEST_F(ListCtrl, LoadSetsWidthsLocksTheFixedColumnsAndLetsTheOthersMove) {
    SortHeader* header = list.Header();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(list.horizontalHeader(), header);
    for (int c = 0; c < list.Model()->columnCount(); ++c) {
        EXPECT_EQ(list.columnWidth(c), list.Model()->ColumnWidth(c)) << c;
        EXPECT_EQ(header->IsLocked(c), c <= 5) << c;
        EXPECT_EQ(header->sectionResizeMode(c) == QHeaderView::Fixed, c <= 5) << c;
    }
    EXPECT_EQ(list.columnWidth(kDate), 8 * 13);
    EXPECT_NE(header->sectionResizeMode(kFilename), QHeaderView::Fixed);
    EXPECT_TRUE(header->sectionsMovable());
    EXPECT_EQ(list.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list.selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST_F(ListCtrl, HeaderClicksToggleTheDirectionAndMarkTheColumnButNotAStatusColumn) {
    ClickHeader(list, 0);
    EXPECT_EQ(Filenames(list), QStringList({"R4", "R3", "R2", "R1"}))
        << "a new list counts as sorted ascending by row number";
    ClickHeader(list, kDate);
    EXPECT_EQ(Filenames(list), QStringList({"R3", "R4", "R1", "R2"}));
    EXPECT_TRUE(list.Header()->HasSortMark(kDate));
    EXPECT_TRUE(list.Header()->SortAscending());

    ClickHeader(list, kDate);
    EXPECT_EQ(Filenames(list), QStringList({"R2", "R1", "R4", "R3"}));
    EXPECT_FALSE(list.SortedAscending());
    EXPECT_FALSE(list.Header()->SortAscending());

    // A status column sorts rows without a dot first and draws no mark.
    ClickHeader(list, 1);
    EXPECT_EQ(Filenames(list), QStringList({"R1", "R3", "R2", "R4"})) << "ties keep their order";
    EXPECT_FALSE(list.Header()->HasSortMark(1));
    EXPECT_FALSE(list.Header()->HasSortMark(kDate));
    ClickHeader(list, 1);
    EXPECT_EQ(Filenames(list), QStringList({"R2", "R4", "R1", "R3"}));
    EXPECT_EQ(list.Model()->AccessFlags(), QStringList({"110000", "111100", "100000", "111000"}));

    // Another column starts ascending again, and so does a new list.
    ClickHeader(list, kFilename);
    EXPECT_EQ(Filenames(list), QStringList({"R1", "R2", "R3", "R4"}));
    EXPECT_TRUE(list.SortedAscending());
    EXPECT_EQ(list.SortedColumn(), kFilename);
    ClickHeader(list, kDate);
    ClickHeader(list, kDate);
    ASSERT_FALSE(list.SortedAscending());
    list.Model()->Load(Parse(kFourReports), false);
    EXPECT_EQ(list.SortedColumn(), 0);
    EXPECT_EQ(list.Header()->SortColumn(), -1) << "no stale mark on the new list";
    ClickHeader(list, kDate);
    EXPECT_TRUE(list.SortedAscending());
    EXPECT_EQ(Filenames(list), QStringList({"R3", "R4", "R1", "R2"}));
}

TEST(ListCtrlDialog, ClickOnColumnZeroDoesNothingOutsideTheReportList) {
    CReportListCtrl list(nullptr, false);
    list.Model()->SetColumns({"Sr.#", "Name"}, {40, 100});
    list.Model()->AppendRow({"  2 ", "b"});
    list.Model()->AppendRow({"  1 ", "a"});
    list.Model()->AppendRow({"  3 ", "c"});
    list.resize(300, 200);
    list.show();
    EXPECT_FALSE(list.Header()->IsLocked(1)) << "only the report list locks its first six columns";

    ClickHeader(list, 0);
    EXPECT_EQ(list.Model()->CellText(0, 1), "b");
    EXPECT_EQ(list.Header()->SortColumn(), -1);
    ClickHeader(list, 1);
    EXPECT_EQ(list.Model()->CellText(0, 1), "a");
    EXPECT_TRUE(list.Header()->HasSortMark(1));
    // The program may still sort it by column 0.
    list.Sort(0, false);
    EXPECT_EQ(list.Model()->CellText(0, 0), "  3 ");
}

TEST_F(ListCtrl, SelectionIsReportedInListOrderAndFollowsItsRows) {
    EXPECT_EQ(list.FirstSelectedRow(), -1);
    EXPECT_TRUE(list.SelectedRows().isEmpty());
    auto* selection = list.selectionModel();
    selection->select(list.Model()->index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selection->select(list.Model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(list.SelectedRows(), QList<int>({1, 3}));
    EXPECT_EQ(list.FirstSelectedRow(), 1);

    list.Sort(kFilename, false); // R4 R3 R2 R1
    EXPECT_EQ(list.SelectedRows(), QList<int>({0, 2}));
    EXPECT_EQ(list.Model()->CellText(list.FirstSelectedRow(), kFilename), "R4");
}

TEST_F(ListCtrl, DoubleClickEnterAndContextMenuAreReported) {
    QSignalSpy doubleClicked(&list, &CReportListCtrl::RowDoubleClicked);
    QSignalSpy menu(&list, &CReportListCtrl::ContextMenuRequestedAt);
    const QRect row2 = list.visualRect(list.Model()->index(2, kFilename));
    // A double click arrives after the first click of the pair.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, row2.center());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, row2.center());
    ASSERT_GE(doubleClicked.count(), 1);
    EXPECT_EQ(doubleClicked.last().at(0).toInt(), 2);
    EXPECT_EQ(list.FirstSelectedRow(), 2);

    doubleClicked.clear();
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Down);
    QTest::keyClick(&list, Qt::Key_Return);
    ASSERT_EQ(doubleClicked.count(), 1);
    EXPECT_EQ(doubleClicked.at(0).at(0).toInt(), 3);

    const QPoint global = list.viewport()->mapToGlobal(row2.center());
    QContextMenuEvent right(QContextMenuEvent::Mouse, row2.center(), global);
    QApplication::sendEvent(list.viewport(), &right);
    ASSERT_EQ(menu.count(), 1);
    EXPECT_EQ(menu.at(0).at(0).toPoint(), global);

    QTest::keyClick(&list, Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_EQ(menu.count(), 2);
    const QRect current = list.visualRect(list.Model()->index(3, 0));
    EXPECT_EQ(menu.at(1).at(0).toPoint(), list.viewport()->mapToGlobal(current.bottomLeft()));
}

TEST_F(ListCtrl, HeaderTooltipsDefaultToTheCaption) {
    EXPECT_EQ(list.HeaderTooltip(5), "E-Signed");
    list.SetHeaderTooltip(kFilename);
    EXPECT_EQ(list.HeaderTooltip(kFilename), "Filename");
    list.SetHeaderTooltip(99, "nothing");
    EXPECT_EQ(list.HeaderTooltip(99), "");
}

TEST_F(ListCtrl, RowsCellsAndHeadersAreExposedAsATable) {
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(&list);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->role(), QAccessible::Table);
    QAccessibleTableInterface* table = view->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 4);
    EXPECT_EQ(table->columnCount(), 10);
    QAccessibleInterface* cell = table->cellAt(2, kFilename);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->text(QAccessible::Name), "R3");
    QAccessibleInterface* dot = table->cellAt(1, 5);
    ASSERT_NE(dot, nullptr);
    EXPECT_EQ(dot->text(QAccessible::Name), "E-Signed");

    QStringList headerNames;
    for (int i = 0; i < view->childCount(); ++i) {
        QAccessibleInterface* child = view->child(i);
        if (child != nullptr && child->role() == QAccessible::ColumnHeader) {
            headerNames.append(child->text(QAccessible::Name));
        }
    }
    EXPECT_EQ(headerNames, QStringList({"Sr.#", "Opened", "Printed", "Faxed", "Forwarded", "E-Signed",
                                        "Filename", "DictationDate", "Pages", "Last Name"}));
}
