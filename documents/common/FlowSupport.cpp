#include "documents/common/FlowSupport.h"

#include "host/core/ActivityLog.h"
#include "host/core/Delays.h"

bool SameText(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool ContainsText(const QStringList& list, const QString& text) {
    return list.contains(text, Qt::CaseInsensitive);
}

QString NamesEachFollowedByComma(const QStringList& names) {
    QString text;
    for (const QString& name : names) {
        text += name + QStringLiteral(", ");
    }
    return text;
}

int RowOfReport(DeskContext& desk, const QString& name) {
    const int rows = desk.RowCount();
    for (int row = 0; row < rows; ++row) {
        if (SameText(desk.Filename(row), name)) {
            return row;
        }
    }
    return -1;
}

void DownloadBehindBusyPicture(DeskContext& desk, const QStringList& names, const QString& startLog,
                               const QString& endLog) {
    if (names.isEmpty()) {
        return;
    }
    WriteLog(startLog);
    desk.ShowBusy(DeskContext::Busy::Picture256, true);
    Delays::Wait(Delays::Get().actionStep);
    desk.RepaintNow();
    desk.DownloadDocuments(names);
    desk.ShowBusy(DeskContext::Busy::Picture256, false);
    WriteLog(endLog);
}
