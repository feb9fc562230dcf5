#pragma once

#include "reportlist/core/DeskContext.h"

// "Rename": marks pending dictations STAT or hands them to another care provider, for the
// selected jobs the user may rename; the list is queried again afterwards.
class Rename final {
public:
    explicit Rename(DeskContext& desk) : desk_(desk) {}
    void Run();

private:
    DeskContext& desk_;
};
