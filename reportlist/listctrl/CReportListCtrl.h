#pragma once

#include "reportlist/core/ReportListModel.h"

#include <QHash>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QTableView>

class SortHeader;
class ReportCellDelegate;

// The report list control: a table view over a ReportListModel that draws its own cells, sorts
// on a header click and shows a tiled background picture. The report list window's list and the
// dialogs' lists are of this class; isReportList selects the report list's rules.
class CReportListCtrl : public QTableView {
    Q_OBJECT
public:
    explicit CReportListCtrl(QWidget* parent = nullptr, bool isReportList = true); // false for dialogs' lists
    ~CReportListCtrl() override;

    ReportListModel* Model() const;
    SortHeader* Header() const;

    void Initialise();                                       // installs SortHeader
    void SetBackgroundImage(const QString& path, bool tile); // tiled picture behind column 0 / empty area
    bool HasBackgroundImage() const;
    void SetHeaderTooltip(int column, const QString& text = {});
    void Sort(int column, bool ascending);
    int SortedColumn() const;
    bool SortedAscending() const;
    QList<int> SelectedRows() const; // in list order
    int FirstSelectedRow() const;    // -1 when none
    // After a load: a data column is as wide as its caption and values need (at least the
    // model's width, at most kMaxContentWidth), unless the user dragged it, which wins.
    void ApplyColumnWidths();
    static constexpr int kMaxContentWidth = 600;

signals:
    void RowDoubleClicked(int row);
    void ContextMenuRequestedAt(const QPoint& globalPos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void OnHeaderClicked(int column);
    void OnModelReset();
    void ApplySort();
    void ApplyLocks();
    QPoint MenuPointForKeyboard() const;
    int ContentWidth(int column, int firstRow, int lastRow) const;
    bool FitsContent(int column) const; // neither fixed, hidden nor dragged by the user
    void WidenForRows(int firstRow, int lastRow);
    void RememberDraggedWidth(int column, int oldWidth, int newWidth);

    ReportListModel* model_ = nullptr;
    ReportCellDelegate* delegate_ = nullptr;
    SortHeader* header_ = nullptr;
    bool isReportList_ = true;
    int sortColumn_ = 0;
    bool ascending_ = true;
    QPixmap background_;
    bool tileBackground_ = false;
    QMetaObject::Connection resetConnection_;
    QHash<QString, int> draggedWidths_; // by caption, so they outlive a reload
    bool applyingWidths_ = false;
};
