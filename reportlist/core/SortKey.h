#pragma once

#include "reportlist/core/ReportRows.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <optional>
#include <vector>

// The report list's comparison of two cell texts: the row number column by its leading
// integer; two texts that are empty or all digits as integers (empty = 0); two texts that
// read as a date/time in the user's locale chronologically; anything else by the locale's
// case-sensitive collation.
namespace SortKey {

// Milliseconds on a continuous scale (day number * 86400000 + time of day) when the text reads
// as a date, a date and time, or a time of day in one of the accepted formats (fixed US and ISO
// forms plus the locale's short date and date/time formats).
std::optional<qint64> ParseDateTime(QStringView text, const QLocale& locale = QLocale());

// The integer at the start of the text, leading blanks skipped (0 when there is none).
qint64 LeadingInteger(QStringView text);

// <0, 0, >0 as the pairwise rule orders a before b. Slow path for single comparisons; sorting
// works out every cell once (ColumnKeys).
int Compare(const QString& a, const QString& b, bool labelColumn, const QLocale& locale = QLocale());

// A cell text as a list keeps it: its bytes, Latin-1 or UTF-8.
using CellBytes = ReportRows::Bytes;
// Cell i of a column. Its bytes stay valid while the keys are made (a label made from the row
// number, which only the row number column reads, until the next call).
using CellSource = std::function<CellBytes(qsizetype cell)>;

// Everything sorting a column needs of its cells, worked out once: the number or date each cell
// reads as and the place of its text in the collation order. A list keeps it while the column's
// cells and the locale stay as they are, so a second sort of the column parses nothing.
class ColumnKeys {
public:
    ColumnKeys() = default;
    ColumnKeys(qsizetype count, const CellSource& cellAt, bool labelColumn,
               const QLocale& locale = QLocale());

    // Made for this many cells in this locale.
    bool Fits(qsizetype count, const QLocale& locale) const;
    // Stable order of the given cells (indexes into the column, in the list's current order):
    // entry i is the place in cells of the i-th after sorting. Descending reverses the
    // comparison, so cells that compare equal keep their order in both directions.
    QList<int> Order(const std::vector<qint32>& cells, bool ascending) const;

private:
    enum Kind : quint8 { Number, LongNumber, Date, Text };
    struct Key {
        qint64 value = 0; // number (or its rank among long numbers), or date in milliseconds
        qint32 rank = 0;  // place of the text in the collation order
        Kind kind = Text;
    };
    // How two keys compare: by value only (every cell a number, or every cell a date), by rank
    // only (no two numbers or dates), or by value where both are numbers or both dates.
    enum class Mode : quint8 { Values, Ranks, Mixed };

    void ReadNumbersAndDates(const CellSource& cellAt, const QLocale& locale);
    void RankLongNumbers(const CellSource& cellAt);
    void RankTexts(const CellSource& cellAt, const QLocale& locale);

    std::vector<Key> keys_;
    Mode mode_ = Mode::Values;
    QLocale locale_;
};

// Stable permutation of row indexes that sorts the texts; descending reverses the comparison
// (rows that compare equal keep their order in both directions).
QList<int> SortOrder(const QStringList& texts, bool labelColumn, bool ascending,
                     const QLocale& locale = QLocale());

} // namespace SortKey
