#include "reportlist/core/PhysicianLocationCache.h"

#include "host/core/ActivityLog.h"
#include "host/core/CIniFile.h"
#include "host/core/CUtility.h"
#include "reportlist/core/ProviderList.h"
#include "reportlist/core/ReportQuery.h"

#include <QFile>

namespace PhysicianLocationCache {

namespace {

const QString kWriteLog = QStringLiteral("WritePhysicianLocationComboToFile: ");
const QString kSelLog = QStringLiteral("OnSelchangeComboPhysician: ");

bool DeleteFileClearingReadOnly(const QString& path) {
    QFile file(path);
    if (file.exists()) {
        file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
    }
    return file.remove();
}

bool EndsWithAllMarker(const QString& providerText) {
    return providerText.right(5).trimmed().compare(QLatin1StringView("[All]"), Qt::CaseInsensitive) == 0;
}

void RemoveRepeatedItems(QStringList& items) {
    // Each pass removes at least one item, so the loops end.
    for (qsizetype i = 0; i < items.size(); ++i) {
        for (qsizetype j = i + 1; j < items.size();) {
            if (items.at(j).startsWith(items.at(i), Qt::CaseInsensitive)) {
                items.removeAt(j);
            } else {
                ++j;
            }
        }
    }
}

} // namespace

QString CacheFilePath() {
    return CUtility::TempFolder() + QStringLiteral("PhysicianLocationCombo.ini");
}

QList<ProviderLocations> ParseLocationList(const QString& locationList) {
    QList<ProviderLocations> providers;
    qsizetype locations = 0;
    const QStringList blocks = locationList.split(QLatin1Char('['), Qt::SkipEmptyParts);
    for (const QString& block : blocks) {
        if (providers.size() >= ProviderList::kMaxProviders || locations >= kMaxLocations) {
            WriteLog(kWriteLog +
                     QStringLiteral("The location list stops at %1 care providers and %2 locations; "
                                    "the rest is not used")
                         .arg(ProviderList::kMaxProviders)
                         .arg(kMaxLocations));
            break;
        }
        // One "[id]" block without its "[": the id up to the first "]", the locations after it.
        ProviderLocations provider{block, false, {}, {}};
        const qsizetype close = block.indexOf(QLatin1Char(']'));
        if (close >= 0) {
            provider.valid = true;
            provider.id = block.left(close);
            const QString rest = block.mid(close + 1);
            QStringList pieces;
            if (rest.contains(QLatin1Char('|'))) {
                CUtility::SplitString(rest, QStringLiteral("|"), pieces);
            } else {
                pieces.append(rest); // the only location, even when empty
            }
            for (const QString& location : pieces) {
                if (locations >= kMaxLocations) {
                    break;
                }
                const qsizetype tilde = location.indexOf(QLatin1Char('~'));
                provider.locations.append(tilde >= 0 ? Entry{location.left(tilde), location.mid(tilde + 1)}
                                                     : Entry{location, QString()});
                ++locations;
            }
        }
        providers.append(provider);
    }
    return providers;
}

void WriteComboFile(const QString& locationList, const QString& path) {
    const bool deleted = DeleteFileClearingReadOnly(path);
    WriteLog(kWriteLog + QStringLiteral("File, ") + path +
             (deleted ? QStringLiteral(", deleted") : QStringLiteral(", could not be deleted")));

    WriteLog(kWriteLog + QStringLiteral("Setting the file name..."));
    CIniFile ini;
    ini.SetFile(path);
    WriteLog(kWriteLog + QStringLiteral("String to be parsed and stored..."));
    WriteLog(kWriteLog + QStringLiteral("String parsed..."));

    // The whole cache in one write: each entry rewriting the file made a start with many
    // locations slow beyond reason.
    QList<CIniFile::Value> values;
    for (const ProviderLocations& provider : ParseLocationList(locationList)) {
        WriteLog(kWriteLog + QStringLiteral("String to parse, ") + provider.block);
        if (!provider.valid) {
            WriteLog(kWriteLog + QStringLiteral("Exception found in string, ") + provider.block);
            continue;
        }
        values.append({provider.id, QStringLiteral("All"), QStringLiteral("All Locations")});
        for (const Entry& location : provider.locations) {
            values.append({provider.id, location.key, location.value});
        }
    }
    ini.WriteValues(values);
}

QList<Entry> ReadProviderSection(const QString& path, const QString& providerId) {
    CIniFile ini;
    ini.SetFile(path);
    ini.SetSection(providerId);
    QStringList keys;
    QStringList values;
    const int count = ini.ReadSection(keys, values);
    QList<Entry> entries;
    entries.reserve(count);
    for (int i = 0; i < count && i < keys.size() && i < values.size(); ++i) {
        entries.append({keys.at(i), values.at(i)});
    }
    return entries;
}

QString LocationItemText(const QString& name, const QString& id) {
    return name + QStringLiteral(" [") + id + QLatin1Char(']');
}

LocationBox LocationsForProvider(const QString& path, const QString& selectedProviderText,
                                 const QStringList& providerItems) {
    WriteLog(kSelLog + QStringLiteral("Name resolution..."));
    LocationBox box;
    const QString provider = selectedProviderText.trimmed();

    if (EndsWithAllMarker(provider)) {
        for (qsizetype i = 1; i < providerItems.size(); ++i) {
            const QString id = ReportQuery::ProviderIdFromText(providerItems.at(i));
            for (const Entry& entry : ReadProviderSection(path, id)) {
                if (!entry.value.isEmpty()) {
                    box.items.append(LocationItemText(entry.value, entry.key));
                }
            }
        }
        RemoveRepeatedItems(box.items);
        for (qsizetype i = 0; i < box.items.size(); ++i) {
            if (box.items.at(i).left(3).compare(QLatin1StringView("All"), Qt::CaseInsensitive) == 0) {
                box.selected = static_cast<int>(i);
                break;
            }
        }
    } else {
        WriteLog(kSelLog + QStringLiteral("Physician, ") + provider);
        const QList<Entry> entries = ReadProviderSection(path, ReportQuery::ProviderIdFromText(provider));
        WriteLog(kSelLog + QStringLiteral("No of items, ") + QString::number(entries.size()));
        for (const Entry& entry : entries) {
            if (entry.value.isEmpty()) {
                break; // a location without a name hides the ones after it
            }
            box.items.append(LocationItemText(entry.value, entry.key));
        }
        box.selected = box.items.isEmpty() ? -1 : 0;
    }

    // "All Locations" plus a single location: offer just that location; "All Locations"
    // alone means the provider has none.
    if (box.items.size() == 2) {
        box.items.removeFirst();
        box.selected = 0;
    } else if (box.items.size() == 1) {
        box.items.clear();
        box.selected = -1;
    }
    return box;
}

QString SettleLocationId(const QString& path, const QString& providerId, const QString& locationId) {
    for (const Entry& entry : ReadProviderSection(path, providerId)) {
        if (entry.value.compare(locationId, Qt::CaseInsensitive) == 0) {
            return entry.key;
        }
    }
    return locationId;
}

} // namespace PhysicianLocationCache
