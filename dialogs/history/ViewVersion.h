#pragma once

#include <QString>

// Shows an earlier version of a report to the user, read-only. The version is already a local
// file; the user can look at it but not change the report through it.
void OpenVersionViewOnly(const QString& path);
