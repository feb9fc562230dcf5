#pragma once

#include <QString>

// The rights a report row's "Privileges" text grants (DeskContext::AccessFlags): one '1' or '0'
// per right, by position. Each right keeps its own reading: most need a '1' at their place, while
// Fax and Rename refuse only an explicit '0', so a shorter text lets them through.
namespace AccessRights {

bool MayView(const QString& flags);       // position 0
bool MayPrint(const QString& flags);      // position 1
bool MayFax(const QString& flags);        // position 2, refused only by '0'
bool MayEdit(const QString& flags);       // position 4: open for editing, edit demographics
bool MaySeeHistory(const QString& flags); // view or edit
bool MayRename(const QString& flags);     // position 5, refused only by '0'

} // namespace AccessRights
