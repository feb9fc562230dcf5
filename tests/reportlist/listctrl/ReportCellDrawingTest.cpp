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

QColor Pixel(const QImage& image, QPoint p) {
    return image.pixelColor(p);
}

bool IsInk(const QColor& c, const QColor& background) {
    return qAbs(c.red() - background.red()) + qAbs(c.green() - background.green()) +
               qAbs(c.blue() - background.blue()) >
           120;
}

// Leftmost and rightmost columns in rect that differ clearly from the background.
std::pair<int, int> InkSpan(const QImage& image, const QRect& rect, const QColor& background) {
    int first = -1;
    int last = -1;
    for (int x = rect.left(); x <= rect.right(); ++x) {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            if (IsInk(image.pixelColor(x, y), background)) {
                if (first < 0) {
                    first = x;
                }
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
    CReportListCtrl list;
};

} // namespace

TEST_F(CellDrawing, RowShadingGreenDotsAndTheSelectedRowInWhite) {
    const QImage image = Grab();
    // First, third ... rows are grey, the others white.
    EXPECT_EQ(Pixel(image, Cell(0, kBlank).center()), QColor(229, 229, 229));
    EXPECT_EQ(Pixel(image, Cell(1, kBlank).center()), QColor(Qt::white));
    EXPECT_EQ(Pixel(image, Cell(2, kBlank).center()), QColor(229, 229, 229));
    // A dot where the flag is set, none where it is not.
    EXPECT_EQ(Pixel(image, Cell(0, kOpened).center()), QColor(0, 127, 0));
    EXPECT_EQ(Pixel(image, Cell(1, kOpened).center()), QColor(0, 127, 0));
    EXPECT_EQ(Pixel(image, Cell(2, kOpened).center()), QColor(229, 229, 229));
    // The dot keeps 10 px clear on either side.
    const QRect dot = ReportCellDelegate::DotRect(Cell(0, kOpened));
    EXPECT_EQ(dot, Cell(0, kOpened).adjusted(10, 3, -10, -3));
    EXPECT_EQ(Pixel(image, QPoint(Cell(0, kOpened).left() + 5, Cell(0, kOpened).center().y())),
              QColor(229, 229, 229));

    list.selectRow(1);
    const QImage selected = Grab();
    const QColor highlight = list.palette().color(QPalette::Active, QPalette::Highlight);
    EXPECT_EQ(Pixel(selected, Cell(1, kBlank).center()), highlight);
    EXPECT_EQ(Pixel(selected, Cell(1, kOpened).center()), QColor(Qt::white));
    EXPECT_EQ(Pixel(selected, QPoint(Cell(1, kOpened).left() + 5, Cell(1, kOpened).center().y())), highlight);
    // Text in the selected row is white: it has white pixels and no dark ones.
    const QRect name = Cell(1, kName);
    bool white = false;
    bool dark = false;
    for (int x = name.left(); x <= name.right(); ++x) {
        for (int y = name.top(); y <= name.bottom(); ++y) {
            const QColor c = selected.pixelColor(x, y);
            white = white || c == QColor(Qt::white);
            dark = dark || (c.red() < 60 && c.green() < 60 && c.blue() < 60);
        }
    }
    EXPECT_TRUE(white);
    EXPECT_FALSE(dark);
    // Unselected rows keep their shading.
    EXPECT_EQ(Pixel(selected, Cell(0, kOpened).center()), QColor(0, 127, 0));
}

TEST_F(CellDrawing, AmpersandIsShownAsItIs) {
    const QImage image = Grab();
    const QRect cell = Cell(1, kName);
    const auto [first, last] = InkSpan(image, cell, Qt::white);
    ASSERT_GE(first, 0) << "no text drawn";
    const QFontMetrics metrics(list.font());
    const int drawn = last - first + 1;
    // "a&b" with its ampersand: wider than "ab", narrower than "a&&b".
    EXPECT_GT(drawn, metrics.boundingRect("ab").width() + 2);
    EXPECT_LT(drawn, metrics.boundingRect("a&&b").width() - 2);
}

TEST_F(CellDrawing, LongTextEndsWithAnEllipsisInsideItsCell) {
    const QString longText = QString("Referring physician ").repeated(10);
    list.Model()->SetCellText(1, kName, longText);
    const QImage image = Grab();
    const QRect cell = Cell(1, kName);
    const QFontMetrics metrics(list.font());
    const QString shown = ReportCellDelegate::ShownText(metrics, longText, cell.width() - 6);
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_LE(metrics.horizontalAdvance(shown), cell.width() - 6);
    const auto [first, last] = InkSpan(image, cell, Qt::white);
    ASSERT_GE(first, 0);
    EXPECT_GT(last, cell.right() - 20) << "the text runs to the end of the cell";
    EXPECT_LE(last, cell.right()) << "and stops there";
    // Nothing spills into the next row or column.
    const QRect below = Cell(2, kName);
    EXPECT_EQ(
        InkSpan(image, below.adjusted(metrics.horizontalAdvance("short") + 8, 0, 0, 0), QColor(229, 229, 229))
            .first,
        -1);
}

TEST_F(CellDrawing, TiledBackgroundShowsInColumnZeroAndBelowTheRows) {
    QTemporaryDir dir;
    QImage tile(8, 8, QImage::Format_RGB32);
    tile.fill(QColor(200, 0, 0));
    const QString path = dir.filePath("BkImage.bmp");
    ASSERT_TRUE(tile.save(path, "BMP"));

    list.SetBackgroundImage(path, true);
    ASSERT_TRUE(list.HasBackgroundImage());
    const QImage image = Grab();
    const QRect lastRow = Cell(2, kBlank);
    EXPECT_EQ(Pixel(image, QPoint(lastRow.center().x(), lastRow.bottom() + 30)), QColor(200, 0, 0));
    EXPECT_EQ(Pixel(image, QPoint(Cell(1, 0).right() - 2, Cell(1, 0).top() + 1)), QColor(200, 0, 0));
    EXPECT_EQ(Pixel(image, Cell(1, kBlank).center()), QColor(Qt::white)) << "shaded cells cover it";

    list.SetBackgroundImage("file://" + path, true);
    EXPECT_TRUE(list.HasBackgroundImage());
    list.SetBackgroundImage(dir.filePath("missing.bmp"), true);
    EXPECT_FALSE(list.HasBackgroundImage());
    const QImage plain = Grab();
    EXPECT_NE(Pixel(plain, QPoint(lastRow.center().x(), lastRow.bottom() + 30)), QColor(200, 0, 0));
}

TEST(CellDrawingLabels, RowNumbersShowTheirDigitsBesideTheIcon) {
    QByteArray text;
    for (int i = 0; i < 12; ++i) {
        text += "Privileges~1|Owner~u|Activity Indicator~00000|Filename~R|Name~n\n";
    }
    CReportListCtrl list;
    list.resize(500, 400);
    list.Model()->Load(Parse(text), false);
    list.Model()->SetRowIcon(":/icons/row-transcribed.svg");
    list.show();
    ASSERT_EQ(list.columnWidth(0), 50);
    const QImage image = list.viewport()->grab().toImage();
    const int iconEnd = list.iconSize().width() + 4;
    const QRect ten = list.visualRect(list.Model()->index(9, 0)).adjusted(iconEnd, 0, 0, 0);
    const QRect twelve = list.visualRect(list.Model()->index(11, 0)).adjusted(iconEnd, 0, 0, 0);
    // Different numbers look different: neither is cut down to a bare ellipsis.
    EXPECT_NE(image.copy(ten), image.copy(twelve));
    const auto [first, last] = InkSpan(image, twelve, Qt::white);
    ASSERT_GE(first, 0);
    const QFontMetrics metrics(list.font());
    EXPECT_GE(last - first + 1, metrics.boundingRect("12").width() - 2);
}
