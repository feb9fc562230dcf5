#include "server/FileListLines.h"

#include "server/DateText.h"
#include "server/TextUtil.h"

using Practice::Report;

FileListLines::FileListLines(Database& db, const std::string& userId)
    : db_(db), properties_(Practice::SelectedProperties(db, userId)),
      ownPrivileges_(
          db.Prepare("SELECT privileges FROM report_privileges WHERE user_id = ? AND report_name = ?")),
      servedPrivileges_(
          db.Prepare("SELECT privileges FROM user_providers WHERE user_id = ? AND provider_id = ?")),
      fields_(db.Prepare("SELECT name, value FROM report_fields WHERE report_name = ?")), userId_(userId) {}

std::string FileListLines::Privileges(const Report& report) {
    ownPrivileges_.Reset();
    ownPrivileges_.Bind(1, userId_).Bind(2, report.name);
    if (ownPrivileges_.Step()) {
        return ownPrivileges_.Text(0);
    }
    const auto known = served_.find(report.providerId);
    if (known != served_.end()) {
        return known->second;
    }
    servedPrivileges_.Reset();
    servedPrivileges_.Bind(1, userId_).Bind(2, report.providerId);
    std::string flags = servedPrivileges_.Step() ? servedPrivileges_.Text(0) : std::string();
    served_.emplace(report.providerId, flags);
    return flags;
}

void FileListLines::ReadFields(const Report& report) {
    reportFields_.clear();
    fields_.Reset();
    fields_.Bind(1, report.name);
    while (fields_.Step()) {
        reportFields_.emplace_back(fields_.Text(0), fields_.Text(1));
    }
}

std::string FileListLines::Field(const Report& report, const std::string& name) {
    if (Text::EqualsNoCase(name, Practice::kDictationDateTime) ||
        Text::EqualsNoCase(name, Practice::kTranscribedDateTime) ||
        Text::EqualsNoCase(name, Practice::kUploadedDateTime)) {
        return Practice::FieldValue(db_, report, name); // computed: no query
    }
    // Field names are unique without regard to ASCII case, as SQLite's NOCASE compares them.
    for (const auto& [field, value] : reportFields_) {
        if (Text::EqualsNoCase(field, name)) {
            return value;
        }
    }
    if (Text::EqualsNoCase(name, "Location")) {
        auto known = locations_.find(report.locationId);
        if (known == locations_.end()) {
            known =
                locations_.emplace(report.locationId, Practice::LocationName(db_, report.locationId)).first;
        }
        return known->second;
    }
    return {};
}

std::string FileListLines::Line(const Report& report) {
    std::string line = "Privileges~" + Privileges(report) + "|Owner~" + report.providerId +
                       "|Activity Indicator~" + Practice::ActivityIndicator(report) + "|Filename~" +
                       Text::ListValue(Practice::DisplayName(report));
    if (report.kind == "p") {
        // A pending list shows one field after the file name.
        return line + "|" + Practice::kDictationDateTime + "~" + Field(report, Practice::kDictationDateTime);
    }
    ReadFields(report);
    for (const std::string& name : properties_) {
        if (Text::EqualsNoCase(name, "Filename")) {
            continue;
        }
        line.append("|")
            .append(Text::ListValue(name))
            .append("~")
            .append(Text::ListValue(Field(report, name)));
    }
    return line;
}
