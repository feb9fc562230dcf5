#pragma once

#include <QStringList>

// The demographic names the server offers to search on ("qm_searchdemographics.php"): names
// separated by "~", each trimmed, empty ones dropped (as SplitString splits them); an answer
// without "~" is one entry as it stands. At most kMaxNames are kept, so that a huge answer cannot
// fill the drop-down with millions of entries; the cut is logged.
namespace SearchNames {

inline constexpr qsizetype kMaxNames = 10000;

QStringList Parse(const QString& answer);

} // namespace SearchNames
