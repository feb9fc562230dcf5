#pragma once

#include "reportlist/core/FileListFormat.h"
#include "reportlist/core/ReportRecord.h"
#include "reportlist/core/ReportRows.h"
#include "reportlist/core/SortKey.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <vector>

// The rows and columns of a report list: the report list window's and the dialogs' lists.
// Column 0 is the row label; in the report list columns 1..5 are the status columns (header
// image, "O" drawn as a dot) and the data columns follow; a dialog's list has no status
// columns. The rows stay in the order they came in (ReportRows); sorting reorders a list of
// them, so each row's values travel with it.
class ReportListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Roles { StatusDotRole = Qt::UserRole + 1, ColumnWidthRole, IsImageColumnRole };
    static constexpr int kStatusColumns = 5; // columns 1..5

    explicit ReportListModel(QObject* parent = nullptr);

    void SetDefaultColumns(); // the nine default columns
    // Replaces columns (when it has a first record) and rows; a list without records changes
    // nothing.
    void Load(const ParsedFileList& list, bool pending);
    void Load(ParsedFileList&& list, bool pending);
    void ClearRows();
    void SetColumns(const QStringList& captions, const QList<int>& widths); // plain lists (dialogs)
    void AppendRow(const QStringList& cells); // plain lists (dialogs); cell 0 is the label

    int rowCount(const QModelIndex& = {}) const override;
    int columnCount(const QModelIndex& = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    // DisplayRole caption, ToolTipRole, DecorationRole (status image), AccessibleTextRole.
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    ReportRecord Record(int row) const; // an empty record for a row out of range
    QString CellText(int row, int column) const;
    void SetCellText(int row, int column, const QString& text); // e.g. "O" for a status dot
    QString ColumnCaption(int column) const;
    int ColumnWidth(int column) const;
    bool IsImageColumn(int column) const; // header shows an image (status columns)
    int StatusColumnCount() const;        // 5 in the report list, 0 in a dialog's list
    int FindFilenameColumn() const;       // caption trimmed == "Filename", case-sensitive; -1

    // Per-row lists in current row order (the window's AccessFlags/EsignOwner/ActivityFlags).
    QStringList AccessFlags() const;
    QStringList EsignOwner() const;
    QStringList ActivityFlags() const;

    // Rows carry their values. A data column's sort keys are kept until its cells change.
    void Sort(int column, bool ascending);
    void SetRowIcon(const QString& resource); // image 0: ":/icons/row-transcribed.svg" / row-pending
    QString RowIcon() const;
    // ToolTipRole only: a header tooltip.
    bool setHeaderData(int section, Qt::Orientation o, const QVariant& value, int role) override;

    // Images are named by resource; the widget layer turns a name into what DecorationRole
    // returns (an icon). Without a factory DecorationRole gives the resource name.
    using DecorationFactory = std::function<QVariant(const QString& resource)>;
    void SetDecorationFactory(DecorationFactory factory);

private:
    // One per-row value (a position of ReportRows) of every row, in current row order.
    QStringList PerRow(int position) const;
    struct Column {
        QString caption;
        QString tooltip; // status columns: "Opened" ...
        QString image;   // status columns: header image resource
        int width = 0;
    };

    void SetReportColumns(const QList<FileListColumn>& dataColumns, int labelWidth, int statusWidth);
    QVariant Decoration(const QString& resource) const;
    bool IsStatusColumn(int column) const { return column >= 1 && column <= statusColumns_; }
    // The ReportRows position of a data column's values.
    int ValuePosition(int column) const { return column - 1 - statusColumns_ + ReportRows::kFirstValue; }
    bool IsRow(int row) const { return row >= 0 && row < static_cast<int>(order_.size()); }
    qsizetype RowAt(int row) const { return order_[static_cast<size_t>(row)]; }
    const SortKey::ColumnKeys& KeysOf(int column, SortKey::ColumnKeys& uncached);
    void ForgetKeys();

    QList<Column> columns_;
    ReportRows rows_;
    std::vector<qint32> order_;             // shown row -> row of rows_
    std::vector<SortKey::ColumnKeys> keys_; // per column; empty until the column is sorted
    int statusColumns_ = 0;
    QString rowIconResource_;
    DecorationFactory decorationFactory_;
    mutable QHash<QString, QVariant> decorations_; // made once per resource
};
