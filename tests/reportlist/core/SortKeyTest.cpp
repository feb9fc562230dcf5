#include "reportlist/core/SortKey.h"
#include "tests/reportlist/core/ListTestSupport.h"

#include <QDate>
#include <QTime>

namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);
const QLocale kGb(QLocale::English, QLocale::UnitedKingdom);

qint64 Ms(int y, int m, int d, QTime time = QTime(0, 0)) {
    return QDate(y, m, d).toJulianDay() * 86400000 + time.msecsSinceStartOfDay();
}

} // namespace

// The usual date and time forms are read, and nothing else; cells order by label, number, date or text
// as the column's cells fit.
TEST(SortKey, ReadsDatesAndOrdersAsTheColumnsCellsFit) {
    const struct {
        const char* text;
        QLocale locale;
        std::optional<qint64> ms;
    } cases[] = {
        {"03/14/2024 12:05 am", kUs, Ms(2024, 3, 14, QTime(0, 5))},
        {" 2024-03-14 08:00:00 ", kUs, Ms(2024, 3, 14, QTime(8, 0))},
        {"3/14/24", kUs, Ms(2024, 3, 14)}, // the locale's short form
        {"02/30/2024", kUs, std::nullopt},
        {"03/14/2024 13:00 PM", kUs, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SortKey::ParseDateTime(QString::fromUtf8(c.text), c.locale), c.ms) << c.text;
    }
    // Cell texts and the expected order, "|" between cells.
    const struct {
        const char *why, *texts, *sorted;
        bool ascending = true;
        bool label = false;
        QLocale locale = kUs;
    } orders[] = {
        {"row labels descending", "  2 |  10 |  1 ", "  10 |  2 |  1 ", false, true},
        {"dates chronologically", "12/01/2023|01/15/2024|02/03/2023 10:30 AM|02/03/2023 09:00 PM",
         "01/15/2024|12/01/2023|02/03/2023 09:00 PM|02/03/2023 10:30 AM", false},
        {"server dates are month first in any locale", "04/02/2024|03/04/2024|12/01/2023",
         "12/01/2023|03/04/2024|04/02/2024", true, false, kGb},
        {"a date only the locale reads makes the column day first", "13/03/2024|03/04/2024|01/02/2024",
         "01/02/2024|13/03/2024|03/04/2024", true, false, kGb},
        {"numbers past 64 bits by value among the others, text after them",
         "123456789012345678901|99|x|12345678901234567890|0099",
         "99|0099|12345678901234567890|123456789012345678901|x"},
    };
    for (const auto& c : orders) {
        const QStringList texts = QString::fromUtf8(c.texts).split('|');
        QStringList sorted;
        for (const int i : SortKey::SortOrder(texts, c.label, c.ascending, c.locale)) {
            sorted.append(texts.at(i));
        }
        EXPECT_EQ(sorted.join('|'), c.sorted) << c.why;
    }
    // Ties keep their order in both directions.
    EXPECT_EQ(SortKey::SortOrder({"b", "a", "b", "a"}, false, false, kUs), QList<int>({0, 2, 1, 3}));
    EXPECT_NE(SortKey::Compare("smith", "Smith", false, kUs), 0) << "case matters";
}
