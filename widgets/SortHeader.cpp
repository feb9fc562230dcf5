#include "widgets/SortHeader.h"

#include <QPainter>
#include <QPolygon>
#include <QStyle>
#include <QStyleOptionHeader>

SortHeader::SortHeader(Qt::Orientation orientation, QWidget* parent) : QHeaderView(orientation, parent) {
    setSectionsClickable(true);
    setHighlightSections(false);
    // The mark is ours; the style's indicator would be a second one.
    setSortIndicatorShown(false);
    // Sections come and go with the model; a locked index stays locked for the new columns.
    connect(this, &QHeaderView::sectionCountChanged, this, [this](int, int) { ApplyLocks(); });
}

void SortHeader::SetSortColumn(int column, bool ascending) {
    sortColumn_ = column < 0 ? -1 : column;
    ascending_ = ascending;
    viewport()->update();
}

int SortHeader::SortColumn() const {
    return sortColumn_;
}

bool SortHeader::SortAscending() const {
    return ascending_;
}

void SortHeader::SetNoMarkColumns(const QSet<int>& columns) {
    noMark_ = columns;
    viewport()->update();
}

bool SortHeader::HasSortMark(int logicalIndex) const {
    return sortColumn_ >= 0 && logicalIndex == sortColumn_ && !noMark_.contains(logicalIndex);
}

void SortHeader::LockColumn(int index) {
    if (index < 0) {
        return;
    }
    locked_.insert(index);
    ApplyLocks();
}

void SortHeader::UnlockColumn(int index) {
    if (!locked_.remove(index)) {
        return;
    }
    const auto saved = savedModes_.find(index);
    if (saved != savedModes_.end()) {
        if (index < count()) {
            setSectionResizeMode(index, saved.value());
        }
        savedModes_.erase(saved);
    }
}

void SortHeader::SetLocking(bool on) {
    locking_ = on;
    ApplyLocks();
}

bool SortHeader::IsLocked(int index) const {
    return locked_.contains(index);
}

// A fixed section can be neither dragged nor double-click fitted, and the header shows no
// resize cursor over it or over its divider.
void SortHeader::ApplyLocks() {
    const int sections = count();
    for (const int index : std::as_const(locked_)) {
        if (index >= sections) {
            continue;
        }
        const ResizeMode mode = sectionResizeMode(index);
        if (locking_) {
            if (mode != Fixed) {
                savedModes_.insert(index, mode);
                setSectionResizeMode(index, Fixed);
            }
        } else {
            const auto saved = savedModes_.find(index);
            if (saved != savedModes_.end()) {
                setSectionResizeMode(index, saved.value());
                savedModes_.erase(saved);
            }
        }
    }
}

QRect SortHeader::MarkRect(const QRect& sectionRect) const {
    const int quarter = sectionRect.height() / 4;
    const int side = std::max(2, sectionRect.height() - 2 * quarter);
    const int top = sectionRect.top() + quarter;
    const int left =
        isRightToLeft() ? sectionRect.left() + quarter : sectionRect.right() + 1 - quarter - side;
    return {left, top, side, side};
}

void SortHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (HasSortMark(logicalIndex) && orientation() == Qt::Horizontal) {
        PaintSortedSection(painter, rect, logicalIndex);
        return;
    }
    if (isSortIndicatorShown() && logicalIndex == sortIndicatorSection()) {
        // A view with sorting enabled turns the style's indicator on; ours is the only mark.
        QStyleOptionHeaderV2 option;
        initStyleOptionForIndex(&option, logicalIndex);
        option.rect = rect;
        option.sortIndicator = QStyleOptionHeader::None;
        option.textElideMode = textElideMode();
        painter->save();
        style()->drawControl(QStyle::CE_Header, &option, painter, this);
        painter->restore();
        return;
    }
    QHeaderView::paintSection(painter, rect, logicalIndex);
}

void SortHeader::PaintSortedSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    QStyleOptionHeader option;
    initStyleOptionForIndex(&option, logicalIndex);
    option.rect = rect;
    option.sortIndicator = QStyleOptionHeader::None;
    painter->save();
    painter->setClipRect(rect);
    style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);

    const bool pressed = option.state & QStyle::State_Sunken;
    const int shift = pressed ? 1 : 0;
    const int margin = rect.height() / 4;
    QRect mark = MarkRect(rect).translated(shift, shift);
    QRect textArea = rect.adjusted(margin, 0, -margin, 0);
    if (isRightToLeft()) {
        textArea.setLeft(mark.right() + 1 + margin);
    } else {
        textArea.setRight(mark.left() - 1 - margin);
    }
    textArea.translate(shift, shift);

    if (!option.icon.isNull() && textArea.width() > 0) {
        const int side = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
        const QRect iconRect = QStyle::alignedRect(layoutDirection(), Qt::AlignLeft | Qt::AlignVCenter,
                                                   QSize(side, side), textArea);
        option.icon.paint(painter, iconRect);
        if (isRightToLeft()) {
            textArea.setRight(iconRect.left() - margin);
        } else {
            textArea.setLeft(iconRect.right() + 1 + margin);
        }
    }
    if (textArea.width() > 0) {
        const QString shown = fontMetrics().elidedText(option.text, Qt::ElideRight, textArea.width());
        const Qt::Alignment horizontal = option.textAlignment & Qt::AlignHorizontal_Mask;
        style()->drawItemText(painter, textArea, int(horizontal | Qt::AlignVCenter) | Qt::TextSingleLine,
                              option.palette, isEnabled(), shown, QPalette::ButtonText);
    }

    // Outlined triangle: lit on one side, shadowed on the other, like a raised edge. The deeper
    // shadow keeps the mark readable on the flat, light headers of current styles.
    const QPoint apexUp(mark.center().x(), mark.top());
    const QPoint apexDown(mark.center().x(), mark.bottom());
    const QPen light(option.palette.color(QPalette::Light));
    const QPen shadow(option.palette.color(QPalette::Shadow).darker(160));
    painter->setRenderHint(QPainter::Antialiasing, false);
    if (ascending_) {
        painter->setPen(shadow);
        painter->drawLine(mark.bottomLeft(), apexUp);
        painter->setPen(light);
        painter->drawLine(apexUp, mark.bottomRight());
        painter->drawLine(mark.bottomRight(), mark.bottomLeft());
    } else {
        painter->setPen(shadow);
        painter->drawLine(mark.topRight(), mark.topLeft());
        painter->drawLine(mark.topLeft(), apexDown);
        painter->setPen(light);
        painter->drawLine(apexDown, mark.topRight());
    }
    painter->restore();
}
