#pragma once

#include "reportlist/core/DeskContext.h"

#include <QString>

// "Audit Trail": the report's audit trail is a page of the report server; the desk opens it in
// the desktop's default browser and relies on nothing after that.
class AuditTrail final {
public:
    explicit AuditTrail(DeskContext& desk) : desk_(desk) {}
    void Run();

    // The page's address; the dates are always empty and admin always 0.
    static QString Address(const QString& serverUrl, const QString& loginId, const QString& fileName);

private:
    DeskContext& desk_;
};
