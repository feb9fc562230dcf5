#pragma once

#include "tests/support/ServerFixture.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>
#include <QUrl>

// What the stand-in server's journal recorded of the desk's requests.

// A request's form fields, as the stand-in server's journal recorded them, as "name=value" in
// order (empty for a request without a form, such as an upload's bodiless probe).
inline QStringList JournalFields(const QJsonObject& entry) {
    QStringList fields;
    for (const QJsonValue& field : entry.value(QStringLiteral("fields")).toArray()) {
        fields.append(field[QStringLiteral("name")].toString() + QLatin1Char('=') +
                      field[QStringLiteral("value")].toString());
    }
    return fields;
}

// The multipart fields of each post to a script, as name=value (the bodiless probe left out).
inline QList<QStringList> JournalFields(const StandInServer& server, const QString& script) {
    QList<QStringList> out;
    for (const QJsonObject& entry : server.JournalFor(script)) {
        if (const QStringList fields = JournalFields(entry); !fields.isEmpty()) {
            out.append(fields);
        }
    }
    return out;
}
// The query strings a server received for a script, in order (decoded unless raw).
inline QStringList JournalQueries(const StandInServer& server, const QString& script, bool raw = false) {
    QStringList out;
    for (const QJsonObject& entry : server.JournalFor(script)) {
        const QString query = entry.value(QStringLiteral("query")).toString();
        out.append(raw ? query : QUrl::fromPercentEncoding(query.toUtf8()));
    }
    return out;
}
