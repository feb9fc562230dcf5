#pragma once

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

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
// uses SortOrder, which prepares every cell once.
int Compare(const QString& a, const QString& b, bool labelColumn, const QLocale& locale = QLocale());

// Stable permutation of row indexes that sorts the texts; descending reverses the comparison
// (rows that compare equal keep their order in both directions).
QList<int> SortOrder(const QStringList& texts, bool labelColumn, bool ascending,
                     const QLocale& locale = QLocale());

} // namespace SortKey
