#include "transport/ServerTime.h"

#include "host/core/SessionSettings.h"
#include "transport/CHttp.h"

#include <QLocale>

QString FormatLocalTime(const QDateTime& time) {
    // The C locale gives the English month abbreviation whatever the user's locale.
    return QLocale::c().toString(time, QStringLiteral("MMM/dd/yyyy HH:mm:ss"));
}

int GetServerTime(QString& output) {
    CHttp http;
    http.ClearFormFields();
    http.SetKeepResponse(true);
    http.SetURL(Session().ServerURL() + QStringLiteral("getservertime.asp"));
    if (http.OpenInternetSession() && http.DownloadFile()) {
        output = http.GetResponse();
    } else {
        output = FormatLocalTime(QDateTime::currentDateTime());
    }
    return 1;
}
