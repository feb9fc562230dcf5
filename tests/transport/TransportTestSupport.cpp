#include "tests/transport/TransportTestSupport.h"

#include "transport/CHttp.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>

using namespace Qt::StringLiterals;

QStringList Missing(const QStringList& lines, const QString& log) {
    QStringList missing;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(missing),
                 [&](const QString& line) { return !log.contains(line); });
    return missing;
}

QByteArray BigFileBytes(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i % 251);
    }
    return bytes;
}

std::unique_ptr<StandInServer> StartServer(const QString& fault, int extraPort, const QString& requireAuth) {
    StandInServer::Options options;
    options.fault = fault;
    options.extraHttpsPort = extraPort;
    options.requireAuth = requireAuth;
    auto server = std::make_unique<StandInServer>(std::move(options));
    if (!server->Start()) {
        ADD_FAILURE() << server->Error().toStdString();
        return nullptr;
    }
    return server;
}

QStringList Vias(const StandInServer& server, const QString& script) {
    QStringList vias;
    for (const QJsonObject& e : server.JournalFor(script)) {
        vias << e.value(u"scheme"_s).toString() + u':' + QString::number(e.value(u"port"_s).toInt());
    }
    return vias;
}

Fetched Fetch(const QString& url, const QString& localFile, bool secure, QObject* notify,
              const std::optional<QList<Multipart::Field>>& form) {
    CHttp http;
    http.SetNotificationWindow(notify);
    for (const auto& field : form.value_or(QList<Multipart::Field>())) {
        http.AddFormField(QString::fromLatin1(field.name), field.value);
    }
    if (!localFile.isEmpty()) {
        http.SetLocalFile(localFile);
    }
    if (http.SetURL(url) != 1) {
        return {0, {}, http.GetErrorText()};
    }
    if (secure) {
        http.SetSecure(true);
    }
    EXPECT_EQ(http.OpenInternetSession(), 1);
    const int result = form ? http.UploadFile() : http.DownloadFile();
    return {result, http.GetResponse(), http.GetErrorText()};
}

bool NotificationRecorder::event(QEvent* e) {
    if (auto* n = dynamic_cast<HttpNotification*>(e)) {
        seen_.append(Seen{n->Code(), n->Value(), n->Data(), n->Progress(), n->ClientObject()});
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
        announced = n.code == MSG_PROGRESS && n.value == PROGRESS_TOTAL_SIZE ? n.data : announced;
    }
    return announced;
}
