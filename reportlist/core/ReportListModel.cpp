#include "reportlist/core/ReportListModel.h"

#include "reportlist/core/SortKey.h"

#include <utility>

namespace {

struct StatusColumn {
    const char16_t* caption; // kept, never shown: the header shows the image
    const char16_t* tooltip;
    const char16_t* image;
};

// Columns 1..5 in header order.
constexpr StatusColumn kStatusColumnInfo[ReportListModel::kStatusColumns] = {
    {u"Op", u"Opened", u":/icons/status-opened.svg"},
    {u"Pr", u"Printed", u":/icons/status-printed.svg"},
    {u"Fa", u"Faxed", u":/icons/status-faxed.svg"},
    {u"Fo", u"Forwarded", u":/icons/status-forwarded.svg"},
    {u"Es", u"E-Signed", u":/icons/status-esigned.svg"},
};

constexpr int kDefaultLabelWidth = 40;
constexpr int kLoadedLabelWidth = 50;
constexpr int kStatusWidth = 30;
// Width of a default data column per caption character.
constexpr int kPixelsPerCharacter = 8;

const QString& Dot() {
    static const QString dot = QStringLiteral("O");
    return dot;
}

const QString& LabelCaption() {
    static const QString caption = QStringLiteral("Sr.#");
    return caption;
}

} // namespace

ReportListModel::ReportListModel(QObject* parent) : QAbstractTableModel(parent) {}

void ReportListModel::SetReportColumns(const QList<FileListColumn>& dataColumns, int labelWidth,
                                       int statusWidth) {
    columns_.clear();
    columns_.append({LabelCaption(), {}, {}, labelWidth});
    for (const StatusColumn& status : kStatusColumnInfo) {
        columns_.append({QString::fromUtf16(status.caption), QString::fromUtf16(status.tooltip),
                         QString::fromUtf16(status.image), statusWidth});
    }
    for (const FileListColumn& column : dataColumns) {
        columns_.append({column.caption, {}, {}, column.width});
    }
    statusColumns_ = kStatusColumns;
}

void ReportListModel::SetDefaultColumns() {
    static const QString captions[] = {QStringLiteral("Dictation Date/Time"), QStringLiteral("Report Name"),
                                       QStringLiteral("Download Date")};
    QList<FileListColumn> data;
    for (const QString& caption : captions) {
        data.append({caption, caption, kPixelsPerCharacter * static_cast<int>(caption.size())});
    }
    beginResetModel();
    SetReportColumns(data, kDefaultLabelWidth, kStatusWidth);
    rows_.clear();
    endResetModel();
}

void ReportListModel::Load(const ParsedFileList& list, bool pending) {
    ParsedFileList copy = list;
    Load(std::move(copy), pending);
}

void ReportListModel::Load(ParsedFileList&& list, bool /*pending*/) {
    // A missing or empty file leaves the list as it was; the widths already carry the report
    // type, so nothing else here depends on it.
    if (!list.hasRecords) {
        return;
    }
    beginResetModel();
    SetReportColumns(list.dataColumns, kLoadedLabelWidth, kStatusWidth);
    rows_ = std::move(list.records);
    endResetModel();
}

void ReportListModel::ClearRows() {
    if (rows_.isEmpty()) {
        return;
    }
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void ReportListModel::SetColumns(const QStringList& captions, const QList<int>& widths) {
    beginResetModel();
    columns_.clear();
    for (qsizetype i = 0; i < captions.size(); ++i) {
        columns_.append({captions[i], {}, {}, i < widths.size() ? widths[i] : 0});
    }
    statusColumns_ = 0;
    rows_.clear();
    endResetModel();
}

void ReportListModel::AppendRow(const QStringList& cells) {
    ReportRecord record;
    record.label = cells.value(0);
    const qsizetype firstValue = 1 + statusColumns_;
    for (int k = 0; k < statusColumns_; ++k) {
        if (cells.value(1 + k) == Dot()) {
            record.statusDots = static_cast<quint8>(record.statusDots | (1u << k));
        }
    }
    if (cells.size() > firstValue) {
        record.values = cells.mid(firstValue);
    }
    const int row = static_cast<int>(rows_.size());
    beginInsertRows({}, row, row);
    rows_.append(std::move(record));
    endInsertRows();
}

int ReportListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ReportListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ReportListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size() || index.column() >= columns_.size()) {
        return {};
    }
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return CellText(index.row(), column);
    case Qt::AccessibleTextRole:
        // A dot reads as what it stands for.
        if (IsStatusColumn(column)) {
            return CellText(index.row(), column) == Dot() ? columns_[column].tooltip : QString();
        }
        return CellText(index.row(), column);
    case Qt::DecorationRole:
        if (column == 0 && !rowIconResource_.isEmpty()) {
            return Decoration(rowIconResource_);
        }
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    case StatusDotRole:
        return IsStatusColumn(column) && CellText(index.row(), column) == Dot();
    case IsImageColumnRole:
        return IsImageColumn(column);
    case ColumnWidthRole:
        return ColumnWidth(column);
    default:
        return {};
    }
}

