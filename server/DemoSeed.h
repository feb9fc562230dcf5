#pragma once

#include "server/Database.h"

#include <ctime>
#include <string>

// Fills an empty database with the demo practice, server/demo-seed.json (built into the server):
// three care providers (12 Dr. Amelia Hart, 15 Dr. Rafael Ortiz, 18 Dr. Nina Kowalski), office
// staff user 90 (Olivia Brandt, works for 12 and 15), locations 3 North Clinic, 4 South Clinic,
// 5 East Office, about forty transcribed reports over the three weeks before today (most in the
// last six days), ten pending dictations, versions, an address book and custom properties. Dates
// are taken relative to today. One transaction; throws DatabaseError when it cannot be seeded.
void SeedDemo(Database& db, const std::tm& today);

// (DemoWord97.cpp) Replaces the demo report R260039's RTF by a binary Word 97 document made with LibreOffice
// (soffice on PATH, a private profile under dataDir), kept in a cache beside the temporary files.
// Answers the line for the server's log: done, or why the report stays RTF.
std::string AddWord97Report(Database& db, const std::string& dataDir);
