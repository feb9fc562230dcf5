#include "host/core/Delays.h"

#include <QThread>

namespace {

// The pacing as it always was, for a server that needs its requests spaced.
constexpr Delays kFixed{
    .beforeZippedDownload = 4000,
    .beforeDocumentDownload = 1000,
    .beforeListFileDelete = 100,
    .noResultCheck = 500,
    .folderCleanup = 300,
    .monitorPoll = 1000,
    .monitorNotifiedPoll = 1000,
    .afterPrint = 1000,
    .afterSignSave = 200,
    .afterPropertyWrite = 500,
    .actionStep = 100,
    .beforeOpenStatus = 500,
    .afterMonitorEsign = 2000,
    .afterDemographicsDownload = 1000,
    .voiceStep = 1000,
    .convertingNotice = 1000,
    .versionStep = 1000,
};

// Only real work is waited for. On Linux a closed file can be deleted at once, a finished
// soffice or converter has written its output, and the engine saves in-process, so the waits
// that gave another program time to let go are zero. A zero no-result period still fires after
// the list is loaded, from the event loop.
constexpr Delays kLean{
    .beforeZippedDownload = 0,
    .beforeDocumentDownload = 0,
    .beforeListFileDelete = 0,
    .noResultCheck = 0,
    .folderCleanup = 0,
    // File notification tells the monitor at once that LibreOffice took or let go of the report.
    // Where the file system gives none, a tenth of a second asks the question within 200 ms of
    // the release for a stat or two per tick; with notification a slow look is a safety net
    // for what sends no event (a POSIX lock without a lock file).
    .monitorPoll = 100,
    .monitorNotifiedPoll = 2000,
    .afterPrint = 0,
    .afterSignSave = 0,
    .afterPropertyWrite = 0,
    .actionStep = 0,
    .beforeOpenStatus = 0,
    .afterMonitorEsign = 0,
    .afterDemographicsDownload = 0,
    .voiceStep = 0,
    // Not pacing: how long a conversion runs before the status line names it.
    .convertingNotice = 1000,
    .versionStep = 0,
};

Delays::Monitoring& CurrentMonitorMode() {
    static Delays::Monitoring mode = Delays::Monitoring::Notified;
    return mode;
}

} // namespace

Delays& Delays::Get() {
    static Delays delays = kLean;
    return delays;
}

const Delays& Delays::Fixed() {
    return kFixed;
}

const Delays& Delays::Lean() {
    return kLean;
}

void Delays::UseFixedWaits(bool on) {
    Get() = on ? kFixed : kLean;
    CurrentMonitorMode() = on ? Monitoring::PollingAlone : Monitoring::Notified;
}

Delays::Monitoring Delays::MonitorMode() {
    return CurrentMonitorMode();
}

void Delays::ZeroAll() {
    Get() = Delays{};
}

void Delays::Wait(int ms) {
    if (ms > 0) {
        QThread::msleep(static_cast<unsigned long>(ms));
    }
}
