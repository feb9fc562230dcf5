#pragma once

#include <QString>

// LibreOffice does not take form protection from RTF, so a signed report opened there as it is
// lets the user change the signature statement. It does honour a protected section in its own
// format: these two steps let the user edit a flat-ODT copy of the report whose last section
// (the one holding the statement) is protected, and bring the edited copy back as the report's
// RTF.
namespace ProtectedEditCopy {

// Converts the report at path to a flat ODT copy beside it (same name, ".fodt"), with its last
// section protected. Returns the copy's path; empty when LibreOffice is missing or fails.
// protectedSection tells whether the report had a section to protect.
QString Make(const QString& path, bool* protectedSection = nullptr);

// Converts the copy back to RTF over path (atomically; not while path is held) and removes the
// copy. False, with path unchanged, when that fails.
bool Return(const QString& copyPath, const QString& path);

// The flat-ODT text with its last section protected; unchanged when it has none.
QByteArray ProtectLastSection(const QByteArray& fodt, bool* found = nullptr);

} // namespace ProtectedEditCopy
