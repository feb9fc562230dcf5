#include "dialogs/history/ViewVersion.h"

#include "documents/core/WordAutomation.h"
#include "host/core/ActivityLog.h"

void OpenVersionViewOnly(const QString& path) {
    // Protected for form fields, read-only on disk, and in a LibreOffice profile that keeps no
    // list of recent documents: nothing of the version outlives the desk's folder.
    if (WordAutomation().ViewVersion(path) != WordAutomation::Outcome::Done) {
        WriteLog(QStringLiteral("OnPopDownload: File, ") + path + QStringLiteral(" could not be shown"));
    }
}
