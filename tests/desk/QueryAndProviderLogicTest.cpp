// The window's non-GUI rules: report type codes, ids inside the box texts, the request
// address, the provider list and the provider/location cache.
#include "reportlist/core/PhysicianLocationCache.h"
#include "reportlist/core/ProviderList.h"
#include "reportlist/core/ReportQuery.h"
#include "tests/support/DeskWindow.h"

#include <QElapsedTimer>

namespace {

using PhysicianLocationCache::LocationBox;

const QStringList kDemoProviderItems{"All Providers[All]", "Dr. Amelia Hart [12]", "Dr. Nina Kowalski [18]",
                                     "Dr. Rafael Ortiz [15]"};

class CacheTest : public ::testing::Test {
protected:
    QTemporaryDir dir_;
    QString path_ = dir_.filePath("PhysicianLocationCombo.ini");

    QByteArray Write(const QString& locations) {
        PhysicianLocationCache::WriteComboFile(locations, path_);
        QFile file(path_);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    LocationBox For(const QString& locations, const QString& provider, const QStringList& items = {}) {
        Write(locations);
        return PhysicianLocationCache::LocationsForProvider(path_, provider, items);
    }
};

} // namespace

TEST(ReportQueryTest, ReportTypeCodesAndRenameEffect) {
    using ReportQuery::RenameEffect;
    const struct {
        const char *text, *code;
        RenameEffect rename;
    } cases[] = {
        {"PENDING", "p", RenameEffect::Enable},   {"transcribed", "t", RenameEffect::Disable},
        {"Forwarded", "f", RenameEffect::None},   {"faxed", "x", RenameEffect::None},
        {"Signed", "Signed", RenameEffect::None},
    };
    for (const auto& c : cases) {
        const ReportQuery::ReportType type = ReportQuery::ReportTypeFor(QString::fromLatin1(c.text));
        EXPECT_EQ(type.code, QString::fromLatin1(c.code)) << c.text;
        EXPECT_EQ(type.rename, c.rename) << c.text;
    }
}

TEST(ReportQueryTest, IdsComeFromBetweenTheBracketsAndGoUnencodedIntoTheAddress) {
    // A "[" in the name ends up inside the id: first "[" to last "]".
    EXPECT_EQ(ReportQuery::ProviderIdFromText("Dr. [X] Ortiz [15]"), "X] Ortiz [15");
    EXPECT_EQ(ReportQuery::LocationIdFromText("  North Clinic [3] "), "3");
    const QString odd = ReportQuery::FileListAddress("http://h/", "a b", "1&2", "x", QDate(2026, 12, 31),
                                                     QDate(2027, 1, 1), "p");
    EXPECT_EQ(odd, "http://h/qm_download_filelist.php?loginuserid=a b&physicianid=1&2&locationid=x"
                   "&fromdate=2026-12-31&todate=2027-01-01&reporttype=p");
}

TEST(ProviderListTest, DerivesSortsAndFindsTheLoggedUser) {
    LogCapture log;
    const ProviderList::Derived d = ProviderList::DeriveProviders(
        {"15~Dr. rafael Ortiz", " 12 ~ Dr. Amelia Hart ", "no tilde", "18~dr. Nina Kowalski"}, "12");
    ASSERT_EQ(d.providers.size(), 3);
    EXPECT_EQ(d.providers.at(1).name, "Dr. Amelia Hart");
    EXPECT_EQ(d.displayTexts,
              (QStringList{"Dr. Amelia Hart [12]", "dr. Nina Kowalski [18]", "Dr. rafael Ortiz [15]"}));
    EXPECT_EQ(d.preferredText, "Dr. Amelia Hart [12]");
    const QStringList messages = log.Messages();
    EXPECT_EQ(messages.count("OnInitDialog: Error while splitting the text..."), 1);
    EXPECT_EQ(messages.count("OnInitDialog: Populating contents to controls..."), 3);
    EXPECT_EQ(messages.count("OnInitDialog: Populated value to control..."), 3);
}

TEST_F(CacheTest, FileHoldsOneSectionPerProviderWithAllLocationsFirstAndIsReplacedWhenRewritten) {
    LogCapture log;
    EXPECT_EQ(Write(kDemoLocations), kDemoCacheFile);
    const QString prefix = "WritePhysicianLocationComboToFile: ";
    EXPECT_EQ(log.Messages(),
              (QStringList{prefix + "File, " + path_ + ", could not be deleted",
                           prefix + "Setting the file name...", prefix + "String to be parsed and stored...",
                           prefix + "String parsed...",
                           prefix + "String to parse, 12]3~North Clinic|4~South Clinic",
                           prefix + "String to parse, 15]3~North Clinic|5~East Office",
                           prefix + "String to parse, 18]5~East Office"}));

    // Rewriting replaces the old file, and repeated providers share a section.
    const LogCapture again;
    EXPECT_EQ(Write("[7]1~One[bad[7]2~Two|1~Uno"),
              QByteArray("[7]\r\nAll=All Locations\r\n1=Uno\r\n2=Two\r\n"));
    const QStringList messages = again.Messages();
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_EQ(messages.first(), prefix + "File, " + path_ + ", deleted");
    EXPECT_TRUE(messages.contains(prefix + "Exception found in string, bad"));
}

TEST_F(CacheTest, LocationBoxForEachProviderChoice) {
    const QString demo = kDemoProviderItems.join(u';');
    const QString nameless = "[12]3~North Clinic|7|4~South Clinic[15]5~East Office|6~West Wing";
    const QString demoAll = "All Locations [All];North Clinic [3];South Clinic [4];East Office [5]";
    const struct {
        const char* what;
        QString locations, provider, providerItems, items;
        int selected;
    } cases[] = {
        {"no location leaves the box empty", "[12]3~North Clinic[20]", "Dr. New [20]", "", "", -1},
        {"a provider id of All counts as all providers", kDemoLocations, "Everyone [All] ", demo, demoAll, 0},
        {"providers sharing their only location offer just that location",
         "[1]3~North Clinic[2]3~North Clinic", "All Providers[All]", "All Providers[All];A [1];B [2]",
         "North Clinic [3]", 0},
        {"a location without a name ends its provider's locations", nameless, "Dr. Amelia Hart [12]", "",
         "North Clinic [3]", 0},
        {"but not the other providers' locations", nameless, "All Providers[All]",
         "All Providers[All];Hart [12];Ortiz [15]", demoAll + ";West Wing [6]", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const LocationBox box = For(c.locations, c.provider, c.providerItems.split(u';', Qt::SkipEmptyParts));
        EXPECT_EQ(box.items, c.items.split(u';', Qt::SkipEmptyParts));
        EXPECT_EQ(box.selected, c.selected);
    }
    const LogCapture log;
    For(kDemoLocations, "Dr. Amelia Hart [12]", kDemoProviderItems);
    EXPECT_EQ(log.Messages().mid(log.Messages().size() - 3),
              (QStringList{"OnSelchangeComboPhysician: Name resolution...",
                           "OnSelchangeComboPhysician: Physician, Dr. Amelia Hart [12]",
                           "OnSelchangeComboPhysician: No of items, 3"}));
}

TEST_F(CacheTest, LocationIdIsSettledThroughTheProvidersSection) {
    Write("[12]3~North Clinic|4~south clinic|9~9");
    EXPECT_EQ(PhysicianLocationCache::SettleLocationId(path_, "12", "SOUTH CLINIC"), "4");
    EXPECT_EQ(PhysicianLocationCache::SettleLocationId(path_, "12", "3"), "3");
    EXPECT_EQ(PhysicianLocationCache::SettleLocationId(path_, "12", "All"), "All");
    EXPECT_EQ(PhysicianLocationCache::SettleLocationId(path_, "15", "south clinic"), "south clinic");
}

// A page with many providers and locations: the cache is written in one pass, not rewritten per
// entry (which took tens of seconds), and what is beyond the bound is left out.
TEST_F(CacheTest, ALargeLocationListIsWrittenInOnePassUpToItsBound) {
    QString list;
    for (int provider = 0; provider < 400; ++provider) {
        list += QStringLiteral("[%1]").arg(provider);
        for (int location = 0; location < 10; ++location) {
            list += QStringLiteral("%1~Clinic %1|").arg(provider * 10 + location);
        }
    }
    QElapsedTimer timer;
    timer.start();
    Write(list);
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_EQ(PhysicianLocationCache::ReadProviderSection(path_, "199").size(), 11);  // "All" and ten
    EXPECT_TRUE(PhysicianLocationCache::ReadProviderSection(path_, "200").isEmpty()); // past 2000 locations
}
