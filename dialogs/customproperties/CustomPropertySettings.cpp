#include "dialogs/customproperties/CustomPropertySettings.h"

#include "dialogs/customproperties/CDlgCustomProperties.h"
#include "dialogs/customproperties/ColumnOrder.h"
#include "host/core/ActivityLog.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "transport/gui/CDlgPleaseWait.h"
#include "transport/scripts/ServerAnswer.h"
#include "transport/scripts/ServerScripts.h"

void CustomPropertySettings::Run() {
    const QString url = CustomPropertiesRequest{Session().LoggedUserId()}.Address();
    WriteLog(QStringLiteral("OnPopCustomproperty: URL, ") + url);
    // Only this download's own file: after a failed one the dialog starts empty instead of showing
    // another feature's list (the fax dialog's contacts) as properties.
    const QString listFile = CDlgPleaseWait::DownloadList(url);
    QString keys;
    {
        CDlgCustomProperties dialog(desk_.DialogParent());
        dialog.SetListFile(listFile);
        if (dialog.exec() != QDialog::Accepted) {
            return;
        }
        keys = dialog.KeyList();
    }
    const QString orderUrl = ColumnOrder::OrderUrl(keys);
    WriteLog(QStringLiteral("UpdateStatus: confirmation URL, ") + orderUrl);
    const ServerAnswer answer = GetShortAnswer(orderUrl, std::nullopt);
    if (!answer.sent || !answer.Accepted()) {
        WriteLog(QStringLiteral("CP re-ordering list could not be sent"));
        Prompts::Error(answer.response);
        return;
    }
    WriteLog(QStringLiteral("CP re-ordering list sent"));
    Prompts::Information(QStringLiteral("Custom Property order saved successfully"));
    desk_.RunQuery();
}
