#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The provider/location cache: one profile-file section per care provider, named by the
// provider id, holding "All" = "All Locations" and then location id = location name. It is
// written once from the session's LocationList when the report list window starts, read on
// every provider change and every query, and deleted when the window goes away.
namespace PhysicianLocationCache {

struct Entry {
    QString key;
    QString value;
};

// One "[id]" block of the session's LocationList (block: its text after "["): the provider and
// its locations (id, name); not valid when the block has no "]".
struct ProviderLocations {
    QString block;
    bool valid = false;
    QString id;
    QList<Entry> locations;
};

// The page's list is bounded: more providers (ProviderList::kMaxProviders) or locations than
// this are not used (logged).
inline constexpr qsizetype kMaxLocations = 2000;

// The blocks of locationList in order.
QList<ProviderLocations> ParseLocationList(const QString& locationList);

// What the location box should hold after a provider change.
struct LocationBox {
    QStringList items;
    int selected = -1; // -1: nothing selected
};

// TempFolder() + "PhysicianLocationCombo.ini": each running desk keeps its own.
QString CacheFilePath();

// Deletes the old file and writes one section per "[id]" block of locationList, logging each
// step under "WritePhysicianLocationComboToFile: ". The file is written once, whatever its size.
void WriteComboFile(const QString& locationList, const QString& path);

// The entries of one provider's section, in file order (only those that fit the section
// buffer of the profile functions).
QList<Entry> ReadProviderSection(const QString& path, const QString& providerId);

// "name [id]", the text of one location item.
QString LocationItemText(const QString& name, const QString& id);

// Fills the location box for the selected provider text. providerItems are all provider box
// items (item 0 is "All Providers[All]"); they matter only when the selection ends in
// "[All]". Writes the "OnSelchangeComboPhysician: " log lines.
LocationBox LocationsForProvider(const QString& path, const QString& selectedProviderText,
                                 const QStringList& providerItems);

// The location id the query sends: the key of the first entry of the provider's section
// whose value equals locationId (without regard to case); otherwise locationId itself.
QString SettleLocationId(const QString& path, const QString& providerId, const QString& locationId);

} // namespace PhysicianLocationCache
