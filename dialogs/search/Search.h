#pragma once

#include "reportlist/core/DeskContext.h"

// "Search": finds reports by a patient demographic instead of the query filters; the result
// replaces the list's contents.
class Search final {
public:
    explicit Search(DeskContext& desk) : desk_(desk) {}
    void Run();

private:
    DeskContext& desk_;
};
