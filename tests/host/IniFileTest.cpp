#include "host/core/CIniFile.h"
#include "tests/host/HostTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class IniFile : public ::testing::Test {
protected:
    void SetUp() override {
        ini.SetFile(Path());
        ini.SetSection("Locations");
    }
    QString Path() const { return dir.path() + "/PhysicianLocationCombo.ini"; }
    int Read() { return ini.ReadSection(keys, values); }

    QTemporaryDir dir;
    CIniFile ini;
    QStringList keys{"stale"};
    QStringList values{"stale"};
};

TEST_F(IniFile, KeepsWriteOrderAndReplacesInPlace) {
    ini.WriteValue("12", "3~North Clinic");
    ini.WriteValue("15", "4~South Clinic");
    ini.WriteValue("9", "5~East");
    ini.WriteValue("15", "6~West");
    ini.WriteValue("empty", QString());
    ini.WriteValue("url", "http://x/?a=b");
    ASSERT_EQ(Read(), 5);
    EXPECT_EQ(keys, (QStringList{"12", "15", "9", "empty", "url"}));
    EXPECT_EQ(values, (QStringList{"3~North Clinic", "6~West", "5~East", "", "http://x/?a=b"}));
    EXPECT_TRUE(hosttest::ReadFile(Path()).contains("\r\nempty=\r\n"));
}

TEST_F(IniFile, NamesMatchWithoutRegardToCase) {
    ini.WriteValue("Alpha", "1");
    ini.SetSection("LOCATIONS");
    ini.WriteValue("ALPHA", "2");
    ini.SetSection("locations");
    ASSERT_EQ(Read(), 1);
    EXPECT_EQ(keys.first().compare("alpha", Qt::CaseInsensitive), 0);
    EXPECT_EQ(values, QStringList{"2"});
}

TEST_F(IniFile, DeleteRemovesOnlyThatKey) {
    ini.WriteValue("a", "1");
    ini.WriteValue("b", "2");
    ini.WriteValue("c", "3");
    ini.WriteValue("B", QString(), true);
    ini.WriteValue("missing", QString(), true);
    ASSERT_EQ(Read(), 2);
    EXPECT_EQ(keys, (QStringList{"a", "c"}));
    EXPECT_EQ(values, (QStringList{"1", "3"}));
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
    // Each entry "kNN=" + 46 characters takes 50 bytes plus its zero byte: with the section's
    // closing zero, 20 entries use 1021 of the 1024 bytes.
    for (int i = 0; i < 20; ++i) {
        ini.WriteValue(QStringLiteral("k%1").arg(i, 2, 10, QLatin1Char('0')), QString(46, 'v'));
    }
    // 3 bytes are left: "x=" and its zero byte fit exactly...
    ini.WriteValue("x", QString());
    // ...and nothing after it does.
    ini.WriteValue("y", QString());
    ini.WriteValue("z", "1");
    ASSERT_EQ(Read(), 21);
    EXPECT_EQ(keys.last(), "x");

    // The entries were written, only not seen: with room made, they appear.
    ini.WriteValue("k00", QString(), true);
    ASSERT_EQ(Read(), 22);
    EXPECT_EQ(keys.first(), "k01");
    EXPECT_EQ(keys.mid(19), (QStringList{"x", "y", "z"}));
}

} // namespace
