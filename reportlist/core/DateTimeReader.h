#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <vector>

// Reads a cell text as a date, a date and time, or a time of day, in milliseconds on a continuous
// scale (day number * 86400000 + time of day). The accepted forms are the server's own (month
// first, whatever the desk's locale, and ISO) and the user's locale's short forms; they are
// compiled once, so one reader serves a whole column.
class DateTimeReader {
public:
    explicit DateTimeReader(const QLocale& locale);

    // Server forms first, then the locale's. With localeFirst the locale's forms are tried
    // first: a column holding a date only the locale reads (13/03/2024 in a day-first locale)
    // was not written by the server, so its ambiguous dates (03/04/2024) read the same way.
    // onlyLocale, when given, tells whether the text fits a locale form and no server form.
    std::optional<qint64> Read(QStringView text, bool localeFirst = false, bool* onlyLocale = nullptr) const;

    // One element of a compiled form.
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
    // The locale's words a form may hold.
    struct Names {
        QStringList months[2]; // short, long: index 0 is January
        QStringList days;      // short and long weekday names
        QString am;
        QString pm;
    };

private:
    std::optional<qint64> MatchAny(QStringView text, const std::vector<Pattern>& patterns) const;

    Names names_;
    std::vector<Pattern> server_;
    std::vector<Pattern> locale_;
};
