#pragma once

#include "reportlist/core/DeskContext.h"

// "Forward": the service has no forwarding yet, so the desk says so and changes nothing.
class Forward final {
public:
    explicit Forward(DeskContext& desk) : desk_(desk) {}
    void Run();

private:
    [[maybe_unused]] DeskContext& desk_;
};
