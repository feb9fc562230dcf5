#pragma once

#include <QString>

// The support contact that ends every permission refusal.
inline constexpr const char* kSupportEmail = "support@molve-reports.com";
inline constexpr const char* kSupportTelephone = "1-800-555-0142";

// "ACCESS DENIED: Your user account is not configured to " + what + " documents. ..." with the
// support contact and a full stop. what carries its own quotation marks ("\"Open\"").
QString AccessDeniedMessage(const QString& what);
// The contact part alone: "... via email at " + e-mail + " or " + telephone + ".", for the
// refusals whose wording differs before it.
QString SupportContactSentence();
