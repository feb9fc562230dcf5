#include "dialogs/fax/Fax.h"

#include "dialogs/fax/CDlgFax.h"
#include "dialogs/fax/FaxSelection.h"
#include "host/core/Prompts.h"

void Fax::Run() {
    if (desk_.SelectedRows().isEmpty()) {
        Prompts::Information(QStringLiteral("Select a document to fax."));
        return;
    }
    const FaxSelection selection = FaxSelection::FromDesk(desk_);
    if (!selection.refused.isEmpty()) {
        Prompts::Information(FaxSelection::RefusalMessage(selection.refused));
    }
    if (selection.accepted.isEmpty()) {
        return;
    }
    CDlgFax dialog(desk_.DialogParent());
    dialog.SetSelectedReports(selection.accepted, selection.owners);
    dialog.exec();
    if (!dialog.QueuedNote().isEmpty()) {
        desk_.ShowStatus(dialog.QueuedNote()); // the box is dismissed; the line stays
    }
}
