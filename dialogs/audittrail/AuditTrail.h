#pragma once

#include "reportlist/core/DeskContext.h"

#include <QString>

// "Audit Trail": the report's audit trail is a page of the report server; the desk opens it in
// the desktop's default browser. A desktop without a browser is told, with the address.
class AuditTrail final {
public:
    explicit AuditTrail(DeskContext& desk) : desk_(desk) {}
    void Run();

    // The page's address; the dates are always empty and admin always 0.
    static QString Address(const QString& serverUrl, const QString& loginId, const QString& fileName);
    // Said when the desktop has no program for the address.
    static QString NoBrowserText(const QString& address);

private:
    DeskContext& desk_;
};
