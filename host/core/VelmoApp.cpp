#include "host/core/VelmoApp.h"

#include "host/core/ActivityLog.h"
#include "host/core/ControlIdentity.h"

namespace VelmoApp {

void InitInstance() {
    WriteLog(ControlIdentity::kStartupLogLine);
}

} // namespace VelmoApp
