#include "host/core/Delays.h"

#include <QThread>

Delays& Delays::Get() {
    static Delays delays;
    return delays;
}

void Delays::ZeroAll() {
    Delays& d = Get();
    for (int* field : {&d.beforeZippedDownload, &d.beforeDocumentDownload, &d.beforeListFileDelete,
                       &d.noResultCheck, &d.folderCleanup, &d.monitorPoll, &d.afterPrint, &d.afterSignSave,
                       &d.afterPropertyWrite, &d.actionStep, &d.beforeOpenStatus, &d.afterMonitorEsign,
                       &d.afterDemographicsDownload, &d.voiceStep, &d.versionStep}) {
        *field = 0;
    }
}

void Delays::Wait(int ms) {
    if (ms > 0) {
        QThread::msleep(static_cast<unsigned long>(ms));
    }
}
