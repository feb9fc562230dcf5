#pragma once

#include <ctime>
#include <optional>
#include <string>

// Times are kept in the database as local "YYYY-MM-DD HH:MM:SS" texts, so that a date range is a
// plain comparison of their first ten characters.
namespace DateText {

std::tm LocalNow();
// mktime-normalised copy of t moved by the given days and minutes (month and year roll over).
std::tm Shifted(const std::tm& t, int days, int minutes = 0);

std::string Stored(const std::tm& t); // "2026-03-15 09:05:00"
std::optional<std::tm> FromStored(const std::string& text);

// Dates shown in lists: "03/15/2026 09:05 AM" and "03/15/2026".
std::string ListDateTime(const std::tm& t);
std::string ListDate(const std::tm& t);
std::string StoredToListDateTime(const std::string& stored);

// "getservertime.asp": "03-15-2026 09:05:00".
std::string ServerTime(const std::tm& t);
// The e-sign statement's date: "03-15-26 at 09:05:00".
std::string StatementDate(const std::tm& t);

// Query dates: "YYYY-MM-DD" (file list) and "MM-DD-YYYY" (search), both returned as "YYYY-MM-DD"
// when they name a real day.
std::optional<std::string> IsoDay(const std::string& text);
std::optional<std::string> UsDay(const std::string& text);

} // namespace DateText
