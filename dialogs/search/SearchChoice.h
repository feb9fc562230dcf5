#pragma once

#include "reportlist/core/WindowState.h"

#include <QString>

// What a search asked for, as the bar above its result says it:
// "Last Name = whitfield, all care providers, 11/01/2026 to 11/30/2026".
QString DescribeSearch(const SearchChoice& choice);
