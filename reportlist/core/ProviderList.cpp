#include "reportlist/core/ProviderList.h"

#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"

#include <algorithm>

namespace ProviderList {

QString AllProvidersText() {
    return QStringLiteral("All Providers[All]");
}

QString DisplayText(const QString& name, const QString& id) {
    return name + QStringLiteral(" [") + id + QLatin1Char(']');
}

Derived DeriveProviders(const QStringList& entries, const QString& loggedUserId) {
    Derived result;
    for (const QString& entry : entries) {
        if (result.providers.size() >= kMaxProviders) {
            WriteLog(
                QStringLiteral("OnInitDialog: The provider list stops at %1 entries; the rest is not used")
                    .arg(kMaxProviders));
            break;
        }
        QStringList pieces;
        if (CUtility::SplitString(entry, QStringLiteral("~"), pieces) == 0 || pieces.isEmpty()) {
            WriteLog(QStringLiteral("OnInitDialog: Error while splitting the text..."));
            continue;
        }
        WriteLog(QStringLiteral("OnInitDialog: Populating contents to controls..."));
        const QString id = pieces.at(0).trimmed();
        const QString name = pieces.size() > 1 ? pieces.at(1).trimmed() : QString();
        const QString text = DisplayText(name, id);
        result.displayTexts.append(text);
        if (id.compare(loggedUserId, Qt::CaseInsensitive) == 0) {
            result.preferredText = text;
        }
        WriteLog(QStringLiteral("OnInitDialog: Populated value to control..."));
        result.providers.append({id, name});
    }
    SortDisplayTexts(result.displayTexts);
    return result;
}

void SortDisplayTexts(QStringList& texts) {
    std::stable_sort(texts.begin(), texts.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
}

int FindItemAfter(const QStringList& items, int after, const QString& prefix) {
    for (qsizetype i = std::max(after + 1, 0); i < items.size(); ++i) {
        if (items.at(i).startsWith(prefix, Qt::CaseInsensitive)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int LoggedUserItem(const QStringList& items, const QList<Provider>& providers, const QString& loggedUserId) {
    for (const Provider& provider : providers) {
        if (provider.id.compare(loggedUserId, Qt::CaseInsensitive) == 0) {
            return FindItemAfter(items, 0, DisplayText(provider.name, loggedUserId).trimmed());
        }
    }
    return -1;
}

} // namespace ProviderList
