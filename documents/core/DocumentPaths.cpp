#include "documents/core/DocumentPaths.h"

#include "host/core/CUtility.h"
#include "host/core/NameGate.h"

QString LocalDocumentPath(const QString& reportName) {
    return NameGate::PathInside(CUtility::TempFolder(), reportName, QStringLiteral(".doc"));
}
