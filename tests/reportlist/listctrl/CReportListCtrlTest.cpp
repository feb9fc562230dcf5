#include "reportlist/listctrl/CReportListCtrl.h"
#include "reportlist/listctrl/ReportCellDelegate.h"
#include "tests/reportlist/core/ListTestSupport.h"

#include "dialogs/widgets/SortHeader.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

constexpr int kFilename = kFilenameColumn;
constexpr int kDate = kDateColumn;

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
    QString Filenames() const {
        QStringList names;
        for (int row = 0; row < list.Model()->rowCount(); ++row) {
            names.append(list.Model()->CellText(row, kFilename));
        }
        return names.join(' ');
    }
    QImage Grab() { return list.viewport()->grab().toImage(); }
    QRect Cell(int row, int column) { return list.visualRect(list.Model()->index(row, column)); }
    CReportListCtrl list;
};

} // namespace

TEST_F(ListCtrl, LoadSetsWidthsLocksTheFixedColumnsAndLetsTheOthersMove) {
    SortHeader* header = list.Header();
    for (int c = 0; c < list.Model()->columnCount(); ++c) {
        EXPECT_EQ(list.columnWidth(c), list.Model()->ColumnWidth(c)) << c;
        EXPECT_EQ(header->IsLocked(c), c <= 5) << c;
    }
    // A column dragged on this list does not shuffle the next list's columns.
    header->moveSection(header->visualIndex(kDate + 1), kDate);
    list.Model()->Load(Parse(kFourReports), false);
    EXPECT_EQ(header->visualIndex(kDate), kDate);
}

TEST_F(ListCtrl, HeaderClicksToggleTheDirectionAndMarkTheColumnButNotAStatusColumn) {
    const struct {
        const char* why;
        int column;
        const char* files;
        bool ascending;
        bool mark;
    } clicks[] = {
        {"a new list counts as sorted ascending by row number", 0, "R4 R3 R2 R1", false, true},
        {"another column starts ascending", kDate, "R3 R4 R1 R2", true, true},
        {"the same column again turns", kDate, "R2 R1 R4 R3", false, true},
        {"a status column: no dot first, ties keep their order, no mark", 1, "R1 R3 R2 R4", true, false},
        {"and dots first", 1, "R2 R4 R1 R3", false, false},
    };
    for (const auto& c : clicks) {
        ClickHeader(list, c.column);
        EXPECT_EQ(Filenames(), c.files) << c.why;
        EXPECT_EQ(list.SortedAscending(), c.ascending) << c.why;
        EXPECT_EQ(list.Header()->HasSortMark(c.column), c.mark) << c.why;
    }
    ClickHeader(list, kDate);
    ClickHeader(list, kDate);
    ASSERT_FALSE(list.SortedAscending());
    list.Model()->Load(Parse(kFourReports), false);
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
    ClickHeader(list, 1);
    EXPECT_EQ(list.Model()->CellText(0, 1), "a");
}

