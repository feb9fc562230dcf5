#include "reportlist/listctrl/CReportListCtrl.h"

#include "reportlist/listctrl/ReportCellDelegate.h"
#include "widgets/SortHeader.h"

#include <QContextMenuEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int kLastLockedColumn = 5; // "Sr.#" and the five status columns keep their widths
constexpr int kIconSide = 16;

} // namespace

CReportListCtrl::CReportListCtrl(QWidget* parent, bool isReportList)
    : QTableView(parent), isReportList_(isReportList) {
    model_ = new ReportListModel(this);
    model_->SetDecorationFactory(
        [](const QString& resource) { return QVariant::fromValue(QIcon(resource)); });
    setModel(model_);
    delegate_ = new ReportCellDelegate(this);
    setItemDelegate(delegate_);

    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false); // Tab leaves the list, arrows move in it
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setIconSize(QSize(kIconSide, kIconSide));
    setContextMenuPolicy(Qt::DefaultContextMenu);

    // One height for every row, so a long list lays out in constant time.
    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(std::max(kIconSide + 2, fontMetrics().height() + 4));

    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) {
            emit RowDoubleClicked(index.row());
        }
    });
    Initialise();
}

CReportListCtrl::~CReportListCtrl() = default;

ReportListModel* CReportListCtrl::Model() const {
    return model_;
}

SortHeader* CReportListCtrl::Header() const {
    return header_;
}

void CReportListCtrl::Initialise() {
    if (header_ == nullptr) {
        header_ = new SortHeader(Qt::Horizontal, this);
        setHorizontalHeader(header_);
        header_->setSectionsClickable(true);
        header_->setSectionsMovable(true);
        header_->setStretchLastSection(false);
        header_->setMinimumSectionSize(8);
        header_->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        header_->setTextElideMode(Qt::ElideRight);
        connect(header_, &QHeaderView::sectionClicked, this, &CReportListCtrl::OnHeaderClicked);
        // Cells are drawn by column; after a drag the whole list is drawn again.
        connect(header_, &QHeaderView::sectionMoved, viewport(), qOverload<>(&QWidget::update));
        connect(header_, &QHeaderView::sectionResized, this, &CReportListCtrl::RememberDraggedWidth);
        connect(model_, &QAbstractItemModel::rowsInserted, this,
                [this](const QModelIndex&, int first, int last) { WidenForRows(first, last); });
        // After the header's own reset handling, so the widths set here are the ones that stay.
        disconnect(resetConnection_);
        resetConnection_ =
            connect(model_, &QAbstractItemModel::modelReset, this, &CReportListCtrl::OnModelReset);
    }
    if (isReportList_) {
        QSet<int> status;
        for (int c = 1; c <= ReportListModel::kStatusColumns; ++c) {
            status.insert(c);
        }
        header_->SetNoMarkColumns(status);
    }
    ApplyLocks();
    ApplyColumnWidths();
}

void CReportListCtrl::ApplyLocks() {
    if (!isReportList_) {
        return;
    }
    for (int c = 0; c <= kLastLockedColumn; ++c) {
        header_->LockColumn(c);
    }
    header_->SetLocking(true);
}

void CReportListCtrl::SetBackgroundImage(const QString& path, bool tile) {
    QString file = path;
    if (file.startsWith(u"file://")) {
        file = file.mid(7);
    }
    background_ = QFileInfo::exists(file) ? QPixmap(file) : QPixmap();
    tileBackground_ = tile;
    viewport()->update();
}

bool CReportListCtrl::HasBackgroundImage() const {
    return !background_.isNull();
}

void CReportListCtrl::SetHeaderTooltip(int column, const QString& text) {
    if (column < 0 || column >= model_->columnCount()) {
        return;
    }
    model_->setHeaderData(column, Qt::Horizontal, text.isEmpty() ? model_->ColumnCaption(column) : text,
                          Qt::ToolTipRole);
}

