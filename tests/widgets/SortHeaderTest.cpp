#include "widgets/SortHeader.h"
#include "tests/widgets/Pointer.h"

#include <QStandardItemModel>
#include <QTableView>

namespace {

// A report-list-like table: column 0 "Sr.#", five narrow status columns, three text columns.
struct HeaderFixture {
    std::unique_ptr<QTableView> view = std::make_unique<QTableView>();
    QStandardItemModel model{3, 9};
    SortHeader* header = new SortHeader(Qt::Horizontal);

    HeaderFixture() {
        const QStringList captions = {
            "Sr.#", "", "", "", "", "", "Dictation Date/Time", "Report Name", "Download Date"};
        model.setHorizontalHeaderLabels(captions);
        view->setModel(&model);
        view->setHorizontalHeader(header);
        const int widths[] = {40, 30, 30, 30, 30, 30, 152, 88, 104};
        for (int i = 0; i < 9; ++i) {
            header->resizeSection(i, widths[i]);
        }
        ShowAt(*view, 700, 200);
    }

    QPoint DividerOf(int logical) const {
        return {header->sectionViewportPosition(logical) + header->sectionSize(logical) - 1,
                header->height() / 2};
    }
    QRect SectionRect(int logical) const {
        return {header->sectionViewportPosition(logical), 0, header->sectionSize(logical), header->height()};
    }
    // Drags the divider right of the column by dx pixels, as a user would.
    void DragDivider(int logical, int dx) const {
        QWidget* vp = header->viewport();
        const QPoint start = DividerOf(logical);
        MovePointer(vp, start);
        QTest::mousePress(vp, Qt::LeftButton, {}, start);
        QTest::mouseMove(vp, start + QPoint(dx / 2, 0));
        QTest::mouseMove(vp, start + QPoint(dx, 0));
        QTest::mouseRelease(vp, Qt::LeftButton, {}, start + QPoint(dx, 0));
    }
    QImage Grab() const { return ::Grab(*header->viewport()); }
    Qt::CursorShape CursorOver(const QPoint& pos) const {
        MovePointer(header->viewport(), pos);
        return header->viewport()->cursor().shape();
    }
};

int DifferingPixels(const QImage& a, const QImage& b, const QRect& area) {
    int differing = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            differing += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
        }
    }
    return differing;
}

} // namespace

TEST(SortHeaderLocking, LockedColumnsRefuseResizeAndTheResizeCursorWhileLockingIsOn) {
    HeaderFixture f;
    for (int i = 1; i <= 5; ++i) {
        f.header->LockColumn(i);
    }
    EXPECT_TRUE(f.header->IsLocked(0)) << "column 0 is locked from the start";
    f.DragDivider(2, 25);
    EXPECT_EQ(f.header->sectionSize(2), 55) << "locking is off at first";
    f.header->resizeSection(2, 30);

    f.header->SetLocking(true);
    const std::pair<int, int> drags[] = {{2, 30}, {0, 40}, {6, 182}}; // column, width after +25 / +30
    for (const auto& [column, width] : drags) {
        f.DragDivider(column, column == 6 ? 30 : 25);
        EXPECT_EQ(f.header->sectionSize(column), width) << column;
    }
    EXPECT_EQ(f.CursorOver(f.DividerOf(6)), Qt::SplitHCursor) << "divider of an unlocked column";
    EXPECT_NE(f.CursorOver(f.DividerOf(5)), Qt::SplitHCursor) << "divider right of locked column 5";

    // Locks hold for columns that arrive with a new model, until the column is unlocked.
    f.model.setColumnCount(0);
    f.model.setColumnCount(9);
    EXPECT_EQ(f.header->sectionResizeMode(4), QHeaderView::Fixed);
    EXPECT_EQ(f.header->sectionResizeMode(6), QHeaderView::Interactive);
    f.header->UnlockColumn(4);
    EXPECT_EQ(f.header->sectionResizeMode(4), QHeaderView::Interactive);
}

TEST(SortHeaderMark, SortedColumnShowsATrianglePointingTheSortDirection) {
    HeaderFixture f;
    const QImage plain = f.Grab();
    EXPECT_EQ(f.header->SortColumn(), -1);

    f.header->SetSortColumn(7, true);
    EXPECT_EQ(f.header->SortColumn(), 7);
    EXPECT_TRUE(f.header->SortAscending());
    const QImage up = f.Grab();
    const QRect mark = f.header->MarkRect(f.SectionRect(7));
    EXPECT_GT(DifferingPixels(plain, up, mark), 6) << "no mark drawn";

    // Ascending: the base is the bottom row of the mark, the apex a single point on top.
    const QRect topRow(mark.left(), mark.top(), mark.width(), 1);
    const QRect bottomRow(mark.left(), mark.bottom(), mark.width(), 1);
    EXPECT_GT(DifferingPixels(plain, up, bottomRow), DifferingPixels(plain, up, topRow) + 2);

    f.header->SetSortColumn(7, false);
    EXPECT_FALSE(f.header->SortAscending());
    const QImage down = f.Grab();
    EXPECT_GT(DifferingPixels(plain, down, topRow), DifferingPixels(plain, down, bottomRow) + 2);

    f.header->SetSortColumn(-1, true);
    EXPECT_EQ(DifferingPixels(plain, f.Grab(), f.header->viewport()->rect()), 0);

    // A status column is sorted without any mark.
    f.header->SetNoMarkColumns({1, 2, 3, 4, 5});
    f.header->SetSortColumn(3, false);
    EXPECT_EQ(f.header->SortColumn(), 3);
    EXPECT_FALSE(f.header->HasSortMark(3));
    EXPECT_EQ(DifferingPixels(plain, f.Grab(), f.header->viewport()->rect()), 0);
}
