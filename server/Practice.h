#pragma once

#include "server/Database.h"

#include <optional>
#include <string>
#include <vector>

// The practice as the scripts need it: users, the providers they work for, reports and their
// displayed fields. Every function expects the caller to hold the database lock.
namespace Practice {

struct User {
    std::string id;
    std::string name;
    std::string role; // "provider" or "staff"
    std::string signatureLine;
    std::string printPrivilege;
    std::string defaultCustomProperty;
};

struct ServedProvider {
    std::string id;
    std::string name;
    std::string privileges; // six flags: read/history, print, fax, forward, edit, rename
};

struct Report {
    std::string name;
    std::string kind; // "t" transcribed, "p" pending dictation
    std::string providerId;
    std::string locationId;
    std::string dictatedAt;
    std::string transcribedAt;
    std::string savedAt;
    bool opened = false;
    bool printed = false;
    bool faxed = false;
    bool forwarded = false;
    bool esigned = false;
    std::string stat;
    bool archived = false;
};

// Keys that every file list carries before the displayed fields, and fields the server computes.
inline constexpr const char* kDictationDateTime = "Dictation Date/Time";
inline constexpr const char* kTranscribedDateTime = "Transcribed Date/Time";
inline constexpr const char* kUploadedDateTime = "Uploaded Date/Time";

std::optional<User> FindUser(Database& db, const std::string& id);
std::vector<User> AllUsers(Database& db);
std::vector<ServedProvider> ProvidersOf(Database& db, const std::string& userId);
std::vector<std::pair<std::string, std::string>> LocationsOf(Database& db, const std::string& providerId);
std::string ProviderName(Database& db, const std::string& id);
std::string LocationName(Database& db, const std::string& id);

std::optional<Report> FindReport(Database& db, const std::string& name);
std::vector<Report> ReportsOfKind(Database& db, const std::string& kind);

// The user's flags for a report: a per-report setting wins over the one for its provider; empty
// when the user does not work for the report's provider.
std::string PrivilegesFor(Database& db, const std::string& userId, const Report& report);
bool Allows(const std::string& privileges, std::size_t position);

// The user's displayed custom properties in their stored order, and the whole catalogue.
std::vector<std::string> SelectedProperties(Database& db, const std::string& userId);
std::string FieldValue(Database& db, const Report& report, const std::string& name);
// Sets the named demographic of the report (a computed field cannot be set); false for those.
bool SetField(Database& db, const std::string& reportName, const std::string& name, const std::string& value);

std::string ActivityIndicator(const Report& report);
// The name shown in lists: a pending job with a STAT mark carries it in braces ("J260103{STAT4}").
std::string DisplayName(const Report& report);
// A name as the desk sends it back: the braced part removed ("J260103{STAT4}" -> "J260103").
std::string JobName(const std::string& text);

// Undoes the desk's credential scramble (+2, -2, +2, ... per byte, 8-bit wrapping).
std::string Unscramble(const std::string& text);

void RecordAudit(Database& db, const std::string& reportName, const std::string& userId,
                 const std::string& event, const std::string& detail);
// Copies the report's current document into a new version; returns the version number (0 when
// there was no document).
int KeepVersion(Database& db, const Report& report);

} // namespace Practice
