#include "documents/core/DocumentPaths.h"

#include "host/core/CUtility.h"

QString LocalDocumentPath(const QString& reportName) {
    return CUtility().TempFolder() + reportName + QStringLiteral(".doc");
}
