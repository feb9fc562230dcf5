#pragma once

#include <string>
#include <string_view>
#include <vector>

// Small text helpers of the server (ASCII case rules: ids and keys are ASCII).
namespace Text {

std::string Lower(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool ContainsNoCase(std::string_view text, std::string_view part);
std::string Trim(std::string_view text);

// All pieces, empty ones included; at most maxPieces (the rest joins the last piece).
std::vector<std::string> Split(std::string_view text, char delimiter, std::size_t maxPieces = 4096);
// Trimmed pieces with the empty ones dropped.
std::vector<std::string> SplitTrimmed(std::string_view text, char delimiter, std::size_t maxPieces = 4096);

// A value that goes into a "|"-separated list line: no "|", no line break.
std::string ListValue(std::string_view text);
std::string HtmlEscape(std::string_view text);
// A refusal's text: every "~" becomes "-", since the desk reads any "~" as success.
std::string WithoutTilde(std::string_view text);

} // namespace Text
