#include "host/core/CIniFile.h"
#include "tests/host/HostTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class IniFile : public ::testing::Test {
protected:
    void SetUp() override {
        ini.SetFile(path);
        ini.SetSection("Locations");
    }
    int Read() { return ini.ReadSection(keys, values); }

    QTemporaryDir dir;
    QString path = dir.filePath("PhysicianLocationCombo.ini");
    CIniFile ini;
    QStringList keys{"stale"};
    QStringList values{"stale"};
};

TEST_F(IniFile, KeepsWriteOrderReplacesInPlaceDeletesAndIgnoresCase) {
    ini.WriteValue("12", "3~North Clinic");
    ini.WriteValue("15", "4~South Clinic");
    ini.WriteValue("9", "5~East");
    ini.WriteValue("15", "6~West");
    ini.WriteValue("empty", QString());
    ini.WriteValue("url", "http://x/?a=b");
    ini.SetSection("LOCATIONS");
    ini.WriteValue("URL", "http://y/");
    ini.WriteValue("9", QString(), true);
    ini.WriteValue("missing", QString(), true);
    ini.SetSection("locations");
    ASSERT_EQ(Read(), 4);
    EXPECT_EQ(keys.join(',').toLower(), "12,15,empty,url"); // either spelling of a key is the key
    EXPECT_EQ(values, (QStringList{"3~North Clinic", "6~West", "", "http://y/"}));
    EXPECT_TRUE(hosttest::ReadFile(path).contains("\r\nempty=\r\n"));
}

TEST_F(IniFile, SectionsStayApartAndMissingOnesGiveEmptyLists) {
    EXPECT_EQ(Read(), 0); // no file yet
    EXPECT_TRUE(keys.isEmpty() && values.isEmpty());
    ini.WriteValue("a", "1");
    ini.SetSection("Other");
    ini.WriteValue("a", "2");
    ASSERT_EQ(Read(), 1);
    EXPECT_EQ(values, QStringList{"2"});
    ini.SetSection("Locations");
    ASSERT_EQ(Read(), 1);
    EXPECT_EQ(values, QStringList{"1"});
    ini.SetSection("Nowhere");
    keys = values = QStringList{"stale"};
    EXPECT_EQ(Read(), 0);
    EXPECT_TRUE(keys.isEmpty() && values.isEmpty());
}

TEST_F(IniFile, SectionBufferHoldsOnly1024Bytes) {
    // "kNN=" + 46 characters and a zero byte: with the closing zero, 20 entries use 1021 bytes.
    for (int i = 0; i < 20; ++i) {
        ini.WriteValue(QStringLiteral("k%1").arg(i, 2, 10, QLatin1Char('0')), QString(46, 'v'));
    }
    ini.WriteValue("x", QString()); // "x=" and its zero fit exactly...
    ini.WriteValue("y", QString()); // ...and nothing after it does
    ini.WriteValue("z", "1");
    ASSERT_EQ(Read(), 21);
    EXPECT_EQ(keys.last(), "x");
    // The entries were written, only not seen: with room made, they appear.
    ini.WriteValue("k00", QString(), true);
    ASSERT_EQ(Read(), 22);
    EXPECT_EQ(keys.mid(19), (QStringList{"x", "y", "z"}));
}

} // namespace
