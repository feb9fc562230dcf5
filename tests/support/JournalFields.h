#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>

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
