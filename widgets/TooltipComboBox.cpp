#include "widgets/TooltipComboBox.h"

#include "widgets/TooltipWindow.h"

#include <QCursor>
#include <QMouseEvent>
#include <QScreen>
#include <QStyle>
#include <QTimer>

namespace {

// The tooltip follows the pointer; this poll notices that the pointer has gone (it may have
// left over another window without a mouse move reaching us).
constexpr int kPointerPollMs = 80;
// Tip position relative to the text area's top-left corner.
constexpr QPoint kTipOffset(1, 3);
// A text is "too wide" when it does not fit the text area less this many pixels.
constexpr int kComboTextSlack = 6;
constexpr int kListTextSlack = 3;

QTimer* MakePoll(QObject* owner) {
    auto* timer = new QTimer(owner);
    timer->setInterval(kPointerPollMs);
    return timer;
}

} // namespace

// ---- TooltipListView ------------------------------------------------------------------------

TooltipListView::TooltipListView(QWidget* parent)
    : QListView(parent), tip_(new TooltipWindow(this, false)), poll_(MakePoll(this)) {
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
    connect(poll_, &QTimer::timeout, this, &TooltipListView::CheckPointer);
}

TooltipListView::~TooltipListView() = default;

bool TooltipListView::TooltipVisible() const {
    return tip_->isVisible();
}

QString TooltipListView::TooltipText() const {
    return tip_->text();
}

void TooltipListView::TrackPoint(const QPoint& viewportPos) {
    const QModelIndex index = indexAt(viewportPos);
    if (!index.isValid()) {
        HideTip();
        return;
    }
    const QString text = index.data(Qt::DisplayRole).toString();
    if (fontMetrics().horizontalAdvance(text) <= viewport()->width() - kListTextSlack) {
        HideTip();
        return;
    }
    const QRect item = visualRect(index);
    tip_->ShowText(text, viewport()->mapToGlobal(item.topLeft()), font(), true);
    poll_->start();
}

void TooltipListView::CheckPointer() {
    if (!tip_->isVisible()) {
        poll_->stop();
        return;
    }
    const QPoint local = viewport()->mapFromGlobal(QCursor::pos());
    if (!isVisible() || !viewport()->rect().contains(local)) {
        HideTip();
    }
}

void TooltipListView::HideTip() {
    poll_->stop();
    tip_->hide();
}

void TooltipListView::mouseMoveEvent(QMouseEvent* event) {
    TrackPoint(event->position().toPoint());
    QListView::mouseMoveEvent(event);
}

void TooltipListView::hideEvent(QHideEvent* event) {
    HideTip();
    QListView::hideEvent(event);
}

// ---- TooltipComboBox ------------------------------------------------------------------------

TooltipComboBox::TooltipComboBox(QWidget* parent)
    : QComboBox(parent), list_(new TooltipListView(this)), tip_(new TooltipWindow(this, true)),
      poll_(MakePoll(this)) {
    setView(list_);
    setMouseTracking(true);
    connect(poll_, &QTimer::timeout, this, &TooltipComboBox::CheckPointer);
}

TooltipComboBox::~TooltipComboBox() = default;

int TooltipComboBox::DropDownWidth() const {
    const QFontMetrics metrics = fontMetrics();
    const int items = count();
    int widest = 0;
    for (int i = 0; i < items; ++i) {
        widest = std::max(widest, metrics.horizontalAdvance(itemText(i)));
    }
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    return std::max(width(), widest + metrics.averageCharWidth() + scrollBar + 2 * frame);
}

QRect TooltipComboBox::TextArea() const {
    const int button = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this) + 2;
    QRect area = rect();
    if (isRightToLeft()) {
        area.setLeft(area.left() + button);
    } else {
        area.setRight(area.right() - button);
    }
    return area;
}

bool TooltipComboBox::TooltipVisible() const {
    return tip_->isVisible();
}

QString TooltipComboBox::TooltipText() const {
    return tip_->text();
}

void TooltipComboBox::TrackPoint(const QPoint& pos) {
    const QRect area = TextArea();
    if (!area.contains(pos)) {
        return;
    }
    const QString text = currentText();
    if (fontMetrics().horizontalAdvance(text) > area.width() - kComboTextSlack) {
        tip_->ShowText(text, mapToGlobal(area.topLeft() + kTipOffset), font(), hasFocus());
        poll_->start();
    } else {
        HideTip();
    }
}

void TooltipComboBox::CheckPointer() {
    if (!tip_->isVisible()) {
        poll_->stop();
        return;
    }
    if (!isVisible() || !TextArea().contains(mapFromGlobal(QCursor::pos()))) {
        HideTip();
    }
}

void TooltipComboBox::HideTip() {
    poll_->stop();
    tip_->hide();
}

void TooltipComboBox::showPopup() {
    HideTip();
    QComboBox::showPopup();
    QWidget* popup = view()->window();
    if (popup == window()) {
        return;
    }
    QRect geometry = popup->geometry();
    const int wanted = DropDownWidth();
    if (geometry.width() == wanted) {
        return;
    }
    const int anchor = isRightToLeft() ? geometry.right() : geometry.left();
    geometry.setWidth(wanted);
    if (isRightToLeft()) {
        geometry.moveRight(anchor);
    }
    // Keep the widened list on the screen the box is on.
    if (const QScreen* screen = this->screen()) {
        const QRect available = screen->availableGeometry();
        if (geometry.right() > available.right()) {
            geometry.moveRight(available.right());
        }
        if (geometry.left() < available.left()) {
            geometry.moveLeft(available.left());
        }
    }
    popup->setGeometry(geometry);
}

void TooltipComboBox::mouseMoveEvent(QMouseEvent* event) {
    TrackPoint(event->position().toPoint());
    QComboBox::mouseMoveEvent(event);
}

void TooltipComboBox::hideEvent(QHideEvent* event) {
    HideTip();
    QComboBox::hideEvent(event);
}

void TooltipComboBox::focusInEvent(QFocusEvent* event) {
    QComboBox::focusInEvent(event);
    if (tip_->isVisible()) {
        tip_->ShowText(tip_->text(), tip_->pos(), font(), true);
    }
}

void TooltipComboBox::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    if (tip_->isVisible()) {
        tip_->ShowText(tip_->text(), tip_->pos(), font(), false);
    }
}
