#include "dialogs/customproperties/ColumnOrder.h"

#include "host/core/ActivityLog.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "reportlist/core/FileListFormat.h"
#include "transport/scripts/ServerAnswer.h"
#include "transport/scripts/ServerScripts.h"

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
    return CustomOrderRequest{Session().LoggedUserId(), keyList}.Address();
}

} // namespace ColumnOrder

void StoreColumnOrder::Run() {
    const QString url = ColumnOrder::OrderUrl(ColumnOrder::KeyList(desk_.ColumnCaptions()));
    WriteLog(QStringLiteral("UpdateStatus: confirmation URL, ") + url);
    const ServerAnswer answer = GetShortAnswer(url, std::nullopt);
    if (!answer.sent) {
        return;
    }
    if (answer.Accepted()) {
        WriteLog(QStringLiteral("Column headers re-ordered"));
        Prompts::Information(QStringLiteral("Column header order saved  successfully."));
    } else {
        WriteLog(QStringLiteral("Column headers could not be re-ordered"));
        Prompts::Error(answer.response);
    }
}
