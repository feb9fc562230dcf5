#include "server/DateText.h"

#include <array>
#include <cstdio>

namespace DateText {

namespace {

bool AllDigits(const std::string& text, std::size_t from, std::size_t count) {
    if (from + count > text.size()) {
        return false;
    }
    for (std::size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    return true;
}

int Number(const std::string& text, std::size_t from, std::size_t count) {
    int value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

std::optional<std::string> Day(int year, int month, int day) {
    if (year < 1900 || year > 2999 || month < 1 || month > 12 || day < 1) {
        return std::nullopt;
    }
    static constexpr std::array<int, 12> kDays{31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int last = (month == 2 && !leap) ? 28 : kDays[static_cast<std::size_t>(month - 1)];
    if (day > last) {
        return std::nullopt;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", year, month, day);
    return std::string(buffer);
}

std::string Format(const std::tm& t, const char* format) {
    char buffer[64];
    const std::size_t n = std::strftime(buffer, sizeof buffer, format, &t);
    return std::string(buffer, n);
}

} // namespace

std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    return t;
}

std::tm Shifted(const std::tm& t, int days, int minutes) {
    std::tm copy = t;
    copy.tm_mday += days;
    copy.tm_min += minutes;
    copy.tm_isdst = -1;
    std::mktime(&copy);
    return copy;
}

std::string Stored(const std::tm& t) {
    return Format(t, "%Y-%m-%d %H:%M:%S");
}

std::optional<std::tm> FromStored(const std::string& text) {
    if (text.size() != 19 || !AllDigits(text, 0, 4) || !AllDigits(text, 5, 2) || !AllDigits(text, 8, 2) ||
        !AllDigits(text, 11, 2) || !AllDigits(text, 14, 2) || !AllDigits(text, 17, 2)) {
        return std::nullopt;
    }
    std::tm t{};
    t.tm_year = Number(text, 0, 4) - 1900;
    t.tm_mon = Number(text, 5, 2) - 1;
    t.tm_mday = Number(text, 8, 2);
    t.tm_hour = Number(text, 11, 2);
    t.tm_min = Number(text, 14, 2);
    t.tm_sec = Number(text, 17, 2);
    t.tm_isdst = -1;
    std::mktime(&t);
    return t;
}

std::string ListDateTime(const std::tm& t) {
    return Format(t, "%m/%d/%Y %I:%M %p");
}

std::string ListDate(const std::tm& t) {
    return Format(t, "%m/%d/%Y");
}

std::string StoredToListDateTime(const std::string& stored) {
    const auto t = FromStored(stored);
    return t ? ListDateTime(*t) : std::string();
}

std::string ServerTime(const std::tm& t) {
    return Format(t, "%m-%d-%Y %H:%M:%S");
}

std::string StatementDate(const std::tm& t) {
    return Format(t, "%m-%d-%y at %H:%M:%S");
}

std::optional<std::string> IsoDay(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !AllDigits(text, 0, 4) ||
        !AllDigits(text, 5, 2) || !AllDigits(text, 8, 2)) {
        return std::nullopt;
    }
    return Day(Number(text, 0, 4), Number(text, 5, 2), Number(text, 8, 2));
}

std::optional<std::string> UsDay(const std::string& text) {
    if (text.size() != 10 || text[2] != '-' || text[5] != '-' || !AllDigits(text, 0, 2) ||
        !AllDigits(text, 3, 2) || !AllDigits(text, 6, 4)) {
        return std::nullopt;
    }
    return Day(Number(text, 6, 4), Number(text, 0, 2), Number(text, 3, 2));
}

} // namespace DateText
