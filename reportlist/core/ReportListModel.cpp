#include "reportlist/core/ReportListModel.h"

#include <numeric>
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
    rows_.Clear();
    order_.clear();
    ForgetKeys();
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
    rows_ = std::move(list.rows);
    order_.resize(static_cast<size_t>(rows_.Count()));
    std::iota(order_.begin(), order_.end(), 0);
    order_.shrink_to_fit();
    ForgetKeys();
    endResetModel();
}

void ReportListModel::ClearRows() {
    if (order_.empty()) {
        return;
    }
    beginResetModel();
    rows_.Clear();
    order_.clear();
    ForgetKeys();
    endResetModel();
}

void ReportListModel::SetColumns(const QStringList& captions, const QList<int>& widths) {
    beginResetModel();
    columns_.clear();
    for (qsizetype i = 0; i < captions.size(); ++i) {
        columns_.append({captions[i], {}, {}, i < widths.size() ? widths[i] : 0});
    }
    statusColumns_ = 0;
    rows_.Clear();
    order_.clear();
    ForgetKeys();
    endResetModel();
}

void ReportListModel::AppendRow(const QStringList& cells) {
    quint8 dots = 0;
    for (int k = 0; k < statusColumns_; ++k) {
        if (cells.value(1 + k) == Dot()) {
            dots = static_cast<quint8>(dots | (1u << k));
        }
    }
    // A plain list's rows have no access flags, owner or activity flags.
    QStringList texts(ReportRows::kFirstValue);
    const qsizetype firstValue = 1 + statusColumns_;
    if (cells.size() > firstValue) {
        texts.append(cells.mid(firstValue));
    }
    const int row = static_cast<int>(order_.size());
    beginInsertRows({}, row, row);
    rows_.Append(cells.value(0), texts, dots);
    order_.push_back(static_cast<qint32>(rows_.Count() - 1));
    ForgetKeys();
    endInsertRows();
}

int ReportListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(order_.size());
}

int ReportListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant ReportListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !IsRow(index.row()) || index.column() >= columns_.size()) {
        return {};
    }
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return CellText(index.row(), column);
    case Qt::AccessibleTextRole:
        // A dot reads as what it stands for.
        if (IsStatusColumn(column)) {
            return data(index, StatusDotRole).toBool() ? columns_[column].tooltip : QString();
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
        return IsStatusColumn(column) && (rows_.Dots(RowAt(index.row())) & (1u << (column - 1))) != 0;
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

ReportRecord ReportListModel::Record(int row) const {
    // A row that is gone (the list was reloaded meanwhile) reads as an empty record.
    return IsRow(row) ? rows_.Record(RowAt(row)) : ReportRecord();
}

QString ReportListModel::CellText(int row, int column) const {
    if (!IsRow(row) || column < 0 || column >= columns_.size()) {
        return {};
    }
    if (column == 0) {
        return rows_.Text(RowAt(row), ReportRows::kLabel);
    }
    if (IsStatusColumn(column)) {
        return (rows_.Dots(RowAt(row)) & (1u << (column - 1))) != 0 ? Dot() : QString();
    }
    return rows_.Text(RowAt(row), ValuePosition(column));
}

void ReportListModel::SetCellText(int row, int column, const QString& text) {
    if (!IsRow(row) || column < 0 || column >= columns_.size()) {
        return;
    }
    const qsizetype at = RowAt(row);
    if (column == 0) {
        rows_.SetText(at, ReportRows::kLabel, text);
    } else if (IsStatusColumn(column)) {
        // A status column holds a dot or nothing.
        const quint8 bit = static_cast<quint8>(1u << (column - 1));
        const quint8 dots = rows_.Dots(at);
        rows_.SetDots(at, static_cast<quint8>(text == Dot() ? (dots | bit) : (dots & ~bit)));
    } else {
        rows_.SetText(at, ValuePosition(column), text);
    }
    if (static_cast<size_t>(column) < keys_.size()) {
        keys_[static_cast<size_t>(column)] = {};
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

QStringList ReportListModel::PerRow(int position) const {
    QStringList list;
    list.reserve(static_cast<qsizetype>(order_.size()));
    for (const qint32 at : order_) {
        list.append(rows_.Text(at, position));
    }
    return list;
}

QStringList ReportListModel::AccessFlags() const {
    return PerRow(0);
}

QStringList ReportListModel::EsignOwner() const {
    return PerRow(1);
}

QStringList ReportListModel::ActivityFlags() const {
    return PerRow(2);
}

void ReportListModel::ForgetKeys() {
    keys_.clear();
}

const SortKey::ColumnKeys& ReportListModel::KeysOf(int column, SortKey::ColumnKeys& uncached) {
    const QLocale locale;
    const qsizetype count = rows_.Count();
    // Only the data columns' keys are kept: they are what needs parsing (dates, numbers) and
    // collating. The row number and the dots are read again at each sort.
    const bool keep = column > statusColumns_;
    if (keep && static_cast<size_t>(column) < keys_.size() &&
        keys_[static_cast<size_t>(column)].Fits(count, locale)) {
        return keys_[static_cast<size_t>(column)];
    }
    SortKey::CellSource cellAt;
    if (IsStatusColumn(column)) {
        cellAt = [this, bit = 1u << (column - 1)](qsizetype at) {
            return SortKey::CellBytes{(rows_.Dots(at) & bit) != 0 ? QByteArrayView("O") : QByteArrayView()};
        };
    } else {
        cellAt = [this, position = column == 0 ? ReportRows::kLabel : ValuePosition(column)](qsizetype at) {
            return rows_.TextBytes(at, position);
        };
    }
    SortKey::ColumnKeys keys(count, cellAt, column == 0, locale);
    if (!keep) {
        uncached = std::move(keys);
        return uncached;
    }
    if (keys_.size() <= static_cast<size_t>(column)) {
        keys_.resize(static_cast<size_t>(column) + 1);
    }
    keys_[static_cast<size_t>(column)] = std::move(keys);
    return keys_[static_cast<size_t>(column)];
}

void ReportListModel::Sort(int column, bool ascending) {
    if (column < 0 || column >= columns_.size() || order_.size() < 2) {
        return;
    }
    SortKey::ColumnKeys uncached;
    const QList<int> order = KeysOf(column, uncached).Order(order_, ascending);

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<qint32> sorted(order_.size());
    QList<int> newRowOf(static_cast<qsizetype>(order_.size()));
    for (qsizetype i = 0; i < order.size(); ++i) {
        sorted[static_cast<size_t>(i)] = order_[static_cast<size_t>(order[i])];
        newRowOf[order[i]] = static_cast<int>(i);
    }
    order_ = std::move(sorted);
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
    if (!order_.empty()) {
        emit dataChanged(index(0, 0), index(static_cast<int>(order_.size()) - 1, 0), {Qt::DecorationRole});
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
