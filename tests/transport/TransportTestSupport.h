#pragma once

#include "tests/support/Files.h"
#include "tests/support/JournalFields.h"
#include "tests/support/QStringPrinting.h"
#include "tests/support/ServerFixture.h"
#include "tests/support/TodaysLog.h"
#include "transport/CHttp.h"
#include "transport/HttpNotification.h"
#include "transport/MultipartBody.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <memory>
#include <optional>

// Today's log from the moment the mark was made.
class LogMark {
public:
    LogMark() : start_(TodaysLogText().size()) {}
    QString Text() const { return TodaysLogText().mid(start_); }

private:
    qsizetype start_;
};
// Each of lines stands in log (by default all of today's); a failure names those that do not.
inline void ExpectLogged(QStringList lines, const QString& log = TodaysLogText()) {
    lines.removeIf([&](const QString& line) { return log.contains(line); });
    EXPECT_TRUE(lines.isEmpty()) << "not logged: " << lines.join(u'\n').toStdString();
}

// The bytes GET /bigfile?size=N serves.
inline QByteArray BigFileBytes(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i % 251);
    }
    return bytes;
}

// Starts a stand-in server; null (and a recorded test failure) when it would not start. With
// extraPort 8080 its BaseUrl() names that HTTPS port, so that a request forced to 443 and one
// that keeps the ServerURL's port differ.
inline std::unique_ptr<StandInServer> StartServer(const QString& fault = {}, int extraPort = 0,
                                                  const QString& requireAuth = {}) {
    auto server = std::make_unique<StandInServer>(StandInServer::Options{
        .fault = fault, .requireAuth = requireAuth, .extraHttpsPort = extraPort, .seedJson = {}});
    if (!server->Start()) {
        ADD_FAILURE() << server->Error().toStdString();
        return nullptr;
    }
    return server;
}

// From the server's journal: how each request for script came in ("https:443").
inline QStringList Vias(const StandInServer& server, const QString& script) {
    QStringList vias;
    for (const QJsonObject& e : server.JournalFor(script)) {
        vias << e.value(QStringLiteral("scheme")).toString() + u':' +
                    QString::number(e.value(QStringLiteral("port")).toInt());
    }
    return vias;
}

// One request through a fresh CHttp: a GET into localFile (without one the answer is kept all the
// same), or with a form an upload of localFile (none: the fields alone).
struct Fetched {
    int result = 0;
    QString response;
    QString error;
};
inline Fetched Fetch(const QString& url, const QString& localFile = {}, bool secure = false,
                     QObject* notify = nullptr,
                     const std::optional<QList<Multipart::Field>>& form = std::nullopt) {
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

// Collects the notifications CHttp posts to it.
class NotificationRecorder final : public QObject {
public:
    struct Seen {
        int code = 0;
        qint64 value = 0, data = 0;
        ProgressBlock progress;
        void* client = nullptr;
    };
    bool event(QEvent* e) override {
        if (auto* n = dynamic_cast<HttpNotification*>(e)) {
            seen_.append(Seen{n->Code(), n->Value(), n->Data(), n->Progress(), n->ClientObject()});
            return true;
        }
        return QObject::event(e);
    }
    // Delivers what is queued for this object and answers everything seen so far.
    QList<Seen> Drain() {
        QCoreApplication::sendPostedEvents(this);
        return seen_;
    }
    bool Saw(int code, qint64 value) {
        const auto seen = Drain();
        return std::any_of(seen.begin(), seen.end(),
                           [&](const Seen& n) { return n.code == code && n.value == value; });
    }
    // The size the last MSG_PROGRESS/PROGRESS_TOTAL_SIZE announced, -1 without one.
    qint64 Announced() {
        qint64 announced = -1;
        for (const Seen& n : Drain()) {
            announced = n.code == MSG_PROGRESS && n.value == PROGRESS_TOTAL_SIZE ? n.data : announced;
        }
        return announced;
    }

private:
    QList<Seen> seen_;
};
