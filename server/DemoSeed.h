#pragma once

#include "server/Database.h"

#include <ctime>

// Fills an empty database with the demo practice: three care providers (12 Dr. Amelia Hart,
// 15 Dr. Rafael Ortiz, 18 Dr. Nina Kowalski), office staff user 90 (Olivia Brandt, works for 12
// and 15), locations 3 North Clinic, 4 South Clinic, 5 East Office, about forty transcribed reports
// over the three weeks before today (most in the last six days), ten pending dictations, versions,
// an address book and custom properties. Dates are taken relative to today. One transaction.
void SeedDemo(Database& db, const std::tm& today);
