#include "documents/common/OpenDocumentGuard.h"

#include "documents/core/DocumentPaths.h"
#include "host/core/Prompts.h"

bool RefuseWhileDocumentOpen(DeskContext& desk) {
    const QString& name = desk.State().OpenDocumentName;
    if (name.isEmpty()) {
        return false;
    }
    Prompts::Information(QStringLiteral("Currently opened document, ") + LocalDocumentPath(name) +
                         QStringLiteral(", needs to be closed before opening another one."));
    return true;
}
