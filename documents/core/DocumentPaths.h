#pragma once

#include <QString>

// Where a report's document lives while the desk works on it: TempFolder + name + ".doc".
QString LocalDocumentPath(const QString& reportName);
