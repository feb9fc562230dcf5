#include "dialogs/customproperties/ColumnOrder.h"

#include "dialogs/addressbook/ServerAnswer.h"
#include "host/core/ActivityLog.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "reportlist/core/FileListFormat.h"

namespace ColumnOrder {

QString KeyList(const QStringList& captions) {
    QString keys;
    for (const QString& caption : captions) {
        const QString key = KeyForCaption(caption).trimmed();
        if (!IsFieldlessCaption(key)) {
            keys += key + QLatin1Char('~');
        }
    }
    return keys;
}

QString OrderUrl(const QString& keyList) {
    return Session().ServerURL() + QStringLiteral("qm_custom_order.php") + QStringLiteral("?physicianid=") +
           Session().LoggedUserId() + QStringLiteral("&props=") + keyList;
}

} // namespace ColumnOrder

void StoreColumnOrder::Run() {
    const QString url = ColumnOrder::OrderUrl(ColumnOrder::KeyList(desk_.ColumnCaptions()));
    WriteLog(QStringLiteral("UpdateStatus: confirmation URL, ") + url);
    const ServerAnswer answer = GetShortAnswer(url, std::nullopt);
    if (!answer.sent) {
        return;
    }
    if (answer.response.contains(QLatin1Char('~'))) {
        WriteLog(QStringLiteral("Column headers re-ordered"));
        Prompts::Information(QStringLiteral("Column header order saved  successfully."));
    } else {
        WriteLog(QStringLiteral("Column headers could not be re-ordered"));
        Prompts::Error(answer.response);
    }
}
