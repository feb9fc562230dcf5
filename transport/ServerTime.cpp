#include "transport/ServerTime.h"

#include "transport/scripts/ServerScripts.h"

#include <QLocale>

QString FormatLocalTime(const QDateTime& time) {
    // The C locale gives the English month abbreviation whatever the user's locale.
    return QLocale::c().toString(time, QStringLiteral("MMM/dd/yyyy HH:mm:ss"));
}

int GetServerTime(QString& output) {
    const ServerAnswer answer = ServerTimeRequest::Send();
    if (answer.sent) {
        output = answer.response;
    } else {
        output = FormatLocalTime(QDateTime::currentDateTime());
    }
    return 1;
}
