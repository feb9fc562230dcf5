#pragma once

#include "server/Database.h"

#include <ctime>
#include <string>

// Fills an empty database with the practice a JSON file describes (--seed FILE), so that a test
// gets exactly the users, rows and documents it needs. The layout is in docs/server.md. The file
// is read whole but bounded (size, nesting, counts); a mistake leaves the database empty and
// answers false with error set.
bool SeedFromFile(Database& db, const std::string& path, const std::tm& today, std::string& error);
