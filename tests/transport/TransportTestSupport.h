#pragma once

#include "tests/support/ServerFixture.h"
#include "transport/HttpNotification.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

// Today's activity log as one text (empty when nothing was logged).
QString TodayLog();
// Today's log from the moment the mark was made.
class LogMark {
public:
    LogMark() : start_(TodayLog().size()) {}
    QString Text() const { return TodayLog().mid(start_); }

private:
    qsizetype start_;
};
QByteArray ReadAll(const QString& path);
// Writes bytes to path, creating the folders; false when it could not.
bool WriteAll(const QString& path, const QByteArray& bytes);

// Starts a stand-in server; null (and a recorded test failure) when it would not start.
std::unique_ptr<StandInServer> StartServer(StandInServer::Options options = {});

// The bytes GET /bigfile?size=N serves.
QByteArray BigFileBytes(int size);

// The value of a journal entry's form field, and the names of its fields in order.
QStringList FieldNames(const QJsonObject& entry);
QString FieldValue(const QJsonObject& entry, const QString& name);

// Collects the notifications CHttp posts to it.
class NotificationRecorder final : public QObject {
public:
    struct Seen {
        int code = 0;
        qint64 value = 0;
        qint64 data = 0;
        ProgressBlock progress;
        QString text;
        void* client = nullptr;
    };
    bool event(QEvent* e) override;
    // Delivers what is queued for this object and answers everything seen so far.
    QList<Seen> Drain();

private:
    QList<Seen> seen_;
};
