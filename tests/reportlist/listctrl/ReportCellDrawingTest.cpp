#include "reportlist/listctrl/CReportListCtrl.h"
#include "reportlist/listctrl/ReportCellDelegate.h"
#include "tests/reportlist/core/ListTestSupport.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Column 7 stays empty so that its cells show the bare row shading.
const QByteArray kRows = "Privileges~1|Owner~u1|Activity Indicator~10000|Filename~R1|Blank~|Name~a&b\n"
                         "Privileges~1|Owner~u2|Activity Indicator~10000|Filename~R2|Blank~|Name~a&b\n"
                         "Privileges~1|Owner~u3|Activity Indicator~00000|Filename~R3|Blank~|Name~short\n";
constexpr int kOpened = 1;
constexpr int kBlank = 7;
constexpr int kName = 8;
const QColor kGrey(229, 229, 229);

// Leftmost and rightmost columns in rect that differ clearly from the background.
std::pair<int, int> InkSpan(const QImage& image, const QRect& rect, const QColor& background) {
    int first = -1;
    int last = -1;
    for (int x = rect.left(); x <= rect.right(); ++x) {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - background.red()) + qAbs(c.green() - background.green()) +
                    qAbs(c.blue() - background.blue()) >
                120) {
                first = first < 0 ? x : first;
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

class CellDrawing : public ::testing::Test {
protected:
    void SetUp() override {
        list.resize(700, 240);
        list.Model()->Load(Parse(kRows), false);
        list.setColumnWidth(kName, 160);
        list.show();
    }
    QImage Grab() { return list.viewport()->grab().toImage(); }
    QRect Cell(int row, int column) { return list.visualRect(list.Model()->index(row, column)); }
    QPoint Margin(int row) { return {Cell(row, kOpened).left() + 5, Cell(row, kOpened).center().y()}; }
    CReportListCtrl list;
};

} // namespace

TEST_F(CellDrawing, RowShadingGreenDotsAndTheSelectedRowInWhite) {
    list.selectRow(1);
    const QImage image = Grab();
    const QColor highlight = list.palette().color(QPalette::Active, QPalette::Highlight);
    const struct {
        const char* why;
        QPoint at;
        QColor colour;
    } cases[] = {
        {"first row grey", Cell(0, kBlank).center(), kGrey},
        {"third row grey", Cell(2, kBlank).center(), kGrey},
        {"a set flag is a green dot", Cell(0, kOpened).center(), QColor(0, 127, 0)},
        {"no dot where the flag is not set", Cell(2, kOpened).center(), kGrey},
        {"the dot keeps 10 px clear", Margin(0), kGrey},
        {"selected row in the highlight", Cell(1, kBlank).center(), highlight},
        {"white dot on a selected row", Cell(1, kOpened).center(), Qt::white},
        {"with the highlight around it", Margin(1), highlight},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(image.pixelColor(c.at), c.colour) << c.why;
    }
    EXPECT_EQ(ReportCellDelegate::DotRect(Cell(0, kOpened)), Cell(0, kOpened).adjusted(10, 3, -10, -3));
    list.clearSelection();
    EXPECT_EQ(Grab().pixelColor(Cell(1, kBlank).center()), QColor(Qt::white)) << "second row white";
    // Text in the selected row is white: it has white pixels and no dark ones.
    bool white = false;
    bool dark = false;
    const QRect name = Cell(1, kName);
    for (int x = name.left(); x <= name.right(); ++x) {
        for (int y = name.top(); y <= name.bottom(); ++y) {
            const QColor c = image.pixelColor(x, y);
            white = white || c == QColor(Qt::white);
            dark = dark || (c.red() < 60 && c.green() < 60 && c.blue() < 60);
        }
    }
    EXPECT_TRUE(white && !dark);
}

