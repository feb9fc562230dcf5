#include "reportlist/core/SortKey.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QDate>
#include <QHash>

#include <algorithm>
#include <numeric>
#include <vector>

namespace SortKey {
namespace {

constexpr qint64 kMsPerDay = 86400000;
// A text longer than this is not taken for a date (no format is that long).
constexpr qsizetype kMaxDateText = 64;

// One element of a date/time pattern.
enum class Field : quint8 {
    Day,       // d, dd: 1-2 digits
    DayName,   // ddd, dddd: a weekday name, ignored
    Month,     // M, MM: 1-2 digits
    MonthName, // MMM, MMMM: a month name
    Year2,     // yy
    Year4,     // yyyy
    Hour12,    // h, hh with an AM/PM marker
    Hour24,    // H, HH, or h, hh without a marker
    Minute,    // m, mm
    Second,    // s, ss
    Millis,    // z, zzz
    AmPm,      // A, AP, a, ap
    Blank,     // one or more blanks
    Literal,   // one character as it is
};

struct Element {
    Field field;
    QChar literal;
};

struct Pattern {
    std::vector<Element> elements;
    bool hasDate = false;
};

// Compiles a Qt date/time format into elements; formats with parts we cannot read (time zones)
// are dropped.
std::optional<Pattern> Compile(const QString& format) {
    Pattern pattern;
    const bool hasAmPm = format.contains(u'A') || format.contains(u'a');
    qsizetype i = 0;
    const qsizetype n = format.size();
    while (i < n) {
        const QChar c = format[i];
        qsizetype run = 1;
        while (i + run < n && format[i + run] == c) {
            ++run;
        }
        switch (c.unicode()) {
        case u'd':
            pattern.elements.push_back({run >= 3 ? Field::DayName : Field::Day, {}});
            pattern.hasDate = pattern.hasDate || run < 3;
            break;
        case u'M':
            pattern.elements.push_back({run >= 3 ? Field::MonthName : Field::Month, {}});
            pattern.hasDate = true;
            break;
        case u'y':
            pattern.elements.push_back({run >= 4 ? Field::Year4 : Field::Year2, {}});
            break;
        case u'h':
            pattern.elements.push_back({hasAmPm ? Field::Hour12 : Field::Hour24, {}});
            break;
        case u'H':
            pattern.elements.push_back({Field::Hour24, {}});
            break;
        case u'm':
            pattern.elements.push_back({Field::Minute, {}});
            break;
        case u's':
            pattern.elements.push_back({Field::Second, {}});
            break;
        case u'z':
            pattern.elements.push_back({Field::Millis, {}});
            break;
        case u'A':
        case u'a':
            // "AP" / "ap" is one marker, as is a lone "A" / "a".
            if (i + run < n && (format[i + run] == u'P' || format[i + run] == u'p')) {
                ++run;
            }
            pattern.elements.push_back({Field::AmPm, {}});
            break;
        case u't':
            return std::nullopt;
        case u'\'': {
            // Quoted literal text; '' is a quote.
            qsizetype j = i + 1;
            if (run >= 2) {
                pattern.elements.push_back({Field::Literal, u'\''});
                i += 2;
                continue;
            }
            while (j < n && format[j] != u'\'') {
                pattern.elements.push_back({Field::Literal, format[j]});
                ++j;
            }
            i = j + 1;
            continue;
        }
        default:
            for (qsizetype k = 0; k < run; ++k) {
                if (c.isSpace()) {
                    if (k == 0) {
                        pattern.elements.push_back({Field::Blank, {}});
                    }
                } else {
                    pattern.elements.push_back({Field::Literal, c});
                }
            }
            break;
        }
        i += run;
    }
    return pattern;
}

struct Names {
    QStringList months[2]; // short, long: index 0 is January
    QStringList days;      // short and long weekday names
    QString am;
    QString pm;
};

Names NamesOf(const QLocale& locale) {
    Names names;
    for (int m = 1; m <= 12; ++m) {
        names.months[0].append(locale.monthName(m, QLocale::ShortFormat));
        names.months[1].append(locale.monthName(m, QLocale::LongFormat));
    }
    for (int d = 1; d <= 7; ++d) {
        names.days.append(locale.dayName(d, QLocale::LongFormat));
        names.days.append(locale.dayName(d, QLocale::ShortFormat));
    }
    names.am = locale.amText();
    names.pm = locale.pmText();
    return names;
}

// Reads 1..maxDigits digits at pos.
bool Digits(QStringView text, qsizetype& pos, int minDigits, int maxDigits, int& value) {
    value = 0;
    int count = 0;
    while (count < maxDigits && pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9') {
        value = value * 10 + (text[pos].unicode() - u'0');
        ++pos;
        ++count;
    }
    return count >= minDigits;
}

bool StartsWithName(QStringView text, qsizetype pos, const QString& name) {
    return !name.isEmpty() && text.sliced(pos).startsWith(name, Qt::CaseInsensitive);
}

std::optional<qint64> Match(QStringView text, const Pattern& pattern, const Names& names) {
    int day = 1;
    int month = 1;
    int year = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millis = 0;
    int pm = -1; // -1 no marker, 0 AM, 1 PM
    bool hour12 = false;
    qsizetype pos = 0;
    for (const Element& e : pattern.elements) {
        switch (e.field) {
        case Field::Day:
            if (!Digits(text, pos, 1, 2, day)) {
                return std::nullopt;
            }
            break;
        case Field::Month:
            if (!Digits(text, pos, 1, 2, month)) {
                return std::nullopt;
            }
            break;
        case Field::Year2:
            if (!Digits(text, pos, 2, 2, year)) {
                return std::nullopt;
            }
            year += year < 50 ? 2000 : 1900;
            break;
        case Field::Year4:
            if (!Digits(text, pos, 4, 4, year)) {
                return std::nullopt;
            }
            break;
        case Field::Hour12:
            hour12 = true;
            [[fallthrough]];
        case Field::Hour24:
            if (!Digits(text, pos, 1, 2, hour)) {
                return std::nullopt;
            }
            break;
        case Field::Minute:
            if (!Digits(text, pos, 1, 2, minute)) {
                return std::nullopt;
            }
            break;
        case Field::Second:
            if (!Digits(text, pos, 1, 2, second)) {
                return std::nullopt;
            }
            break;
        case Field::Millis:
            if (!Digits(text, pos, 1, 3, millis)) {
                return std::nullopt;
            }
            break;
        case Field::MonthName: {
            // Long names first: "June" must not stop at "Jun".
            int found = 0;
            qsizetype length = 0;
            for (int form = 1; form >= 0 && found == 0; --form) {
                for (int m = 0; m < 12; ++m) {
                    if (StartsWithName(text, pos, names.months[form][m])) {
                        found = m + 1;
                        length = names.months[form][m].size();
                        break;
                    }
                }
            }
            if (found == 0) {
                return std::nullopt;
            }
            month = found;
            pos += length;
            break;
        }
        case Field::DayName: {
            qsizetype length = 0;
            for (const QString& name : names.days) {
                if (name.size() > length && StartsWithName(text, pos, name)) {
                    length = name.size();
                }
            }
            if (length == 0) {
                return std::nullopt;
            }
            pos += length;
            break;
        }
        case Field::AmPm:
            if (StartsWithName(text, pos, names.am)) {
                pm = 0;
                pos += names.am.size();
            } else if (StartsWithName(text, pos, names.pm)) {
                pm = 1;
                pos += names.pm.size();
            } else {
                return std::nullopt;
            }
            break;
        case Field::Blank:
            if (pos >= text.size() || !text[pos].isSpace()) {
                return std::nullopt;
            }
            while (pos < text.size() && text[pos].isSpace()) {
                ++pos;
            }
            break;
        case Field::Literal:
            if (pos >= text.size() || text[pos] != e.literal) {
                return std::nullopt;
            }
            ++pos;
            break;
        }
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    if (hour12) {
        if (hour < 1 || hour > 12 || pm < 0) {
            return std::nullopt;
        }
        hour = hour % 12 + (pm == 1 ? 12 : 0);
    }
    if (hour > 23 || minute > 59 || second > 59) {
        return std::nullopt;
    }
    // A time alone counts as a time on the zero day of the old desktop date scale.
    const QDate date = pattern.hasDate ? QDate(year, month, day) : QDate(1899, 12, 30);
    if (!date.isValid()) {
        return std::nullopt;
    }
    return date.toJulianDay() * kMsPerDay + ((hour * 60 + minute) * 60 + second) * 1000 + millis;
}

// The accepted formats, compiled once per sort: the server's own forms (month first, whatever
// the desk's locale) and the user's locale's short forms.
class DateReader {
public:
    explicit DateReader(const QLocale& locale) : names_(NamesOf(locale)) {
        const QString serverFormats[] = {
            QStringLiteral("M/d/yyyy"),
            QStringLiteral("M/d/yyyy h:mm AP"),
            QStringLiteral("M/d/yyyy h:mm:ss AP"),
            QStringLiteral("M/d/yyyy H:mm"),
            QStringLiteral("M/d/yyyy H:mm:ss"),
            QStringLiteral("yyyy-M-d"),
            QStringLiteral("yyyy-M-d H:mm"),
            QStringLiteral("yyyy-M-d H:mm:ss"),
            QStringLiteral("yyyy-M-dTH:mm:ss"),
            QStringLiteral("h:mm AP"),
            QStringLiteral("h:mm:ss AP"),
            QStringLiteral("H:mm"),
            QStringLiteral("H:mm:ss"),
        };
        const QString localeFormats[] = {
            locale.dateFormat(QLocale::ShortFormat),
            locale.dateTimeFormat(QLocale::ShortFormat),
            locale.timeFormat(QLocale::ShortFormat),
        };
        QStringList seen;
        auto add = [&](const QString& format, std::vector<Pattern>& into) {
            if (format.isEmpty() || seen.contains(format)) {
                return;
            }
            seen.append(format);
            if (auto pattern = Compile(format)) {
                into.push_back(std::move(*pattern));
            }
        };
        for (const QString& format : serverFormats) {
            add(format, server_);
        }
        for (const QString& format : localeFormats) {
            add(format, locale_);
        }
    }

    // Server forms first, then the locale's. With localeFirst the locale's forms are tried
    // first: a column holding a date only the locale reads (13/03/2024 in a day-first locale)
    // was not written by the server, so its ambiguous dates (03/04/2024) read the same way.
    std::optional<qint64> Read(QStringView text, bool localeFirst = false) const {
        text = text.trimmed();
        if (!MayBeDate(text)) {
            return std::nullopt;
        }
        const auto& first = localeFirst ? locale_ : server_;
        const auto& second = localeFirst ? server_ : locale_;
        if (auto value = MatchAny(text, first)) {
            return value;
        }
        return MatchAny(text, second);
    }

    // True when the text fits a locale form and no server form.
    bool OnlyLocaleReads(QStringView text) const {
        text = text.trimmed();
        return MayBeDate(text) && !MatchAny(text, server_) && MatchAny(text, locale_);
    }

private:
    static bool MayBeDate(QStringView text) {
        // Every accepted form has a digit within its first few characters; most text cells are
        // turned away here without trying any pattern.
        if (text.isEmpty() || text.size() > kMaxDateText) {
            return false;
        }
        for (qsizetype i = 0; i < qMin<qsizetype>(text.size(), 12); ++i) {
            if (text[i].isDigit()) {
                return true;
            }
        }
        return false;
    }
    std::optional<qint64> MatchAny(QStringView text, const std::vector<Pattern>& patterns) const {
        for (const Pattern& pattern : patterns) {
            if (auto value = Match(text, pattern, names_)) {
                return value;
            }
        }
        return std::nullopt;
    }

    Names names_;
    std::vector<Pattern> server_;
    std::vector<Pattern> locale_;
};

bool AllDigits(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// Compares two digit strings by value, without a length limit.
int CompareDigits(QStringView a, QStringView b) {
    auto strip = [](QStringView s) {
        qsizetype i = 0;
        while (i < s.size() && s[i] == u'0') {
            ++i;
        }
        return s.sliced(i);
    };
    a = strip(a);
    b = strip(b);
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    return a.compare(b);
}

int Sign(qint64 v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

QCollator MakeCollator(const QLocale& locale) {
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseSensitive);
    collator.setNumericMode(false);
    return collator;
}

} // namespace

std::optional<qint64> ParseDateTime(QStringView text, const QLocale& locale) {
    return DateReader(locale).Read(text);
}

qint64 LeadingInteger(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    qint64 value = 0;
    for (int digits = 0; i < text.size() && text[i] >= u'0' && text[i] <= u'9' && digits < 18;
         ++i, ++digits) {
        value = value * 10 + (text[i].unicode() - u'0');
    }
    return negative ? -value : value;
}

int Compare(const QString& a, const QString& b, bool labelColumn, const QLocale& locale) {
    if (labelColumn) {
        return Sign(LeadingInteger(a) - LeadingInteger(b));
    }
    if (AllDigits(a) && AllDigits(b)) {
        return CompareDigits(a, b);
    }
    const DateReader reader(locale);
    const bool localeFirst = reader.OnlyLocaleReads(a) || reader.OnlyLocaleReads(b);
    const auto da = reader.Read(a, localeFirst);
    const auto db = da ? reader.Read(b, localeFirst) : std::nullopt;
    if (da && db) {
        return Sign(*da - *db);
    }
    return Sign(MakeCollator(locale).compare(a, b));
}

QList<int> SortOrder(const QStringList& texts, bool labelColumn, bool ascending, const QLocale& locale) {
    const qsizetype n = texts.size();

    // Everything the comparison needs, worked out once per cell; the sort then moves these small
    // items and never looks at a text again (save for numbers too long for 64 bits).
    enum Kind : quint8 { Number, LongNumber, Date, Text };
    struct Item {
        qint64 value = 0; // number, or date in milliseconds
        qint32 rank = 0;  // place of the text in the collation order
        qint32 index = 0;
        Kind kind = Text;
    };
    std::vector<Item> items(static_cast<size_t>(n));
    qsizetype numbers = 0;
    qsizetype longNumbers = 0;
    qsizetype dates = 0;
    if (labelColumn) {
        for (qsizetype i = 0; i < n; ++i) {
            items[size_t(i)] = {LeadingInteger(texts[i]), 0, static_cast<qint32>(i), Number};
        }
        numbers = n;
    } else {
        const DateReader reader(locale);
        // One reading for the whole column (see DateReader::Read).
        bool localeFirst = false;
        for (qsizetype i = 0; i < n && !localeFirst; ++i) {
            localeFirst = !AllDigits(texts[i]) && reader.OnlyLocaleReads(texts[i]);
        }
        for (qsizetype i = 0; i < n; ++i) {
            Item& item = items[size_t(i)];
            item.index = static_cast<qint32>(i);
            const QString& text = texts[i];
            if (AllDigits(text)) {
                item.kind = text.size() > 18 ? LongNumber : Number;
                for (qsizetype k = 0; item.kind == Number && k < text.size(); ++k) {
                    item.value = item.value * 10 + (text[k].unicode() - u'0');
                }
                ++(item.kind == Number ? numbers : longNumbers);
            } else if (auto when = reader.Read(text, localeFirst)) {
                item.kind = Date;
                item.value = *when;
                ++dates;
            }
        }
    }
    const bool onlyValues = numbers == n || dates == n;

    if (!onlyValues) {
        // Collation ranks per distinct text: columns repeat their texts a lot (names, places,
        // status dots), and equal texts need only one collation key.
        QHash<QString, qint32> idOf;
        std::vector<qint32> distinct; // index of a cell holding each distinct text
        for (Item& item : items) {
            auto it = idOf.constFind(texts[item.index]);
            if (it == idOf.cend()) {
                it = idOf.insert(texts[item.index], static_cast<qint32>(distinct.size()));
                distinct.push_back(item.index);
            }
            item.rank = *it;
        }
        const QCollator collator = MakeCollator(locale);
        std::vector<QCollatorSortKey> keys;
        keys.reserve(distinct.size());
        for (const qint32 cell : distinct) {
            keys.push_back(collator.sortKey(texts[cell]));
        }
        std::vector<qint32> byCollation(distinct.size());
        std::iota(byCollation.begin(), byCollation.end(), 0);
        std::sort(byCollation.begin(), byCollation.end(),
                  [&](qint32 x, qint32 y) { return keys[size_t(x)].compare(keys[size_t(y)]) < 0; });
        std::vector<qint32> rankOf(distinct.size());
        qint32 rank = 0;
        for (size_t i = 0; i < byCollation.size(); ++i) {
            // Texts the collation holds equal share a rank, so they keep their order.
            if (i > 0 && keys[size_t(byCollation[i - 1])].compare(keys[size_t(byCollation[i])]) != 0) {
                ++rank;
            }
            rankOf[size_t(byCollation[i])] = rank;
        }
        for (Item& item : items) {
            item.rank = rankOf[size_t(item.rank)];
        }
    }

    auto sortBy = [&](auto compare) {
        if (ascending) {
            std::stable_sort(items.begin(), items.end(),
                             [&](const Item& x, const Item& y) { return compare(x, y) < 0; });
        } else {
            std::stable_sort(items.begin(), items.end(),
                             [&](const Item& x, const Item& y) { return compare(x, y) > 0; });
        }
    };
    if (onlyValues) {
        sortBy([](const Item& a, const Item& b) { return Sign(a.value - b.value); });
    } else if (numbers + longNumbers <= 1 && dates <= 1) {
        // No pair of numbers or dates: every comparison is by text.
        sortBy([](const Item& a, const Item& b) { return a.rank - b.rank; });
    } else {
        sortBy([&](const Item& a, const Item& b) {
            const bool aNumber = a.kind == Number || a.kind == LongNumber;
            const bool bNumber = b.kind == Number || b.kind == LongNumber;
            if (aNumber && bNumber) {
                return a.kind == LongNumber || b.kind == LongNumber
                           ? CompareDigits(texts[a.index], texts[b.index])
                           : Sign(a.value - b.value);
            }
            if (a.kind == Date && b.kind == Date) {
                return Sign(a.value - b.value);
            }
            return Sign(qint64(a.rank) - b.rank);
        });
    }

    QList<int> order;
    order.reserve(n);
    for (const Item& item : items) {
        order.append(item.index);
    }
    return order;
}

} // namespace SortKey
