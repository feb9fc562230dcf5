#include "dialogs/history/ViewVersion.h"

#include "host/core/Shell.h"

#include <QStringList>

void OpenVersionViewOnly(const QString& path) {
    Shell::Get().StartDetached(QStringLiteral("soffice"), {QStringLiteral("--view"), path});
}
