#include "reportlist/listctrl/CReportListCtrl.h"
#include "reportlist/listctrl/ReportCellDelegate.h"
#include "tests/reportlist/core/ListTestSupport.h"
#include "widgets/SortHeader.h"

#include <QAccessible>
#include <QImage>
#include <QTest>

namespace {

void ClickHeader(CReportListCtrl& list, int column) {
    QHeaderView* header = list.horizontalHeader();
    const QPoint centre(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
}

// Leftmost and rightmost columns in rect that differ clearly from the background.
std::pair<int, int> InkSpan(const QImage& image, const QRect& rect, const QColor& bg) {
    std::pair<int, int> span{-1, -1};
    for (int x = rect.left(); x <= rect.right(); ++x) {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - bg.red()) + qAbs(c.green() - bg.green()) + qAbs(c.blue() - bg.blue()) > 120) {
                span = {span.first < 0 ? x : span.first, x};
                break;
            }
        }
    }
    return span;
}

class ListCtrl : public ::testing::Test {
protected:
    void SetUp() override {
        list.resize(700, 240);
        list.Model()->SetDefaultColumns();
        list.Model()->Load(Parse(kFourReports), false);
        list.show();
    }
    QRect Cell(int row, int column) { return list.visualRect(list.Model()->index(row, column)); }
    void Select(int row) {
        list.selectionModel()->select(list.Model()->index(row, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    CReportListCtrl list;
};

} // namespace

// A data column shows its values whole (its given width is a least); a width the user dragged
// outlives the next load.
TEST_F(ListCtrl, LoadFitsDataColumnsToTheirValuesKeepsDraggedWidthsAndLocksTheFixedColumns) {
    SortHeader* header = list.Header();
    list.Model()->SetCellText(0, kLastNameColumn, QStringLiteral("Fitzgerald-Montgomery"));
    list.ApplyColumnWidths();
    const QFontMetrics metrics(list.font());
    for (int c = 0; c < list.Model()->columnCount(); ++c) {
        EXPECT_EQ(header->IsLocked(c), c <= 5) << c;
        if (c <= 5) {
            EXPECT_EQ(list.columnWidth(c), list.Model()->ColumnWidth(c)) << c;
            continue;
        }
        EXPECT_GE(list.columnWidth(c), list.Model()->ColumnWidth(c)) << c;
        for (int row = 0; row < list.Model()->rowCount(); ++row) {
            EXPECT_GT(list.columnWidth(c), metrics.horizontalAdvance(list.Model()->CellText(row, c)) + 6)
                << c;
        }
    }
    header->resizeSection(kLastNameColumn, 33); // as a drag does
    list.Model()->Load(Parse(kFourReports), false);
    EXPECT_EQ(list.columnWidth(kLastNameColumn), 33);
}

TEST_F(ListCtrl, HeaderClicksToggleTheDirectionAndMarkTheColumnButNotAStatusColumn) {
    const struct {
        const char* why;
        int column;
        const char* files;
        bool ascending, mark;
    } clicks[] = {
        {"a new list counts as sorted ascending by row number", 0, "R4 R3 R2 R1", false, true},
        {"another column starts ascending", kDateColumn, "R3 R4 R1 R2", true, true},
        {"the same column again turns", kDateColumn, "R2 R1 R4 R3", false, true},
        {"a status column: no dot first, ties keep their order, no mark", 1, "R1 R3 R2 R4", true, false},
        {"and dots first", 1, "R2 R4 R1 R3", false, false},
    };
    for (const auto& c : clicks) {
        ClickHeader(list, c.column);
        EXPECT_EQ(Texts(list.Model(), kFilenameColumn, kFilenameColumn).join(' '), c.files) << c.why;
        EXPECT_EQ(list.SortedAscending(), c.ascending) << c.why;
        EXPECT_EQ(list.Header()->HasSortMark(c.column), c.mark) << c.why;
    }
}

// Rows and cells are exposed as a table; the selection is reported in list order and follows its rows.
TEST_F(ListCtrl, RowsAndCellsAreATableAndTheSelectionFollowsItsRows) {
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(&list);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->role(), QAccessible::Table);
    QAccessibleTableInterface* table = view->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 4);
    EXPECT_EQ(table->cellAt(2, kFilenameColumn)->text(QAccessible::Name), "R3");
    EXPECT_EQ(table->cellAt(1, 5)->text(QAccessible::Name), "E-Signed");
    Select(3);
    Select(1);
    EXPECT_EQ(list.SelectedRows(), QList<int>({1, 3}));
    list.Sort(kFilenameColumn, false); // R4 R3 R2 R1
    EXPECT_EQ(list.SelectedRows(), QList<int>({0, 2}));
    EXPECT_EQ(list.Model()->CellText(list.FirstSelectedRow(), kFilenameColumn), "R4");
}

TEST_F(ListCtrl, GreyOddRowsGreenDotsWhiteOnTheSelectedRowAndCellTextsAsTheyAre) {
    // R4: Opened set, Printed not.
    Select(3);
    const QImage image = list.viewport()->grab().toImage();
    const QColor highlight = list.palette().color(QPalette::Active, QPalette::Highlight);
    const struct {
        const char* why;
        QPoint at;
        QColor colour;
    } cases[] = {
        {"no dot where the flag is not set: the grey row", Cell(0, 1).center(), QColor(229, 229, 229)},
        {"a set flag is a green dot", Cell(1, 1).center(), QColor(0, 127, 0)},
        {"selected row in the highlight", Cell(3, 2).center(), highlight},
        {"white dot on a selected row", Cell(3, 1).center(), Qt::white},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(image.pixelColor(c.at), c.colour) << c.why;
    }
    // An ampersand is shown as it is; long text ends with an ellipsis inside its cell.
    const QRect cell = Cell(1, kLastNameColumn);
    const QFontMetrics metrics(list.font());
    list.Model()->SetCellText(1, kLastNameColumn, "a&b");
    const auto [first, last] = InkSpan(list.viewport()->grab().toImage(), cell, Qt::white);
    EXPECT_GT(last - first + 1, metrics.boundingRect("ab").width() + 2) << "wider than a mnemonic's \"ab\"";
    const QString longText = QString("Referring physician ").repeated(10);
    list.Model()->SetCellText(1, kLastNameColumn, longText);
    EXPECT_TRUE(ReportCellDelegate::ShownText(metrics, longText, cell.width() - 6).endsWith(QChar(0x2026)));
    const int end = InkSpan(list.viewport()->grab().toImage(), cell.adjusted(0, 0, 20, 0), Qt::white).second;
    EXPECT_TRUE(end > cell.right() - 20 && end <= cell.right())
        << "the text runs to the end of the cell and stops";
}
