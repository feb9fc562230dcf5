#include "host/core/CIniFile.h"
#include "tests/host/HostTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class IniFile : public ::testing::Test {
protected:
    void SetUp() override {
        ini.SetFile(dir.path() + QStringLiteral("/PhysicianLocationCombo.ini"));
        ini.SetSection(QStringLiteral("Locations"));
    }
    int Read() { return ini.ReadSection(keys, values); }

    QTemporaryDir dir;
    CIniFile ini;
    QStringList keys{QStringLiteral("stale")};
    QStringList values{QStringLiteral("stale")};
};

TEST_F(IniFile, KeepsWriteOrderAndReplacesInPlace) {
    ini.WriteValue(QStringLiteral("12"), QStringLiteral("3~North Clinic"));
    ini.WriteValue(QStringLiteral("15"), QStringLiteral("4~South Clinic"));
    ini.WriteValue(QStringLiteral("9"), QStringLiteral("5~East"));
    ini.WriteValue(QStringLiteral("15"), QStringLiteral("6~West"));
    ASSERT_EQ(Read(), 3);
    EXPECT_EQ(keys, (QStringList{QStringLiteral("12"), QStringLiteral("15"), QStringLiteral("9")}));
    EXPECT_EQ(values, (QStringList{QStringLiteral("3~North Clinic"), QStringLiteral("6~West"),
                                   QStringLiteral("5~East")}));
}

TEST_F(IniFile, NamesMatchWithoutRegardToCase) {
    ini.WriteValue(QStringLiteral("Alpha"), QStringLiteral("1"));
    ini.SetSection(QStringLiteral("LOCATIONS"));
    ini.WriteValue(QStringLiteral("ALPHA"), QStringLiteral("2"));
    ini.SetSection(QStringLiteral("locations"));
    ASSERT_EQ(Read(), 1);
    EXPECT_EQ(keys.first().compare(QStringLiteral("alpha"), Qt::CaseInsensitive), 0);
    EXPECT_EQ(values, QStringList{QStringLiteral("2")});
}

TEST_F(IniFile, DeleteRemovesOnlyThatKey) {
    ini.WriteValue(QStringLiteral("a"), QStringLiteral("1"));
    ini.WriteValue(QStringLiteral("b"), QStringLiteral("2"));
    ini.WriteValue(QStringLiteral("c"), QStringLiteral("3"));
    ini.WriteValue(QStringLiteral("B"), QString(), true);
    ini.WriteValue(QStringLiteral("missing"), QString(), true);
    ASSERT_EQ(Read(), 2);
    EXPECT_EQ(keys, (QStringList{QStringLiteral("a"), QStringLiteral("c")}));
    EXPECT_EQ(values, (QStringList{QStringLiteral("1"), QStringLiteral("3")}));
}

TEST_F(IniFile, SectionsStayApartAndMissingSectionGivesEmptyLists) {
    ini.WriteValue(QStringLiteral("a"), QStringLiteral("1"));
    ini.SetSection(QStringLiteral("Other"));
    ini.WriteValue(QStringLiteral("a"), QStringLiteral("2"));
    ASSERT_EQ(Read(), 1);
    EXPECT_EQ(values, QStringList{QStringLiteral("2")});
    ini.SetSection(QStringLiteral("Locations"));
    ASSERT_EQ(Read(), 1);
    EXPECT_EQ(values, QStringList{QStringLiteral("1")});

    ini.SetSection(QStringLiteral("Nowhere"));
    EXPECT_EQ(Read(), 0);
    EXPECT_TRUE(keys.isEmpty());
    EXPECT_TRUE(values.isEmpty());
}

TEST_F(IniFile, MissingFileReadsNothing) {
    EXPECT_EQ(Read(), 0);
    EXPECT_TRUE(keys.isEmpty());
    EXPECT_TRUE(values.isEmpty());
}

TEST_F(IniFile, EmptyValueAndValueWithEqualsSign) {
    ini.WriteValue(QStringLiteral("empty"), QString());
    ini.WriteValue(QStringLiteral("url"), QStringLiteral("http://x/?a=b"));
    EXPECT_TRUE(hosttest::ReadFile(dir.path() + QStringLiteral("/PhysicianLocationCombo.ini"))
                    .contains("empty=\r\n"));
    ASSERT_EQ(Read(), 2);
    EXPECT_EQ(keys, (QStringList{QStringLiteral("empty"), QStringLiteral("url")}));
    EXPECT_EQ(values, (QStringList{QString(), QStringLiteral("http://x/?a=b")}));
}

TEST_F(IniFile, SectionBufferHoldsOnly1024Bytes) {
    // Each entry "kNN=" + 46 characters takes 50 bytes plus its zero byte: with the section's
    // closing zero, 20 entries use 1021 of the 1024 bytes.
    const QString filler(46, QLatin1Char('v'));
    for (int i = 0; i < 20; ++i) {
        ini.WriteValue(QStringLiteral("k%1").arg(i, 2, 10, QLatin1Char('0')), filler);
    }
    // 3 bytes are left: "x=" and its zero byte fit exactly...
    ini.WriteValue(QStringLiteral("x"), QString());
    // ...and nothing after it does.
    ini.WriteValue(QStringLiteral("y"), QString());
    ini.WriteValue(QStringLiteral("z"), QStringLiteral("1"));
    ASSERT_EQ(Read(), 21);
    EXPECT_EQ(keys.last(), QStringLiteral("x"));

    // The entries were written, only not seen: with room made, they appear.
    ini.WriteValue(QStringLiteral("k00"), QString(), true);
    ASSERT_EQ(Read(), 22);
    EXPECT_EQ(keys.first(), QStringLiteral("k01"));
    EXPECT_EQ(keys.mid(19), (QStringList{QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z")}));
}

} // namespace
