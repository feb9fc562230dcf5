#include "transport/StatusUpdate.h"

#include "host/core/ActivityLog.h"
#include "host/core/SessionSettings.h"
#include "transport/CHttp.h"
#include "transport/scripts/ServerScripts.h"

QString StatusUpdateUrl(const QString& reportName, const QString& field) {
    return StatusUpdateRequest{Session().LoggedUserId(), Session().QueryLocationId(), reportName, field}
        .Address();
}

int UpdateStatus(const QString& reportName, const QString& field) {
    const QString url = StatusUpdateUrl(reportName, field);
    WriteLog(QStringLiteral("UpdateStatus: confirmation URL,") + url);
    CHttp http;
    http.SetKeepResponse(true);
    http.SetURL(url);
    http.SetSecure(true);
    if (!http.OpenInternetSession()) {
        return 1;
    }
    http.DownloadFile();
    const QString answer = http.GetResponse();
    if (ServerAnswer::AnswerAccepted(answer)) {
        WriteLog(QStringLiteral("Status updated for file,") + reportName);
        http.CloseSession();
        return 1;
    }
    WriteLog(QStringLiteral("Status could not be updated for file,") + reportName);
    http.CloseSession();
    return 0;
}

int UpdateStatusForNames(const QStringList& names, const QString& field) {
    if (names.isEmpty()) {
        return 0;
    }
    CHttp http;
    for (const QString& name : names) {
        if (name.isEmpty()) {
            continue;
        }
        const QString url = StatusUpdateUrl(name, field);
        WriteLog(QStringLiteral("UpdateStatus: confirmation URL,") + url);
        http.SetKeepResponse(true);
        http.SetURL(url);
        if (http.OpenInternetSession()) {
            http.DownloadFile();
            WriteLog((ServerAnswer::AnswerAccepted(http.GetResponse())
                          ? QStringLiteral("Status updated for file,")
                          : QStringLiteral("Status could not be updated for file,")) +
                     name);
            http.CloseSession();
        }
    }
    return 1;
}

std::thread StartStatusUpdateWorker(std::function<QStringList()> selectedNames, const QString& field) {
    // The field is copied before the thread starts: the window may change it at once.
    return std::thread([selectedNames = std::move(selectedNames), field] {
        UpdateStatusForNames(selectedNames ? selectedNames() : QStringList(), field);
    });
}