QVariant ReportListModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || section < 0 || section >= columns_.size()) {
        return {};
    }
    const Column& column = columns_[section];
    switch (role) {
    case Qt::DisplayRole:
        return IsImageColumn(section) ? QString() : column.caption;
    case Qt::ToolTipRole:
        return column.tooltip.isEmpty() ? QVariant() : QVariant(column.tooltip);
    case Qt::AccessibleTextRole:
        return IsImageColumn(section) || column.caption.trimmed().isEmpty() ? column.tooltip : column.caption;
    case Qt::DecorationRole:
        return column.image.isEmpty() ? QVariant() : Decoration(column.image);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(
            Qt::Alignment((IsImageColumn(section) ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter));
    case ColumnWidthRole:
        return column.width;
    case IsImageColumnRole:
        return IsImageColumn(section);
    default:
        return {};
    }
}

bool ReportListModel::setHeaderData(int section, Qt::Orientation o, const QVariant& value, int role) {
    if (o != Qt::Horizontal || role != Qt::ToolTipRole || section < 0 || section >= columns_.size()) {
        return false;
    }
    columns_[section].tooltip = value.toString();
    emit headerDataChanged(o, section, section);
    return true;
}

const ReportRecord& ReportListModel::Record(int row) const {
    // A row that is gone (the list was reloaded meanwhile) reads as an empty record.
    static const ReportRecord none;
    return row >= 0 && row < rows_.size() ? rows_.at(row) : none;
}

QString ReportListModel::CellText(int row, int column) const {
    if (row < 0 || row >= rows_.size() || column < 0 || column >= columns_.size()) {
        return {};
    }
    const ReportRecord& record = rows_.at(row);
    if (column == 0) {
        return record.label;
    }
    if (IsStatusColumn(column)) {
        return (record.statusDots & (1u << (column - 1))) != 0 ? Dot() : QString();
    }
    return record.values.value(column - 1 - statusColumns_);
}

void ReportListModel::SetCellText(int row, int column, const QString& text) {
    if (row < 0 || row >= rows_.size() || column < 0 || column >= columns_.size()) {
        return;
    }
    ReportRecord& record = rows_[row];
    if (column == 0) {
        record.label = text;
    } else if (IsStatusColumn(column)) {
        // A status column holds a dot or nothing.
        const quint8 bit = static_cast<quint8>(1u << (column - 1));
        record.statusDots =
            static_cast<quint8>(text == Dot() ? (record.statusDots | bit) : (record.statusDots & ~bit));
    } else {
        const qsizetype value = column - 1 - statusColumns_;
        if (record.values.size() <= value) {
            record.values.resize(value + 1);
        }
        record.values[value] = text;
    }
    const QModelIndex cell = index(row, column);
    emit dataChanged(cell, cell);
}

QString ReportListModel::ColumnCaption(int column) const {
    return column >= 0 && column < columns_.size() ? columns_[column].caption : QString();
}

int ReportListModel::ColumnWidth(int column) const {
    return column >= 0 && column < columns_.size() ? columns_[column].width : 0;
}

bool ReportListModel::IsImageColumn(int column) const {
    return column >= 0 && column < columns_.size() && !columns_[column].image.isEmpty();
}

int ReportListModel::StatusColumnCount() const {
    return statusColumns_;
}

int ReportListModel::FindFilenameColumn() const {
    for (qsizetype i = 0; i < columns_.size(); ++i) {
        if (columns_[i].caption.trimmed() == u"Filename") {
            return static_cast<int>(i);
        }
    }
    return -1;
}

QStringList ReportListModel::PerRow(QString ReportRecord::*field) const {
    QStringList list;
    list.reserve(rows_.size());
    for (const ReportRecord& record : rows_) {
        list.append(record.*field);
    }
    return list;
}

QStringList ReportListModel::AccessFlags() const {
    return PerRow(&ReportRecord::accessFlags);
}

QStringList ReportListModel::EsignOwner() const {
    return PerRow(&ReportRecord::esignOwner);
}

QStringList ReportListModel::ActivityFlags() const {
    return PerRow(&ReportRecord::activityFlags);
}

void ReportListModel::Sort(int column, bool ascending) {
    if (column < 0 || column >= columns_.size() || rows_.size() < 2) {
        return;
    }
    QStringList texts;
    texts.reserve(rows_.size());
    for (int row = 0; row < rows_.size(); ++row) {
        texts.append(CellText(row, column));
    }
    const QList<int> order = SortKey::SortOrder(texts, column == 0, ascending);
    texts.clear();

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QList<ReportRecord> sorted;
    sorted.reserve(rows_.size());
    QList<int> newRowOf(rows_.size());
    for (qsizetype i = 0; i < order.size(); ++i) {
        sorted.append(std::move(rows_[order[i]]));
        newRowOf[order[i]] = static_cast<int>(i);
    }
    rows_ = std::move(sorted);
    // Selection and current row follow their rows.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& old : before) {
        after.append(index(newRowOf[old.row()], old.column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ReportListModel::SetRowIcon(const QString& resource) {
    rowIconResource_ = resource;
    if (!rows_.isEmpty()) {
        emit dataChanged(index(0, 0), index(static_cast<int>(rows_.size()) - 1, 0), {Qt::DecorationRole});
    }
}

QString ReportListModel::RowIcon() const {
    return rowIconResource_;
}

void ReportListModel::SetDecorationFactory(DecorationFactory factory) {
    decorationFactory_ = std::move(factory);
    decorations_.clear();
}

QVariant ReportListModel::Decoration(const QString& resource) const {
    if (!decorationFactory_) {
        return resource;
    }
    auto it = decorations_.constFind(resource);
    if (it == decorations_.cend()) {
        it = decorations_.insert(resource, decorationFactory_(resource));
    }
    return *it;
}
