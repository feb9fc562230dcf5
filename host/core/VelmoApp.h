#pragma once

// The module's start: what the desk does once per process before any window exists.
namespace VelmoApp {

// Writes the module's version line to the activity log and makes the profile folder private to
// the user. Called once, first thing.
void InitInstance();

} // namespace VelmoApp
