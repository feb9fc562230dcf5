#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The server's version list: one earlier version per line, "|"-separated fields (version file
// name, transcribed, revised, the server's name of the version file).
namespace VersionList {

// The list's rows: the 1-based line number, then up to four fields. Empty fields are dropped
// (the later ones move left); a line without "|" gives its number only. At most kMaxLines
// (10,000) lines are read; a line over 64 KiB is skipped whole and logged (AnswerLines). A row whose version
// name or server file name the names rule refuses is left out and logged; refused counts them.
inline constexpr int kMaxLines = 10000;
bool Read(const QString& path, QList<QStringList>& rows, int* refused = nullptr);

} // namespace VersionList