void CReportListCtrl::Sort(int column, bool ascending) {
    if (column < 0 || column >= model_->columnCount()) {
        return;
    }
    sortColumn_ = column;
    ascending_ = ascending;
    ApplySort();
}

int CReportListCtrl::SortedColumn() const {
    return sortColumn_;
}

bool CReportListCtrl::SortedAscending() const {
    return ascending_;
}

void CReportListCtrl::OnHeaderClicked(int column) {
    if (!isReportList_ && column == 0) {
        return;
    }
    ascending_ = column == sortColumn_ ? !ascending_ : true;
    sortColumn_ = column;
    ApplySort();
}

void CReportListCtrl::ApplySort() {
    // The header leaves the status columns of the report list unmarked.
    header_->SetSortColumn(sortColumn_, ascending_);
    model_->Sort(sortColumn_, ascending_);
}

void CReportListCtrl::OnModelReset() {
    // A new list is in file order: sorted ascending by its row number, with no mark shown.
    sortColumn_ = 0;
    ascending_ = true;
    header_->SetSortColumn(-1, true);
    // The new list's columns come in the server's order (a saved column order among them): a
    // drag made on the old list must not shuffle them.
    for (int logical = 0; logical < header_->count(); ++logical) {
        const int visual = header_->visualIndex(logical);
        if (visual != logical) {
            header_->moveSection(visual, logical);
        }
    }
    ApplyLocks();
    ApplyColumnWidths();
}

QList<int> CReportListCtrl::SelectedRows() const {
    QList<int> rows;
    if (selectionModel() == nullptr) {
        return rows;
    }
    const QModelIndexList selected = selectionModel()->selectedRows();
    rows.reserve(selected.size());
    for (const QModelIndex& index : selected) {
        rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

int CReportListCtrl::FirstSelectedRow() const {
    const QList<int> rows = SelectedRows();
    return rows.isEmpty() ? -1 : rows.first();
}

void CReportListCtrl::paintEvent(QPaintEvent* event) {
    if (!background_.isNull()) {
        // Under the cells: it shows in column 0 and below the last row, where no cell is shaded.
        QPainter painter(viewport());
        if (tileBackground_) {
            painter.drawTiledPixmap(viewport()->rect(), background_);
        } else {
            painter.drawPixmap(0, 0, background_);
        }
    }
    QTableView::paintEvent(event);
}

QPoint CReportListCtrl::MenuPointForKeyboard() const {
    const int row = currentIndex().isValid() ? currentIndex().row() : FirstSelectedRow();
    QRect rect = row >= 0 ? visualRect(model_->index(row, 0)) : QRect();
    if (!rect.isValid() || !viewport()->rect().intersects(rect)) {
        rect = QRect(0, 0, 1, 1);
    }
    return viewport()->mapToGlobal(rect.bottomLeft());
}

void CReportListCtrl::contextMenuEvent(QContextMenuEvent* event) {
    emit ContextMenuRequestedAt(event->reason() == QContextMenuEvent::Mouse ? event->globalPos()
                                                                            : MenuPointForKeyboard());
    event->accept();
}

void CReportListCtrl::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    // Entered from the keyboard with no current row, the first Down would go to the second row:
    // the first row becomes current (and selected) instead.
    const bool keyboard = event->reason() == Qt::TabFocusReason ||
                          event->reason() == Qt::BacktabFocusReason ||
                          event->reason() == Qt::ShortcutFocusReason;
    if (keyboard && !currentIndex().isValid() && model_->rowCount() > 0) {
        selectionModel()->setCurrentIndex(model_->index(0, 0),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}

void CReportListCtrl::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() == Qt::NoModifier) {
        // Enter on a row does what a double click does.
        const int row = selectionModel()->isRowSelected(currentIndex().row(), {}) ? currentIndex().row()
                                                                                  : FirstSelectedRow();
        if (row >= 0) {
            emit RowDoubleClicked(row);
        }
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        emit ContextMenuRequestedAt(MenuPointForKeyboard());
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}
