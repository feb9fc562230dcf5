#pragma once

#include <QString>

// Where a report's document lives while the desk works on it: TempFolder + name + ".doc". Empty
// for a name the names rule refuses, so that no path outside the desk's folder is ever built.
QString LocalDocumentPath(const QString& reportName);
