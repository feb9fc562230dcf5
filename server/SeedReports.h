#pragma once

#include "server/Database.h"
#include "server/SeedJson.h"

#include <ctime>
#include <filesystem>

// Inserts the seed's "reports": each report's row, fields, flags for single users, document,
// earlier versions and audit events, its times taken relative to today. The providers must be in
// the database already (a signed document takes its provider's signature). folder holds the
// files a report's "documentFile" names. Throws SeedError on a mistake.
void SeedReports(Database& db, const SeedJson& seed, const std::tm& today,
                 const std::filesystem::path& folder);
