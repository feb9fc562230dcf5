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
    EXPECT_TRUE(header->sectionsMovable());
    EXPECT_EQ(list.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list.selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST_F(ListCtrl, HeaderClicksToggleTheDirectionAndMarkTheColumnButNotAStatusColumn) {
    const struct {
        const char* why;
        int column;
        const char* files;
        bool ascending;
        int mark; // -1: none
    } clicks[] = {
        {"a new list counts as sorted ascending by row number", 0, "R4 R3 R2 R1", false, 0},
        {"another column starts ascending", kDate, "R3 R4 R1 R2", true, kDate},
        {"the same column again turns", kDate, "R2 R1 R4 R3", false, kDate},
        {"a status column: no dot first, ties keep their order, no mark", 1, "R1 R3 R2 R4", true, -1},
        {"and dots first", 1, "R2 R4 R1 R3", false, -1},
        {"a text column", kFilename, "R1 R2 R3 R4", true, kFilename},
    };
    for (const auto& c : clicks) {
        ClickHeader(list, c.column);
        EXPECT_EQ(Filenames(list).join(' '), c.files) << c.why;
        EXPECT_EQ(list.SortedAscending(), c.ascending) << c.why;
        EXPECT_EQ(list.SortedColumn(), c.column) << c.why;
        for (const int column : {0, 1, kDate, kFilename}) {
            EXPECT_EQ(list.Header()->HasSortMark(column), column == c.mark) << c.why << ", column " << column;
        }
        if (c.mark >= 0) {
            EXPECT_EQ(list.Header()->SortAscending(), c.ascending) << c.why;
        }
    }
    ClickHeader(list, kDate);
    ClickHeader(list, kDate);
    ASSERT_FALSE(list.SortedAscending());
    list.Model()->Load(Parse(kFourReports), false);
    EXPECT_EQ(list.SortedColumn(), 0);
    EXPECT_EQ(list.Header()->SortColumn(), -1) << "no stale mark on the new list";
    ClickHeader(list, kDate);
    EXPECT_TRUE(list.SortedAscending());
}

TEST(ListCtrlDialog, ClickOnColumnZeroDoesNothingOutsideTheReportList) {
    CReportListCtrl list(nullptr, false);
    list.Model()->SetColumns({"Sr.#", "Name"}, {40, 100});
    for (const char* row : {"  2 |b", "  1 |a", "  3 |c"}) {
        list.Model()->AppendRow(QString::fromUtf8(row).split('|'));
    }
    list.show();
    EXPECT_FALSE(list.Header()->IsLocked(1)) << "only the report list locks its first six columns";
    ClickHeader(list, 0);
    EXPECT_EQ(list.Model()->CellText(0, 1), "b");
    EXPECT_EQ(list.Header()->SortColumn(), -1);
    ClickHeader(list, 1);
    EXPECT_EQ(list.Model()->CellText(0, 1), "a");
    EXPECT_TRUE(list.Header()->HasSortMark(1));
    list.Sort(0, false); // the program may still sort it by column 0
    EXPECT_EQ(list.Model()->CellText(0, 0), "  3 ");
}

TEST_F(ListCtrl, SelectionIsReportedInListOrderAndFollowsItsRows) {
    EXPECT_EQ(list.FirstSelectedRow(), -1);
    for (const int row : {3, 1}) {
        list.selectionModel()->select(list.Model()->index(row, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
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
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, row2.center()); // a double click's first click
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, row2.center());
    QTest::keyClick(&list, Qt::Key_Down);
    QTest::keyClick(&list, Qt::Key_Return);
    ASSERT_GE(doubleClicked.count(), 2);
    EXPECT_EQ(doubleClicked.first().at(0).toInt(), 2);
    EXPECT_EQ(doubleClicked.last().at(0).toInt(), 3);

    QContextMenuEvent right(QContextMenuEvent::Mouse, row2.center(),
                            list.viewport()->mapToGlobal(row2.center()));
    QApplication::sendEvent(list.viewport(), &right);
    QTest::keyClick(&list, Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_EQ(menu.count(), 2);
    EXPECT_EQ(menu.at(0).at(0).toPoint(), list.viewport()->mapToGlobal(row2.center()));
    EXPECT_EQ(menu.at(1).at(0).toPoint(),
              list.viewport()->mapToGlobal(list.visualRect(list.Model()->index(3, 0)).bottomLeft()));
}

TEST_F(ListCtrl, HeaderTooltipsAndAccessibleTable) {
    EXPECT_EQ(list.HeaderTooltip(5), "E-Signed");
    list.SetHeaderTooltip(kFilename);
    EXPECT_EQ(list.HeaderTooltip(kFilename), "Filename") << "the caption by default";
    list.SetHeaderTooltip(99, "nothing");
    EXPECT_EQ(list.HeaderTooltip(99), "");

    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(&list);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->role(), QAccessible::Table);
    QAccessibleTableInterface* table = view->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 4);
    EXPECT_EQ(table->columnCount(), 10);
    EXPECT_EQ(table->cellAt(2, kFilename)->text(QAccessible::Name), "R3");
    EXPECT_EQ(table->cellAt(1, 5)->text(QAccessible::Name), "E-Signed");
    QStringList headers;
    for (int i = 0; i < view->childCount(); ++i) {
        if (view->child(i)->role() == QAccessible::ColumnHeader) {
            headers.append(view->child(i)->text(QAccessible::Name));
        }
    }
    EXPECT_EQ(headers.join('|'),
              "Sr.#|Opened|Printed|Faxed|Forwarded|E-Signed|Filename|DictationDate|Pages|Last Name");
}
