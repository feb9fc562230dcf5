#include "reportlist/core/DateTimeReader.h"

#include <QDate>

namespace {

using Field = DateTimeReader::Field;
using Element = DateTimeReader::Element;
using Pattern = DateTimeReader::Pattern;
using Names = DateTimeReader::Names;

constexpr qint64 kMsPerDay = 86400000;
// A text longer than this is not taken for a date (no form is that long).
constexpr qsizetype kMaxDateText = 64;

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

// What a text has given of a date and time so far.
struct DateParts {
    int day = 1;
    int month = 1;
    int year = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millis = 0;
    int pm = -1; // -1 no marker, 0 AM, 1 PM
    bool hour12 = false;
};

// Where the digits of a numeric field go, and how many it takes.
struct NumberField {
    int DateParts::*part;
    int minDigits;
    int maxDigits;
};

std::optional<NumberField> NumberFieldOf(Field field) {
    switch (field) {
    case Field::Day:
        return NumberField{&DateParts::day, 1, 2};
    case Field::Month:
        return NumberField{&DateParts::month, 1, 2};
    case Field::Year2:
        return NumberField{&DateParts::year, 2, 2};
    case Field::Year4:
        return NumberField{&DateParts::year, 4, 4};
    case Field::Hour12:
    case Field::Hour24:
        return NumberField{&DateParts::hour, 1, 2};
    case Field::Minute:
        return NumberField{&DateParts::minute, 1, 2};
    case Field::Second:
        return NumberField{&DateParts::second, 1, 2};
    case Field::Millis:
        return NumberField{&DateParts::millis, 1, 3};
    default:
        return std::nullopt;
    }
}

// Reads minDigits..maxDigits digits at pos.
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

bool ReadNumber(Field field, const NumberField& number, QStringView text, qsizetype& pos, DateParts& parts) {
    int value = 0;
    if (!Digits(text, pos, number.minDigits, number.maxDigits, value)) {
        return false;
    }
    if (field == Field::Year2) {
        value += value < 50 ? 2000 : 1900;
    }
    parts.*number.part = value;
    parts.hour12 = parts.hour12 || field == Field::Hour12;
    return true;
}

bool StartsWithName(QStringView text, qsizetype pos, const QString& name) {
    return !name.isEmpty() && text.sliced(pos).startsWith(name, Qt::CaseInsensitive);
}

// A month name; long names first, so that "June" does not stop at "Jun".
bool ReadMonthName(QStringView text, qsizetype& pos, const Names& names, DateParts& parts) {
    for (int form = 1; form >= 0; --form) {
        for (int m = 0; m < 12; ++m) {
            if (StartsWithName(text, pos, names.months[form][m])) {
                parts.month = m + 1;
                pos += names.months[form][m].size();
                return true;
            }
        }
    }
    return false;
}

// A weekday name, the longest that fits; it says nothing the date does not.
bool ReadDayName(QStringView text, qsizetype& pos, const Names& names) {
    qsizetype length = 0;
    for (const QString& name : names.days) {
        if (name.size() > length && StartsWithName(text, pos, name)) {
            length = name.size();
        }
    }
    pos += length;
    return length > 0;
}

bool ReadAmPm(QStringView text, qsizetype& pos, const Names& names, DateParts& parts) {
    for (const auto& [marker, pm] : {std::pair{&names.am, 0}, std::pair{&names.pm, 1}}) {
        if (StartsWithName(text, pos, *marker)) {
            parts.pm = pm;
            pos += marker->size();
            return true;
        }
    }
    return false;
}

bool ReadElement(const Element& element, QStringView text, qsizetype& pos, const Names& names,
                 DateParts& parts) {
    if (const auto number = NumberFieldOf(element.field)) {
        return ReadNumber(element.field, *number, text, pos, parts);
    }
    switch (element.field) {
    case Field::MonthName:
        return ReadMonthName(text, pos, names, parts);
    case Field::DayName:
        return ReadDayName(text, pos, names);
    case Field::AmPm:
        return ReadAmPm(text, pos, names, parts);
    case Field::Blank:
        if (pos >= text.size() || !text[pos].isSpace()) {
            return false;
        }
        while (pos < text.size() && text[pos].isSpace()) {
            ++pos;
        }
        return true;
    case Field::Literal:
        return pos < text.size() && text[pos++] == element.literal;
    default:
        return false;
    }
}

std::optional<qint64> ToMilliseconds(DateParts parts, bool hasDate) {
    if (parts.hour12) {
        if (parts.hour < 1 || parts.hour > 12 || parts.pm < 0) {
            return std::nullopt;
        }
        parts.hour = parts.hour % 12 + (parts.pm == 1 ? 12 : 0);
    }
    if (parts.hour > 23 || parts.minute > 59 || parts.second > 59) {
        return std::nullopt;
    }
    // A time alone counts as a time on the zero day of the old desktop date scale.
    const QDate date = hasDate ? QDate(parts.year, parts.month, parts.day) : QDate(1899, 12, 30);
    if (!date.isValid()) {
        return std::nullopt;
    }
    return date.toJulianDay() * kMsPerDay + ((parts.hour * 60 + parts.minute) * 60 + parts.second) * 1000 +
           parts.millis;
}

std::optional<qint64> Match(QStringView text, const Pattern& pattern, const Names& names) {
    DateParts parts;
    qsizetype pos = 0;
    for (const Element& element : pattern.elements) {
        if (!ReadElement(element, text, pos, names, parts)) {
            return std::nullopt;
        }
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    return ToMilliseconds(parts, pattern.hasDate);
}

bool MayBeDate(QStringView text) {
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

} // namespace

DateTimeReader::DateTimeReader(const QLocale& locale) : names_(NamesOf(locale)) {
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

std::optional<qint64> DateTimeReader::Read(QStringView text, bool localeFirst, bool* onlyLocale) const {
    if (onlyLocale != nullptr) {
        *onlyLocale = false;
    }
    text = text.trimmed();
    if (!MayBeDate(text)) {
        return std::nullopt;
    }
    const auto& first = localeFirst ? locale_ : server_;
    const auto& second = localeFirst ? server_ : locale_;
    if (auto value = MatchAny(text, first)) {
        return value;
    }
    auto value = MatchAny(text, second);
    if (onlyLocale != nullptr) {
        // Only with the server's forms tried first does a miss there mean "only the locale".
        *onlyLocale = !localeFirst && value.has_value();
    }
    return value;
}

std::optional<qint64> DateTimeReader::MatchAny(QStringView text, const std::vector<Pattern>& patterns) const {
    for (const Pattern& pattern : patterns) {
        if (auto value = Match(text, pattern, names_)) {
            return value;
        }
    }
    return std::nullopt;
}
