#include "documents/core/WaterMark.h"

#include "documents/core/OfficeProgram.h"
#include "documents/core/RtfDocument.h"
#include "host/core/ActivityLog.h"

namespace {

const QString kPrefix = QStringLiteral("LockUnLockWaterMark\t:  ");

bool LockOrUnlock(WaterMark action, const QString& path) {
    if (!OfficeProgram::EnsureRtf(path)) {
        return false;
    }
    RtfDocument doc;
    if (!doc.Load(path)) {
        return false;
    }
    const QByteArray before = doc.Source();
    const int sections = doc.SectionCount();
    if (action == WaterMark::Lock) {
        if (sections > 1) {
            for (int i = 0; i < sections; ++i) {
                doc.SetSectionProtectedForForms(i, i == sections - 1);
            }
        }
        if (doc.ProtectionType() == RtfDocument::NoProtection && sections > 1) {
            doc.ProtectForForms();
            WriteLog(kPrefix + path + QStringLiteral(" WaterMark Locked"));
        }
    } else if (doc.ProtectionType() == RtfDocument::AllowOnlyFormFields) {
        doc.Unprotect();
        WriteLog(kPrefix + path + QStringLiteral(" WaterMark UnLocked"));
        for (int i = 0; i < doc.SectionCount(); ++i) {
            doc.SetSectionProtectedForForms(i, true);
        }
    }
    // An unchanged document needs no write (and a held one must not get one).
    if (doc.Source() != before && !doc.Save(path)) {
        return false;
    }
    WriteLog(kPrefix + path + QStringLiteral(" END"));
    return true;
}

} // namespace

void LockUnLockWaterMark(WaterMark action, const QString& path) {
    if (!LockOrUnlock(action, path)) {
        WriteLog(kPrefix + QStringLiteral("Catch Block"));
    }
}