TEST_F(CellDrawing, AmpersandIsShownAsItIsAndLongTextEndsWithAnEllipsisInsideItsCell) {
    const QFontMetrics metrics(list.font());
    const auto [first, last] = InkSpan(Grab(), Cell(1, kName), Qt::white);
    ASSERT_GE(first, 0) << "no text drawn";
    // "a&b" with its ampersand: wider than "ab", narrower than "a&&b".
    EXPECT_GT(last - first + 1, metrics.boundingRect("ab").width() + 2);
    EXPECT_LT(last - first + 1, metrics.boundingRect("a&&b").width() - 2);

    const QString longText = QString("Referring physician ").repeated(10);
    list.Model()->SetCellText(1, kName, longText);
    const QImage image = Grab();
    const QRect cell = Cell(1, kName);
    const QString shown = ReportCellDelegate::ShownText(metrics, longText, cell.width() - 6);
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_LE(metrics.horizontalAdvance(shown), cell.width() - 6);
    const auto [from, to] = InkSpan(image, cell, Qt::white);
    EXPECT_GT(to, cell.right() - 20) << "the text runs to the end of the cell";
    EXPECT_LE(to, cell.right()) << "and stops there";
    const QRect below = Cell(2, kName).adjusted(metrics.horizontalAdvance("short") + 8, 0, 0, 0);
    EXPECT_EQ(InkSpan(image, below, kGrey).first, -1) << "nothing spills into the next row";
}

TEST_F(CellDrawing, TiledBackgroundShowsInColumnZeroAndBelowTheRows) {
    QTemporaryDir dir;
    QImage tile(8, 8, QImage::Format_RGB32);
    tile.fill(QColor(200, 0, 0));
    ASSERT_TRUE(tile.save(dir.filePath("BkImage.bmp"), "BMP"));
    const QPoint belowRows(Cell(2, kBlank).center().x(), Cell(2, kBlank).bottom() + 30);

    list.SetBackgroundImage(dir.filePath("BkImage.bmp"), true);
    ASSERT_TRUE(list.HasBackgroundImage());
    const QImage image = Grab();
    EXPECT_EQ(image.pixelColor(belowRows), QColor(200, 0, 0));
    EXPECT_EQ(image.pixelColor(Cell(1, 0).right() - 2, Cell(1, 0).top() + 1), QColor(200, 0, 0));
    EXPECT_EQ(image.pixelColor(Cell(1, kBlank).center()), QColor(Qt::white)) << "shaded cells cover it";

    list.SetBackgroundImage("file://" + dir.filePath("BkImage.bmp"), true);
    EXPECT_TRUE(list.HasBackgroundImage());
    list.SetBackgroundImage(dir.filePath("missing.bmp"), true);
    EXPECT_FALSE(list.HasBackgroundImage());
    EXPECT_NE(Grab().pixelColor(belowRows), QColor(200, 0, 0));
}

TEST(CellDrawingLabels, RowNumbersShowTheirDigitsBesideTheIcon) {
    CReportListCtrl list;
    list.resize(500, 400);
    list.Model()->Load(
        Parse(QByteArray("Privileges~1|Owner~u|Activity Indicator~00000|Filename~R|Name~n\n").repeated(12)),
        false);
    list.Model()->SetRowIcon(":/icons/row-transcribed.svg");
    list.show();
    ASSERT_EQ(list.columnWidth(0), 50);
    const QImage image = list.viewport()->grab().toImage();
    const int iconEnd = list.iconSize().width() + 4;
    const QRect ten = list.visualRect(list.Model()->index(9, 0)).adjusted(iconEnd, 0, 0, 0);
    const QRect twelve = list.visualRect(list.Model()->index(11, 0)).adjusted(iconEnd, 0, 0, 0);
    EXPECT_NE(image.copy(ten), image.copy(twelve)) << "neither is cut down to a bare ellipsis";
    const auto [first, last] = InkSpan(image, twelve, Qt::white);
    ASSERT_GE(first, 0);
    EXPECT_GE(last - first + 1, QFontMetrics(list.font()).boundingRect("12").width() - 2);
}
