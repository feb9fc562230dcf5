#include "reportlist/core/SortKey.h"
#include "tests/reportlist/core/ListTestSupport.h"

#include <QDate>
#include <QTime>

#include <gtest/gtest.h>

namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);

qint64 Ms(const QDate& date, const QTime& time = QTime(0, 0)) {
    return date.toJulianDay() * 86400000 + time.msecsSinceStartOfDay();
}

QStringList Sorted(const QStringList& texts, bool ascending, bool label = false,
                   const QLocale& locale = kUs) {
    QStringList result;
    for (const int i : SortKey::SortOrder(texts, label, ascending, locale)) {
        result.append(texts.at(i));
    }
    return result;
}

} // namespace

TEST(SortKey, ReadsTheUsualDateAndTimeForms) {
    const QDate d(2024, 3, 14);
    EXPECT_EQ(SortKey::ParseDateTime(u"03/14/2024", kUs), Ms(d));
    EXPECT_EQ(SortKey::ParseDateTime(u"3/14/2024", kUs), Ms(d));
    EXPECT_EQ(SortKey::ParseDateTime(u"03/14/2024 10:30 AM", kUs), Ms(d, QTime(10, 30)));
    EXPECT_EQ(SortKey::ParseDateTime(u"03/14/2024 12:05 am", kUs), Ms(d, QTime(0, 5)));
    EXPECT_EQ(SortKey::ParseDateTime(u"03/14/2024 12:05 PM", kUs), Ms(d, QTime(12, 5)));
    EXPECT_EQ(SortKey::ParseDateTime(u"03/14/2024 09:15 PM", kUs), Ms(d, QTime(21, 15)));
    EXPECT_EQ(SortKey::ParseDateTime(u"03/14/2024 21:15:07", kUs), Ms(d, QTime(21, 15, 7)));
    EXPECT_EQ(SortKey::ParseDateTime(u"2024-03-14", kUs), Ms(d));
    EXPECT_EQ(SortKey::ParseDateTime(u" 2024-03-14 08:00:00 ", kUs), Ms(d, QTime(8, 0)));
    EXPECT_EQ(SortKey::ParseDateTime(u"3/14/24", kUs), Ms(d)) << "the locale's short form";
}

TEST(SortKey, RefusesTextsThatAreNotDates) {
    for (const char16_t* text : {u"", u"R1", u"2024", u"13/14/2024", u"02/30/2024", u"03/14/2024 13:00 PM",
                                 u"03/14/2024 10:30 XM", u"03/14/2024x", u"Smith, John", u"12-34-5678"}) {
        EXPECT_FALSE(SortKey::ParseDateTime(text, kUs).has_value()) << QString::fromUtf16(text).toStdString();
    }
}

TEST(SortKey, ReadsOtherLocalesShortForms) {
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(SortKey::ParseDateTime(u"24.12.23", german), Ms(QDate(2023, 12, 24)));
    EXPECT_EQ(SortKey::ParseDateTime(u"24.12.23 18:30", german), Ms(QDate(2023, 12, 24), QTime(18, 30)));
    // The C locale writes month names.
    EXPECT_EQ(SortKey::ParseDateTime(u"5 Jun 2024", QLocale::c()), Ms(QDate(2024, 6, 5)));
    EXPECT_EQ(SortKey::ParseDateTime(u"5 June 2024", QLocale::c()), Ms(QDate(2024, 6, 5)));
}

TEST(SortKey, LabelColumnComparesLeadingIntegers) {
    EXPECT_EQ(SortKey::LeadingInteger(u"  12 "), 12);
    EXPECT_EQ(SortKey::LeadingInteger(u"x"), 0);
    EXPECT_EQ(Sorted({"  2 ", "  10 ", "  1 "}, true, true), QStringList({"  1 ", "  2 ", "  10 "}));
    EXPECT_EQ(Sorted({"  2 ", "  10 ", "  1 "}, false, true), QStringList({"  10 ", "  2 ", "  1 "}));
}

