#include "dialogs/rename/Rename.h"

#include "dialogs/rename/CDlgRenameJobs.h"
#include "host/core/Prompts.h"
#include "reportlist/core/AccessRights.h"
#include "reportlist/core/ReportQuery.h"

void Rename::Run() {
    if (!ReportQuery::IsPendingCode(desk_.State().ReportTypeCode)) {
        Prompts::Information(QStringLiteral("Transcribed files cannot be renamed."));
        return;
    }
    const QList<int> rows = desk_.SelectedRows();
    if (rows.isEmpty()) {
        Prompts::Information(QStringLiteral("Select a file to rename."));
        return;
    }

    QStringList accepted;
    QStringList refused;
    for (const int row : rows) {
        const QString name = desk_.Filename(row);
        if (name.isEmpty()) {
            continue;
        }
        if (!AccessRights::MayRename(desk_.AccessFlags(row))) {
            refused.append(name);
        } else {
            accepted.append(name);
        }
    }

    if (!refused.isEmpty()) {
        QString names;
        for (const QString& name : refused) {
            names += name + QLatin1Char('\n');
        }
        Prompts::Information(refused.size() == 1
                                 ? QStringLiteral("User does not privilege to rename the file ") + names
                                 : QStringLiteral("User does not privilege to rename these files\n") + names);
    }
    if (accepted.isEmpty()) {
        return;
    }

    CDlgRenameJobs dialog(desk_.DialogParent());
    dialog.SetJobNames(accepted);
    if (dialog.exec() == QDialog::Accepted) {
        desk_.DeleteAllRows();
        desk_.RunQuery();
    }
}
