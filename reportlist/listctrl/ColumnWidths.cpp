// Column widths: a list's values are shown whole where the room allows ("412..." tells a
// physician nothing about an MRN), and a width the user dragged is kept over reloads.
#include "reportlist/listctrl/CReportListCtrl.h"
#include "widgets/SortHeader.h"

#include <algorithm>

namespace {

constexpr int kLastLockedColumn = 5; // "Sr.#" and the five status columns keep their widths
constexpr int kMeasuredRows = 500;   // enough to see a column's values; bounded on long lists
constexpr int kCellPadding = 12;     // the cell's text margins and a little air

} // namespace

int CReportListCtrl::ContentWidth(int column, int firstRow, int lastRow) const {
    const QFontMetrics metrics = fontMetrics();
    int widest = 0;
    for (int row = std::max(0, firstRow); row <= std::min(lastRow, kMeasuredRows - 1); ++row) {
        widest = std::max(widest, metrics.horizontalAdvance(model_->CellText(row, column)) + kCellPadding);
    }
    return std::min(widest, kMaxContentWidth);
}

bool CReportListCtrl::FitsContent(int column) const {
    const int given = model_->ColumnWidth(column);
    return !(isReportList_ && column <= kLastLockedColumn) && given > 0 && !isColumnHidden(column) &&
           !draggedWidths_.contains(model_->ColumnCaption(column));
}

void CReportListCtrl::ApplyColumnWidths() {
    applyingWidths_ = true;
    for (int c = 0; c < model_->columnCount(); ++c) {
        const int given = model_->ColumnWidth(c);
        const auto dragged = draggedWidths_.constFind(model_->ColumnCaption(c));
        if (dragged != draggedWidths_.cend()) {
            setColumnWidth(c, *dragged);
        } else if (FitsContent(c)) {
            const int caption = std::min(header_->sectionSizeHint(c), kMaxContentWidth);
            setColumnWidth(c, std::max({given, caption, ContentWidth(c, 0, model_->rowCount() - 1)}));
        } else {
            setColumnWidth(c, given); // fixed columns, and those kept out of sight
        }
    }
    applyingWidths_ = false;
}

void CReportListCtrl::WidenForRows(int firstRow, int lastRow) {
    // The dialogs' lists get their rows one by one after their columns.
    applyingWidths_ = true;
    for (int c = 0; c < model_->columnCount(); ++c) {
        if (FitsContent(c)) {
            const int needed = ContentWidth(c, firstRow, lastRow);
            if (needed > columnWidth(c)) {
                setColumnWidth(c, needed);
            }
        }
    }
    applyingWidths_ = false;
}

void CReportListCtrl::RememberDraggedWidth(int column, int /*oldWidth*/, int newWidth) {
    if (!applyingWidths_ && newWidth > 0 && column < model_->columnCount()) {
        draggedWidths_.insert(model_->ColumnCaption(column), newWidth);
    }
}
