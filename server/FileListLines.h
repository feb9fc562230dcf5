#pragma once

#include "server/Database.h"
#include "server/Practice.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

// The lines of one user's file list: "Privileges~..|Owner~..|Activity Indicator~.....|Filename~.."
// and the user's displayed fields, one line per report. Its statements are prepared once for the
// whole list and a report's fields read in one query, not one per cell: a 1,000-row list asked
// SQLite some 12,000 prepared statements before, most of the time it took to answer.
class FileListLines {
public:
    FileListLines(Database& db, const std::string& userId);
    std::string Line(const Practice::Report& report);

private:
    std::string Privileges(const Practice::Report& report);
    // As Practice::FieldValue, from the report's fields read once.
    std::string Field(const Practice::Report& report, const std::string& name);
    void ReadFields(const Practice::Report& report);

    Database& db_;
    std::vector<std::string> properties_;
    Statement ownPrivileges_;
    Statement servedPrivileges_;
    Statement fields_;
    std::string userId_;
    std::map<std::string, std::string> served_;    // provider id as stored -> the user's flags
    std::map<std::string, std::string> locations_; // location id as stored -> its name
    std::vector<std::pair<std::string, std::string>> reportFields_; // of the report being written
};
