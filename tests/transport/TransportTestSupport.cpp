#include "tests/transport/TransportTestSupport.h"

#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

#include <gtest/gtest.h>

QString TodayLog() {
    return QString::fromLocal8Bit(ReadAll(CUtility().ProfileFolder() + QStringLiteral("Log/") +
                                          ActivityLog::FileNameFor(QDate::currentDate())));
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

std::unique_ptr<StandInServer> StartServer(StandInServer::Options options) {
    auto server = std::make_unique<StandInServer>(std::move(options));
    if (!server->Start()) {
        ADD_FAILURE() << server->Error().toStdString();
        return nullptr;
    }
    return server;
}

QByteArray BigFileBytes(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i % 251);
    }
    return bytes;
}

QStringList FieldNames(const QJsonObject& entry) {
    QStringList names;
    for (const QJsonValue& field : entry.value(QStringLiteral("fields")).toArray()) {
        names.append(field.toObject().value(QStringLiteral("name")).toString());
    }
    return names;
}

QString FieldValue(const QJsonObject& entry, const QString& name) {
    for (const QJsonValue& field : entry.value(QStringLiteral("fields")).toArray()) {
        if (field.toObject().value(QStringLiteral("name")).toString() == name) {
            return field.toObject().value(QStringLiteral("value")).toString();
        }
    }
    return QStringLiteral("<absent>");
}

bool NotificationRecorder::event(QEvent* e) {
    if (auto* n = dynamic_cast<HttpNotification*>(e)) {
        seen_.append(Seen{n->Code(), n->Value(), n->Data(), n->Progress(), n->Text(), n->ClientObject()});
        return true;
    }
    return QObject::event(e);
}

QList<NotificationRecorder::Seen> NotificationRecorder::Drain() {
    QCoreApplication::sendPostedEvents(this);
    return seen_;
}
