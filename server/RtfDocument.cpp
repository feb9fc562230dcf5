#include "server/RtfDocument.h"

#include <cstdio>

namespace {

// Property values are read back by the desk without unescaping, so they carry no RTF syntax.
std::string PropertyText(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c != '{' && c != '}' && c != '\\' && c != '\r' && c != '\n') {
            out += c;
        }
    }
    return out;
}

std::string ValueOf(const RtfReport& report, const std::string& name) {
    for (const auto& [key, value] : report.properties) {
        if (key == name) {
            return value;
        }
    }
    return {};
}

} // namespace

std::string RtfEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\par\n";
        } else if (c == '\r') {
            continue;
        } else if (byte >= 0x80) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\'%02x", byte);
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::string EsignStatement(const std::string& signature, const std::string& date) {
    return "This document has been Electronically ESigned by " + signature + " on " + date + ".";
}

std::string RevisionStatement(const std::string& signature, const std::string& date) {
    return "This document has been Revised and Electronically ESigned by " + signature + " on " + date + ".";
}

std::string BuildRtf(const RtfReport& report) {
    std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033"
        "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\froman\\fcharset0 Times New Roman;}}\n"
        "{\\colortbl;\\red0\\green0\\blue0;}\n";
    rtf += "{\\info{\\title " + RtfEscape(report.title) + "}{\\author Velmo transcription}}\n";
    rtf += "{\\*\\userprops ";
    for (const auto& [name, value] : report.properties) {
        rtf += "{\\propname " + PropertyText(name) + "}\\proptype30{\\staticval " + PropertyText(value) + "}";
    }
    rtf += "}\n";
    rtf += "\\paperw12240\\paperh15840\\margl1440\\margr1440\\margt1440\\margb1440\n";
    rtf += "\\pard\\plain\\qc\\f0\\fs28\\b " + RtfEscape(report.title) + "\\b0\\par\n";
    rtf += "\\pard\\plain\\f0\\fs20\\par\n";
    for (const auto& [label, name] : report.headerLines) {
        const std::string safe = PropertyText(name);
        rtf += "\\b " + RtfEscape(label) + ":\\b0  {\\*\\bkmkstart " + safe + "}" +
               RtfEscape(ValueOf(report, name)) + "{\\*\\bkmkend " + safe + "}\\par\n";
    }
    rtf += "\\par\n";
    for (std::size_t i = 0; i < report.paragraphs.size(); ++i) {
        if (i > 0 && i == report.newSectionAfter) {
            rtf += "\\sect\\sectd\\sbkpage\\pard\\plain\\f0\\fs20\n";
        }
        rtf += RtfEscape(report.paragraphs[i]) + "\\par\n";
    }
    if (!report.statement.empty()) {
        // A continuous section break, then the statement in small print, as the desk writes it.
        rtf += "\\sect\\sectd\\sbknone\\pard\\plain\\f0\\fs16\\cf1\\par\\par\\par\\par " +
               RtfEscape(report.statement) + "\\par\n";
    }
    rtf += "}\n";
    return rtf;
}
