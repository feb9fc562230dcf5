#include "widgets/TooltipComboBox.h"
#include "tests/widgets/Pointer.h"

#include <QCursor>
#include <QLabel>
#include <QStyle>

namespace {

const QString kLong = "Dr. Bartholomew Featherstonehaugh-Worthington [PRV000123]";
const QString kShort = "Ann [7]";

struct ComboFixture {
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    TooltipComboBox* combo = new TooltipComboBox(window.get());

    ComboFixture() {
        combo->setGeometry(20, 20, 120, 24);
        combo->addItems({kShort, kLong, "Mid length name [55]"});
        ShowAt(*window, 400, 300);
    }
    void MoveInsideTextArea() const { MovePointer(combo, combo->TextArea().center()); }
    int PopupWidth() const {
        combo->showPopup();
        const int width = combo->view()->window()->width();
        combo->hidePopup();
        return width;
    }
};

// A point on the entry that lies inside the (narrow) list; the entry's rectangle spans its text.
QPoint InsideEntry(const QListView& list, const QModelIndex& index) {
    return {10, list.visualRect(index).center().y()};
}

} // namespace

TEST(TooltipComboDropDown, WidthIsWidestTextPlusCharScrollBarAndFramesButNeverNarrower) {
    ComboFixture f;
    const QFontMetrics metrics = f.combo->fontMetrics();
    const int expected = metrics.horizontalAdvance(kLong) + metrics.averageCharWidth() +
                         f.combo->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, f.combo) +
                         2 * f.combo->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, f.combo);
    ASSERT_GT(expected, f.combo->width());
    EXPECT_EQ(f.combo->DropDownWidth(), expected);

    EXPECT_EQ(f.PopupWidth(), expected) << "not applied when dropping down";

    f.combo->removeItem(1);
    f.combo->removeItem(1);
    EXPECT_EQ(f.combo->DropDownWidth(), f.combo->width());
    EXPECT_EQ(f.PopupWidth(), f.combo->width());
}

TEST(TooltipComboTip, TooWideCurrentTextShowsInATooltipShortTextDoesNotSixPixelsOfSlackDecide) {
    ComboFixture f;
    f.combo->setCurrentIndex(0);
    f.MoveInsideTextArea();
    EXPECT_FALSE(f.combo->TooltipVisible()) << "short text needs no tooltip";

    f.combo->setCurrentIndex(1);
    f.MoveInsideTextArea();
    ASSERT_TRUE(f.combo->TooltipVisible());
    EXPECT_EQ(f.combo->TooltipText(), kLong);
    // The tip lies over the text area: one pixel right and three down of its corner.
    const QWidget* tip = f.combo->findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->pos(), f.combo->mapToGlobal(f.combo->TextArea().topLeft() + QPoint(1, 3)));

    // The poll keeps it while the pointer stays, and hides it once the pointer is elsewhere.
    QCursor::setPos(f.combo->mapToGlobal(f.combo->TextArea().center()));
    f.combo->CheckPointer();
    EXPECT_TRUE(f.combo->TooltipVisible());
    QCursor::setPos(f.combo->mapToGlobal(QPoint(0, 200)));
    f.combo->CheckPointer();
    EXPECT_FALSE(f.combo->TooltipVisible());

    // Six pixels of slack decide at the boundary.
    const QFontMetrics metrics = f.combo->fontMetrics();
    const int limit = f.combo->TextArea().width() - 6;
    QString fitting; // the longest row of dots within the area less 6 px, and one dot more
    while (fitting.size() < 500 && metrics.horizontalAdvance(fitting + '.') <= limit) {
        fitting += '.';
    }
    ASSERT_LE(metrics.horizontalAdvance(fitting + '.'), limit + 6) << "font too coarse for this check";
    for (const QString& text : {fitting, fitting + '.'}) {
        f.combo->addItem(text);
        f.combo->setCurrentIndex(f.combo->count() - 1);
        f.MoveInsideTextArea();
        EXPECT_EQ(f.combo->TooltipVisible(), text.size() > fitting.size()) << text.size();
    }
}

TEST(TooltipComboTip, OpenListShowsWideEntriesInABorderlessTooltip) {
    ComboFixture f;
    f.combo->showPopup();
    TooltipListView* list = f.combo->ListView();
    ASSERT_EQ(f.combo->view(), list);
    ASSERT_TRUE(list->isVisible());
    // Narrow the open list so that the long entry does not fit.
    list->window()->resize(130, list->window()->height());
    const QModelIndex longEntry = f.combo->model()->index(1, 0);
    const QModelIndex shortEntry = f.combo->model()->index(0, 0);

    MovePointer(list->viewport(), InsideEntry(*list, longEntry));
    ASSERT_TRUE(list->TooltipVisible());
    EXPECT_EQ(list->TooltipText(), kLong);
    const auto* tip = list->findChild<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->frameShape(), QFrame::NoFrame);

    MovePointer(list->viewport(), InsideEntry(*list, shortEntry));
    EXPECT_FALSE(list->TooltipVisible());
    MovePointer(list->viewport(), InsideEntry(*list, longEntry));
    ASSERT_TRUE(list->TooltipVisible());
    f.combo->hidePopup();
    EXPECT_FALSE(list->TooltipVisible()) << "the tooltip outlived the list";
}
