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

#include <algorithm>

using namespace Qt::StringLiterals;

QString TodayLog() {
    return QString::fromLocal8Bit(
        ReadAll(CUtility().ProfileFolder() + u"Log/"_s + ActivityLog::FileNameFor(QDate::currentDate())));
}

QStringList Missing(const QString& log, const QStringList& lines) {
    QStringList missing;
    for (const QString& line : lines) {
        if (!log.contains(line)) {
            missing.append(line);
        }
    }
    return missing;
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

std::unique_ptr<StandInServer> StartServer(const QString& fault) {
    StandInServer::Options options;
    options.fault = fault;
    return StartServer(options);
}

std::unique_ptr<StandInServer> StartServerOn8080() {
    StandInServer::Options options;
    options.extraHttpPort = 8080;
    return StartServer(options);
}

QStringList Vias(const StandInServer& server, const QString& script) {
    QStringList vias;
    for (const QJsonObject& entry : server.JournalFor(script)) {
        vias << entry.value(u"scheme"_s).toString() + QLatin1Char(':') +
                    QString::number(entry.value(u"port"_s).toInt());
    }
    return vias;
}

QByteArray BigFileBytes(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i % 251);
    }
    return bytes;
}

QStringList Fields(const QJsonObject& entry) {
    QStringList fields;
    for (const QJsonValue& field : entry.value(u"fields"_s).toArray()) {
        fields.append(field.toObject().value(u"name"_s).toString() + QLatin1Char('=') +
                      field.toObject().value(u"value"_s).toString());
    }
    return fields;
}

QStringList Queries(const StandInServer& server, const QString& script) {
    QStringList queries;
    for (const QJsonObject& e : server.JournalFor(script)) {
        queries.append(e.value(u"query"_s).toString());
    }
    return queries;
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

bool NotificationRecorder::Saw(int code, qint64 value) {
    const auto seen = Drain();
    return std::any_of(seen.begin(), seen.end(),
                       [&](const Seen& n) { return n.code == code && n.value == value; });
}

qint64 NotificationRecorder::Announced() {
    qint64 announced = -1;
    for (const Seen& n : Drain()) {
        if (n.code == MSG_PROGRESS && n.value == PROGRESS_TOTAL_SIZE) {
            announced = n.data;
        }
    }
    return announced;
}
