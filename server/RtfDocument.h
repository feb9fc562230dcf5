#pragma once

#include <string>
#include <utility>
#include <vector>

// A report as the word processor stores it: RTF, with the demographics twice, as user-defined
// document properties ({\propname N}\proptype30{\staticval V} inside {\*\userprops ...}) and as
// bookmarks named after the property around the same values in the text.
struct RtfReport {
    std::string title;
    std::vector<std::pair<std::string, std::string>> properties;  // name, value
    std::vector<std::pair<std::string, std::string>> headerLines; // label, property name
    std::vector<std::string> paragraphs;
    std::string statement;           // the e-sign statement, empty for an unsigned report
    std::size_t newSectionAfter = 0; // a section break (new page) after this many paragraphs; 0: none
};

std::string BuildRtf(const RtfReport& report);

// "This document has been Electronically ESigned by " + signature + " on " + date + "."
std::string EsignStatement(const std::string& signature, const std::string& date);
// "This document has been Revised and Electronically ESigned by " + signature + " on " + date + "."
std::string RevisionStatement(const std::string& signature, const std::string& date);

// Text for the body of an RTF document: control characters escaped, non-ASCII as \'hh.
std::string RtfEscape(const std::string& text);
