#include "reportlist/listctrl/ReportCellDelegate.h"

#include "reportlist/core/ReportListModel.h"

#include <QPainter>

namespace {

// Room between a cell's edge and its text.
constexpr int kTextMargin = 3;
// The dot fills the cell less these margins.
constexpr int kDotInsetX = 10;
constexpr int kDotInsetY = 3;

} // namespace

ReportCellDelegate::ReportCellDelegate(QObject* parent) : QStyledItemDelegate(parent) {}

QString ReportCellDelegate::ShownText(const QFontMetrics& metrics, const QString& text, int width) {
    // Drawn without mnemonic processing, so "&" stays an ampersand.
    return metrics.elidedText(text, Qt::ElideRight, width);
}

QRect ReportCellDelegate::DotRect(const QRect& cell) {
    return cell.adjusted(kDotInsetX, kDotInsetY, -kDotInsetX, -kDotInsetY);
}

void ReportCellDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() == 0) {
        // The label's blanks only spaced the number from the icon; the layout does that here, and
        // in the narrow column every pixel goes to the digits.
        option->text = option->text.trimmed();
    }
}

void ReportCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    if (index.column() == 0) {
        // The row label with its icon looks like any list item.
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QRect cell = option.rect;
    painter->save();
    if (selected) {
        painter->fillRect(cell, option.palette.color(QPalette::Active, QPalette::Highlight));
    } else {
        painter->fillRect(cell, index.row() % 2 == 0 ? kShadedRow : QColor(Qt::white));
    }
    if (index.data(ReportListModel::StatusDotRole).toBool()) {
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setPen(Qt::NoPen);
        painter->setBrush(selected ? QColor(Qt::white) : kDot);
        painter->drawEllipse(DotRect(cell));
    } else {
        const QString text = index.data(Qt::DisplayRole).toString();
        if (!text.isEmpty()) {
            const QRect area = cell.adjusted(kTextMargin, 0, -kTextMargin, 0);
            painter->setFont(option.font);
            painter->setPen(selected ? QColor(Qt::white) : QColor(Qt::black));
            painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                              ShownText(option.fontMetrics, text, area.width()));
        }
    }
    painter->restore();
}
