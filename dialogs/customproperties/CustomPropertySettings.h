#pragma once

#include "reportlist/core/DeskContext.h"

// "Custom Property Settings": the user chooses and orders the custom properties; after the
// server has taken the order the list is queried again so that it shows them.
class CustomPropertySettings final {
public:
    explicit CustomPropertySettings(DeskContext& desk) : desk_(desk) {}
    void Run();

private:
    DeskContext& desk_;
};
