#pragma once

// The module's start: what the desk does once per process before any window exists.
namespace VelmoApp {

// Writes the module's version line to the activity log, makes the profile folder private to the
// user and deletes the activity logs older than logRetentionDays (0 keeps them all). Called
// once, first thing.
void InitInstance(int logRetentionDays);

} // namespace VelmoApp
