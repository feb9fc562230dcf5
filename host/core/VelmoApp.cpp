#include "host/core/VelmoApp.h"

#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/ControlIdentity.h"
#include "host/core/LogRetention.h"
#include "host/core/PrivateModes.h"

namespace VelmoApp {

void InitInstance(int logRetentionDays) {
    WriteLog(ControlIdentity::kStartupLogLine);
    // An older desk left its profile readable by every account of the workstation. The
    // desk's LibreOffice profiles (conversions and editing) keep their own files; their folders are
    // closed like the rest.
    const int tightened = PrivateModes::Tighten(
        CUtility::ProfileFolder(), {QStringLiteral("LibreOffice"), QStringLiteral("LibreOfficeEdit")});
    if (tightened > 0) {
        WriteLog(QStringLiteral("InitInstance: Profile folder made private, %1 files and folders no longer "
                                "readable by other accounts")
                     .arg(tightened));
    }
    LogRetention::RemoveOlderThan(logRetentionDays);
}

} // namespace VelmoApp