TEST(SortKey, NumbersCompareByValueWithEmptyAsZero) {
    EXPECT_EQ(Sorted({"10", "", "2", "33", "0"}, true), QStringList({"", "0", "2", "10", "33"}));
    EXPECT_EQ(Sorted({"10", "", "2", "33"}, false), QStringList({"33", "10", "2", ""}));
    EXPECT_GT(SortKey::Compare("123456789012345678901234", "99", false, kUs), 0)
        << "no overflow on long numbers";
    EXPECT_EQ(SortKey::Compare("007", "7", false, kUs), 0);
    EXPECT_EQ(Sorted({"123456789012345678901234", "99", "1000000000000000000000", "7"}, true),
              QStringList({"7", "99", "1000000000000000000000", "123456789012345678901234"}));
}

TEST(SortKey, DatesSortChronologicallyNotAlphabetically) {
    const QStringList dates = {"12/01/2023", "01/15/2024", "02/03/2023 10:30 AM", "02/03/2023 09:00 PM"};
    EXPECT_EQ(Sorted(dates, true),
              QStringList({"02/03/2023 10:30 AM", "02/03/2023 09:00 PM", "12/01/2023", "01/15/2024"}));
    EXPECT_EQ(Sorted(dates, false),
              QStringList({"01/15/2024", "12/01/2023", "02/03/2023 09:00 PM", "02/03/2023 10:30 AM"}));
    EXPECT_LT(SortKey::Compare("12/31/2023", "01/01/2024", false, kUs), 0);
}

TEST(SortKey, TextUsesCaseSensitiveCollationAndMixedPairsFallBackToText) {
    EXPECT_EQ(Sorted({"delta", "Bravo", "alpha", "Charlie"}, true),
              QStringList({"alpha", "Bravo", "Charlie", "delta"}))
        << "collation, not code points";
    EXPECT_NE(SortKey::Compare("smith", "Smith", false, kUs), 0) << "case matters";
    // A number against a word, or a date against a word, is compared as text.
    EXPECT_LT(SortKey::Compare("5", "apple", false, kUs), 0);
    EXPECT_LT(SortKey::Compare("01/15/2024", "N/A", false, kUs), 0);
    EXPECT_EQ(Sorted({"N/A", "12/01/2023", "01/15/2024"}, true),
              QStringList({"12/01/2023", "01/15/2024", "N/A"}))
        << "dates among themselves by date, against the word by text";
}

TEST(SortKey, EqualKeysKeepTheirOrderInBothDirections) {
    const QStringList texts = {"b", "a", "b", "a"};
    EXPECT_EQ(SortKey::SortOrder(texts, false, true, kUs), QList<int>({1, 3, 0, 2}));
    EXPECT_EQ(SortKey::SortOrder(texts, false, false, kUs), QList<int>({0, 2, 1, 3}));
}

TEST(SortKey, AColumnReadsItsDatesOneWayInADayFirstLocale) {
    const QLocale gb(QLocale::English, QLocale::UnitedKingdom);
    struct Case {
        const char* why;
        QLocale locale;
        QStringList texts;
        QStringList ascending;
    };
    const Case cases[] = {
        {"server dates are month first in any locale",
         gb,
         {"04/02/2024", "03/04/2024", "12/01/2023"},
         {"12/01/2023", "03/04/2024", "04/02/2024"}},
        {"a date only the locale reads makes the column day first",
         gb,
         {"13/03/2024", "03/04/2024", "01/02/2024"},
         {"01/02/2024", "13/03/2024", "03/04/2024"}},
        {"a US desk reads them month first",
         kUs,
         {"04/02/2024", "03/04/2024", "12/01/2023"},
         {"12/01/2023", "03/04/2024", "04/02/2024"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Sorted(c.texts, true, false, c.locale), c.ascending) << c.why;
        EXPECT_LT(SortKey::Compare(c.ascending[0], c.ascending[1], false, c.locale), 0) << c.why;
    }
}
