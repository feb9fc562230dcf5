#include "tests/support/ServerFixture.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#ifndef VELMO_REPORT_SERVER_PATH
#error "VELMO_REPORT_SERVER_PATH must name the report-server binary"
#endif

namespace {
constexpr int kAttempts = 40;
constexpr int kStartTimeoutMs = 15000;
} // namespace

StandInServer::StandInServer() : StandInServer(Options{}) {}

StandInServer::StandInServer(Options options) : options_(std::move(options)) {}

StandInServer::~StandInServer() {
    Stop();
    ReleaseAddress();
}

bool StandInServer::ReserveAddress(quint32 host) {
    ReleaseAddress();
    const QByteArray path = QStringLiteral("/tmp/velmo-test-address-%1.lock").arg(host).toLocal8Bit();
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    addressLock_ = fd;
    return true;
}

void StandInServer::ReleaseAddress() {
    if (addressLock_ >= 0) {
        ::close(addressLock_); // drops the lock
        addressLock_ = -1;
    }
}

QString StandInServer::BaseUrl() const {
    return QStringLiteral("http://%1/").arg(address_);
}

QString StandInServer::HostPageUrl(const QString& user) const {
    QString url = BaseUrl() + QStringLiteral("desk.php");
    if (!user.isEmpty()) {
        url += QStringLiteral("?user=") + user;
    }
    return url;
}

QString StandInServer::JournalPath() const {
    return data_.filePath(QStringLiteral("journal.jsonl"));
}

bool StandInServer::Start() {
    if (!data_.isValid()) {
        error_ = QStringLiteral("no temporary data folder");
        return false;
    }
    // Parallel test processes pick addresses at random and move on when one is taken.
    QRandomGenerator rng(static_cast<quint32>(::getpid()) ^ QRandomGenerator::global()->generate());
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const quint32 host = 2 + rng.bounded(250);
        // The address stays ours until the fixture goes, so a test that stopped its server
        // never sees another test's server appear on the same address.
        if (!ReserveAddress(host)) {
            continue;
        }
        address_ = QStringLiteral("127.0.0.%1").arg(host);
        QStringList args{QStringLiteral("--data"),       data_.path(),
                         QStringLiteral("--bind"),       address_,
                         QStringLiteral("--http-port"),  QStringLiteral("80"),
                         QStringLiteral("--https-port"), QStringLiteral("443"),
                         QStringLiteral("--journal"),    JournalPath()};
        if (options_.seedDemo) {
            args << QStringLiteral("--seed") << QStringLiteral("demo");
        }
        if (!options_.fault.isEmpty()) {
            args << QStringLiteral("--fault") << options_.fault;
        }
        if (!options_.requireAuth.isEmpty()) {
            args << QStringLiteral("--require-auth") << options_.requireAuth;
        }
        process_ = std::make_unique<QProcess>();
        process_->setProcessChannelMode(QProcess::SeparateChannels);
        process_->start(QStringLiteral(VELMO_REPORT_SERVER_PATH), args);
        if (!process_->waitForStarted(kStartTimeoutMs)) {
            error_ = QStringLiteral("report-server did not start: ") + process_->errorString();
            return false;
        }
        startupOutput_.clear();
        const QDeadlineTimer deadline(kStartTimeoutMs);
        bool ready = false;
        while (!deadline.hasExpired() && process_->state() == QProcess::Running) {
            if (process_->canReadLine() || process_->waitForReadyRead(100)) {
                while (process_->canReadLine()) {
                    const QString line = QString::fromUtf8(process_->readLine());
                    startupOutput_ += line;
                    if (line.startsWith(QStringLiteral("listening"))) {
                        ready = true;
                    }
                }
                if (ready) {
                    return true;
                }
            }
        }
        error_ = QStringLiteral("report-server on %1 did not get ready: %2")
                     .arg(address_, QString::fromUtf8(process_->readAllStandardError()));
        Stop();
    }
    return false;
}

void StandInServer::Stop() {
    if (process_) {
        if (process_->state() != QProcess::NotRunning) {
            process_->terminate();
            if (!process_->waitForFinished(5000)) {
                process_->kill();
                process_->waitForFinished(5000);
            }
        }
        process_.reset();
    }
}

QList<QJsonObject> StandInServer::Journal() const {
    QList<QJsonObject> entries;
    QFile file(JournalPath());
    if (!file.open(QIODevice::ReadOnly)) {
        return entries;
    }
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (!line.isEmpty()) {
            entries.append(QJsonDocument::fromJson(line).object());
        }
    }
    return entries;
}

QList<QJsonObject> StandInServer::JournalFor(const QString& script) const {
    QList<QJsonObject> entries;
    for (const QJsonObject& e : Journal()) {
        if (e.value(QStringLiteral("path")).toString().endsWith(script)) {
            entries.append(e);
        }
    }
    return entries;
}