TEST_F(ListCtrl, SelectionIsReportedInListOrderAndFollowsItsRows) {
    for (const int row : {3, 1}) {
        list.selectionModel()->select(list.Model()->index(row, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    EXPECT_EQ(list.SelectedRows(), QList<int>({1, 3}));
    list.Sort(kFilename, false); // R4 R3 R2 R1
    EXPECT_EQ(list.SelectedRows(), QList<int>({0, 2}));
    EXPECT_EQ(list.Model()->CellText(list.FirstSelectedRow(), kFilename), "R4");
}

TEST_F(ListCtrl, ContextMenuIsAskedForAtTheMouseOrBelowTheCurrentRow) {
    QSignalSpy menu(&list, &CReportListCtrl::ContextMenuRequestedAt);
    const QPoint row2 = Cell(2, kFilename).center();
    QContextMenuEvent right(QContextMenuEvent::Mouse, row2, list.viewport()->mapToGlobal(row2));
    QApplication::sendEvent(list.viewport(), &right);
    list.setCurrentIndex(list.Model()->index(3, 0));
    QTest::keyClick(&list, Qt::Key_F10, Qt::ShiftModifier);
    ASSERT_EQ(menu.count(), 2);
    EXPECT_EQ(menu.at(0).at(0).toPoint(), list.viewport()->mapToGlobal(row2));
    EXPECT_EQ(menu.at(1).at(0).toPoint(), list.viewport()->mapToGlobal(Cell(3, 0).bottomLeft()));
}

TEST_F(ListCtrl, RowsAndCellsAreExposedAsATable) {
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(&list);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->role(), QAccessible::Table);
    QAccessibleTableInterface* table = view->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 4);
    EXPECT_EQ(table->cellAt(2, kFilename)->text(QAccessible::Name), "R3");
    EXPECT_EQ(table->cellAt(1, 5)->text(QAccessible::Name), "E-Signed");
}

TEST_F(ListCtrl, GreyOddRowsGreenDotsForSetFlagsAndTheSelectedRowInWhite) {
    // R4: Opened set, Printed not.
    list.selectionModel()->select(list.Model()->index(3, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QImage image = Grab();
    const QColor highlight = list.palette().color(QPalette::Active, QPalette::Highlight);
    const auto margin = [this](int row) {
        return QPoint(Cell(row, 1).left() + 5, Cell(row, 1).center().y());
    };
    const struct {
        const char* why;
        QPoint at;
        QColor colour;
    } cases[] = {
        {"no dot where the flag is not set: the grey row", Cell(0, 1).center(), QColor(229, 229, 229)},
        {"a set flag is a green dot", Cell(1, 1).center(), QColor(0, 127, 0)},
        {"the dot keeps 10 px clear", margin(1), Qt::white},
        {"selected row in the highlight", Cell(3, 2).center(), highlight},
        {"white dot on a selected row", Cell(3, 1).center(), Qt::white},
        {"with the highlight around it", margin(3), highlight},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(image.pixelColor(c.at), c.colour) << c.why;
    }
    // Text in the selected row is white: ink on the highlight, and none of it dark.
    const QImage name = image.copy(Cell(3, kLastNameColumn));
    EXPECT_GE(InkSpan(name, name.rect(), highlight).first, 0);
    int darkest = 255;
    for (int i = 0; i < name.width() * name.height(); ++i) {
        darkest = qMin(darkest, qGray(name.pixel(i % name.width(), i / name.width())));
    }
    EXPECT_GT(darkest, 60);
}

TEST_F(ListCtrl, AmpersandIsShownAsItIsAndLongTextEndsWithAnEllipsisInsideItsCell) {
    const int column = kLastNameColumn;
    const QFontMetrics metrics(list.font());
    list.Model()->SetCellText(1, column, "a&b");
    const auto [first, last] = InkSpan(Grab(), Cell(1, column), Qt::white);
    ASSERT_GE(first, 0) << "no text drawn";
    // "a&b" with its ampersand: wider than "ab", narrower than "a&&b".
    EXPECT_GT(last - first + 1, metrics.boundingRect("ab").width() + 2);
    EXPECT_LT(last - first + 1, metrics.boundingRect("a&&b").width() - 2);

    const QString longText = QString("Referring physician ").repeated(10);
    list.Model()->SetCellText(1, column, longText);
    const QImage image = Grab();
    const QRect cell = Cell(1, column);
    EXPECT_TRUE(ReportCellDelegate::ShownText(metrics, longText, cell.width() - 6).endsWith(QChar(0x2026)));
    const auto [from, to] = InkSpan(image, cell, Qt::white);
    EXPECT_GT(to, cell.right() - 20) << "the text runs to the end of the cell";
    EXPECT_LE(to, cell.right()) << "and stops there";
    const QRect below = Cell(2, column).adjusted(metrics.horizontalAdvance("alpha") + 8, 0, 0, 0);
    EXPECT_EQ(InkSpan(image, below, QColor(229, 229, 229)).first, -1) << "nothing spills into the next row";
}
