#pragma once

#include "reportlist/core/DeskContext.h"

// "Fax": the selected reports the user may fax go to the contact book; the others are named.
class Fax final {
public:
    explicit Fax(DeskContext& desk) : desk_(desk) {}
    void Run();

private:
    DeskContext& desk_;
};
