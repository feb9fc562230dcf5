#pragma once

#include "tests/support/Files.h"
#include "tests/support/JournalFields.h"
#include "tests/support/QStringPrinting.h"
#include "tests/support/ServerFixture.h"
#include "tests/support/TodaysLog.h"
#include "transport/HttpNotification.h"
#include "transport/MultipartBody.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

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
// The lines log (by default all of today's) does not contain; compare with an empty list.
QStringList Missing(const QStringList& lines, const QString& log = TodaysLogText());

// The bytes GET /bigfile?size=N serves.
QByteArray BigFileBytes(int size);

// Starts a stand-in server; null (and a recorded test failure) when it would not start. With
// extraPort 8080 its BaseUrl() names that HTTPS port, so that a request forced to 443 and one
// that keeps the ServerURL's port differ.
std::unique_ptr<StandInServer> StartServer(const QString& fault = {}, int extraPort = 0,
                                           const QString& requireAuth = {});

// From the server's journal: how each request for script came in ("https:443").
QStringList Vias(const StandInServer& server, const QString& script);

// One request through a fresh CHttp: a GET into localFile (without one the answer is kept all the
// same), or with a form an upload of localFile (none: the fields alone).
struct Fetched {
    int result = 0;
    QString response;
    QString error;
};
Fetched Fetch(const QString& url, const QString& localFile = {}, bool secure = false,
              QObject* notify = nullptr, const std::optional<QList<Multipart::Field>>& form = std::nullopt);

// Collects the notifications CHttp posts to it.
class NotificationRecorder final : public QObject {
public:
    struct Seen {
        int code = 0;
        qint64 value = 0;
        qint64 data = 0;
        ProgressBlock progress;
        void* client = nullptr;
    };
    bool event(QEvent* e) override;
    // Delivers what is queued for this object and answers everything seen so far.
    QList<Seen> Drain();
    bool Saw(int code, qint64 value);
    // The size the last MSG_PROGRESS/PROGRESS_TOTAL_SIZE announced, -1 without one.
    qint64 Announced();

private:
    QList<Seen> seen_;
};
