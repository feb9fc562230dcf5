#pragma once

#include <QColor>
#include <QFontMetrics>
#include <QRect>
#include <QString>
#include <QStyledItemDelegate>

// Draws the cells of a report list: row shading, white on the selection, green status dots in
// image columns, single-line elided text with "&" shown as it is. Column 0 (label and row icon)
// is drawn the ordinary way.
class ReportCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr QColor kShadedRow{229, 229, 229};
    static constexpr QColor kDot{0, 127, 0};

    explicit ReportCellDelegate(QObject* parent = nullptr);

    // The text as a cell shows it in the given width.
    static QString ShownText(const QFontMetrics& metrics, const QString& text, int width);
    // Where a status dot is drawn in a cell.
    static QRect DotRect(const QRect& cell);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
