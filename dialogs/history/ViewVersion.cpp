#include "dialogs/history/ViewVersion.h"

#include "documents/core/WordAutomation.h"

void OpenVersionViewOnly(const QString& path) {
    // The engine protects the copy for form fields, saves it as RTF and opens it read-only.
    WordAutomation().ViewOnly(path);
}
