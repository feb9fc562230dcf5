#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// Runs the stand-in report server on a loopback address of its own (127.0.0.N, ports 80 and
// 443), so parallel tests never share a server. The data folder is temporary and removed
// with the fixture.
// While one lives, the desk trusts only the system's authorities, not the one the stand-in
// servers share: a server whose certificate it cannot verify. End() trusts the stand-in again.
class UntrustedStandIn {
public:
    UntrustedStandIn() : trusted_(qgetenv("VELMO_CA_FILE")) { qputenv("VELMO_CA_FILE", QByteArray()); }
    ~UntrustedStandIn() { End(); }
    UntrustedStandIn(const UntrustedStandIn&) = delete;
    UntrustedStandIn& operator=(const UntrustedStandIn&) = delete;
    void End() const { qputenv("VELMO_CA_FILE", trusted_); }

private:
    QByteArray trusted_;
};

class StandInServer {
public:
    struct Options {
        bool seedDemo = true;
        QString fault;       // --fault MODE, empty for none
        QString requireAuth; // --require-auth USER:PASS, empty for none
        // An HTTPS port besides 443; BaseUrl() then names it, so that requests the desk forces to
        // 443 and those that keep the ServerURL's port can be told apart.
        int extraHttpsPort = 0;
        // The practice as JSON (the layout in docs/server.md) instead of the demo; written to the
        // data folder and given with --seed.
        QByteArray seedJson;
        // The demo's Word 97 report needs LibreOffice; off by default, since the desk's tests put a
        // fake soffice first on PATH that must not see the server's calls.
        bool convertWord97 = false;
    };

    StandInServer();
    explicit StandInServer(Options options);
    ~StandInServer();
    StandInServer(const StandInServer&) = delete;
    StandInServer& operator=(const StandInServer&) = delete;

    // Starts the server and waits until it listens; false (with a test failure message in
    // Error()) when it could not start.
    bool Start();
    void Stop();

    QString Address() const { return address_; }         // "127.0.0.N"
    QString BaseUrl() const;                             // "https://127.0.0.N[:extra port]/"
    QString HostPageUrl(const QString& user = {}) const; // BaseUrl() + "desk.php[?user=ID]"
    QString DataDir() const { return data_.path(); }
    QString JournalPath() const;
    // The certificate of the authority that signed the server's: the file a desk is given to trust it.
    QString AuthorityFile() const;
    QString Error() const { return error_; }
    // What the server printed on start-up (the demo users' ids among it).
    QString StartupOutput() const { return startupOutput_; }

    // Sets a fault (a --fault mode: "refuse", "empty", "407", "status500", ...) for one script
    // (e.g. "qm_resync.php") or, with no script, for all; "none" or ClearFaults() ends it. The
    // server answers before this returns; false when it did not take it.
    bool SetFault(const QString& mode, const QString& script = {});
    bool ClearFaults(const QString& script = {});
    // A hostile server: script (e.g. "qm_download_filelist.php") answers with exactly body from
    // now on, instead of its own answer; ClearFaults(script) ends it.
    bool SetAnswer(const QString& script, const QByteArray& body);
    // The same with a zip archive holding one entry, as the zipped-list scripts answer.
    bool SetZippedAnswer(const QString& script, const QString& entry, const QByteArray& bytes);

    // The journal's lines, one JSON object per request, in order.
    QList<QJsonObject> Journal() const;
    // Only the journal entries whose path ends with script (e.g. "qm_download_filelist.php").
    QList<QJsonObject> JournalFor(const QString& script) const;

private:
    bool ReserveAddress(quint32 host);
    bool Control(const QByteArray& pathAndQuery, const QByteArray& body = {});
    void ReleaseAddress();

    Options options_;
    int addressLock_ = -1;
    QTemporaryDir data_;
    std::unique_ptr<QProcess> process_;
    QString address_;
    QString error_;
    QString startupOutput_;
};
