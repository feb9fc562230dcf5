#pragma once

#include <QString>

class SessionSettings;

// The ids the host page hands the desk (the logged-in user, each care provider's and each
// location's) end up in file names, profile-file sections and requests. One the names rule
// refuses means the page is not one the desk can trust.
namespace SessionIds {

// Why the session cannot be used, for the user; empty when every id is acceptable. Empty ids
// are left to the rest of the desk, which treats them as missing.
QString Refusal(const SessionSettings& session);

} // namespace SessionIds
