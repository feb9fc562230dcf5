#pragma once

#include "tests/support/ScopedEnv.h"

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// While one lives, the desk trusts only the system's authorities, not the one the stand-in
// servers share: a server whose certificate it cannot verify. End() trusts the stand-in again.
class UntrustedStandIn {
public:
    UntrustedStandIn() { env_.Set("VELMO_CA_FILE", QByteArray()); }
    void End() const { env_.Restore(); }

private:
    mutable ScopedEnv env_;
};

// Runs the stand-in report server on a loopback address of its own (127.0.0.N, ports 80 and
// 443), so parallel tests never share a server. The data folder is temporary and removed
// with the fixture.
class StandInServer {
public:
    struct Options {
        QString fault;       // --fault MODE, empty for none
        QString requireAuth; // --require-auth USER:PASS, empty for none
        // An HTTPS port besides 443; BaseUrl() then names it, so that requests the desk forces to
        // 443 and those that keep the ServerURL's port can be told apart.
        int extraHttpsPort = 0;
        // The practice as JSON (the layout in docs/server.md) instead of the demo; written to the
        // data folder and given with --seed.
        QByteArray seedJson;
    };

    StandInServer() = default;
    explicit StandInServer(Options options) : options_(std::move(options)) {}
    ~StandInServer() {
        Stop();
        ReleaseAddress();
    }
    StandInServer(const StandInServer&) = delete;
    StandInServer& operator=(const StandInServer&) = delete;

    // Starts the server and waits until it listens; false (with a test failure message in
    // Error()) when it could not start.
    bool Start();
    void Stop();
    // After Stop(): the same server (address, data, journal) started again.
    bool Restart() { return Launch({}); }

    QString Address() const { return address_; } // "127.0.0.N"
    QString BaseUrl() const {
        return options_.extraHttpsPort > 0
                   ? QStringLiteral("https://%1:%2/").arg(address_).arg(options_.extraHttpsPort)
                   : QStringLiteral("https://%1/").arg(address_);
    }
    QString HostPageUrl(const QString& user = {}) const {
        return BaseUrl() + QStringLiteral("desk.php") +
               (user.isEmpty() ? QString() : QStringLiteral("?user=") + user);
    }
    QString Error() const { return error_; }

    // Sets a fault (a --fault mode: "refuse", "empty", "407", "status500", ...) for one script
    // (e.g. "qm_resync.php") or, with no script, for all; "none" or ClearFaults() ends it. The
    // server answers before this returns; false when it did not take it.
    bool SetFault(const QString& mode, const QString& script = {}) {
        return Control("fault?mode=" + Encoded(mode) +
                       (script.isEmpty() ? "" : "&script=" + Encoded(script)));
    }
    bool ClearFaults(const QString& script = {}) {
        return Control(script.isEmpty() ? QByteArray("clear") : "clear?script=" + Encoded(script));
    }
    // A hostile server: script (e.g. "qm_download_filelist.php") answers with exactly body from
    // now on, instead of its own answer; ClearFaults(script) ends it.
    bool SetAnswer(const QString& script, const QByteArray& body) {
        return Control("answer?script=" + Encoded(script), body);
    }
    // The same with a zip archive holding one entry, as the zipped-list scripts answer.
    bool SetZippedAnswer(const QString& script, const QString& entry, const QByteArray& bytes);

    QList<QJsonObject> Journal() const;
    // Only the journal entries whose path ends with script (e.g. "qm_download_filelist.php").
    QList<QJsonObject> JournalFor(const QString& script) const;

private:
    static QByteArray Encoded(const QString& text);
    bool ReserveAddress(quint32 host);
    void ReleaseAddress();
    bool Launch(const QStringList& seed);
    // A request to the server's control path (/__control/WHAT) on its plain HTTP port.
    bool Control(const QByteArray& what, const QByteArray& body = {});
    QString JournalPath() const { return data_.filePath(QStringLiteral("journal.jsonl")); }

    Options options_;
    int addressLock_ = -1;
    QTemporaryDir data_;
    std::unique_ptr<QProcess> process_;
    QString address_;
    QString error_;
};
