#pragma once

#include "server/Database.h"

#include <ctime>
#include <string>
#include <string_view>

// Fills an empty database with the practice a JSON file describes (--seed FILE), so that a test
// gets exactly the users, rows and documents it needs. The layout is in docs/server.md. The file
// is read whole but bounded (size, nesting, counts); a mistake leaves the database empty and
// answers false with error set.
bool SeedFromFile(Database& db, const std::string& path, const std::tm& today, std::string& error);

// The same from JSON text already in memory (the demo practice is built into the server).
// folder holds the files its reports' "documentFile" names; label is kept as the database's
// "seed" (demo, file).
bool SeedFromText(Database& db, std::string_view json, const std::string& folder, const std::string& label,
                  const std::tm& today, std::string& error);
