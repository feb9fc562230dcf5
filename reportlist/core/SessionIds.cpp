#include "reportlist/core/SessionIds.h"

#include "host/core/CUtility.h"
#include "host/core/NameGate.h"
#include "host/core/SessionSettings.h"
#include "reportlist/core/PhysicianLocationCache.h"
#include "reportlist/core/ProviderList.h"

namespace SessionIds {

namespace {

QString Check(const QString& what, const QString& id) {
    const QString why = NameGate::Refusal(id);
    if (id.isEmpty() || why.isEmpty()) {
        return {};
    }
    return QStringLiteral("The session the web page gave cannot be used: the ") + what +
           QStringLiteral(" \"") + NameGate::Printable(id) + QStringLiteral("\" is not a valid id (") + why +
           QStringLiteral(").");
}

} // namespace

QString Refusal(const SessionSettings& session) {
    QString refusal = Check(QStringLiteral("user id (LoggedUserId)"), session.LoggedUserId());
    const QStringList entries = session.PhysicianEntries();
    for (qsizetype i = 0; refusal.isEmpty() && i < entries.size() && i < ProviderList::kMaxProviders; ++i) {
        QStringList pieces;
        if (CUtility::SplitString(entries.at(i), QStringLiteral("~"), pieces) > 0 && !pieces.isEmpty()) {
            refusal = Check(QStringLiteral("care provider id (PhysicianList)"), pieces.at(0).trimmed());
        }
    }
    for (const auto& provider : PhysicianLocationCache::ParseLocationList(session.LocationList())) {
        if (!refusal.isEmpty()) {
            break;
        }
        refusal = Check(QStringLiteral("care provider id (LocationList)"), provider.id);
        for (qsizetype i = 0; refusal.isEmpty() && i < provider.locations.size(); ++i) {
            refusal = Check(QStringLiteral("location id (LocationList)"), provider.locations.at(i).key);
        }
    }
    return refusal;
}

} // namespace SessionIds
