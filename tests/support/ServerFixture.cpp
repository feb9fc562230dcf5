#include "tests/support/ServerFixture.h"

#include "transport/ZipLibrary.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRandomGenerator>

#include <QUrl>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/socket.h>
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
    // Read-only is enough for flock, and opens a lock file that another account's run left behind.
    const int fd = ::open(path.constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
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
    if (options_.extraHttpsPort > 0) {
        return QStringLiteral("https://%1:%2/").arg(address_).arg(options_.extraHttpsPort);
    }
    return QStringLiteral("https://%1/").arg(address_);
}

bool StandInServer::Control(const QByteArray& pathAndQuery, const QByteArray& body) {
    // A raw request keeps the fixture free of an HTTP library; the answer is one short line.
    const int sock = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (sock < 0) {
        return false;
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(80);
    bool done = ::inet_pton(AF_INET, address_.toLatin1().constData(), &peer.sin_addr) == 1 &&
                ::connect(sock, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0;
    if (done) {
        const QByteArray request = "POST " + pathAndQuery + " HTTP/1.1\r\nHost: " + address_.toLatin1() +
                                   "\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                                   QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
        for (qsizetype sent = 0; done && sent < request.size();) {
            const ssize_t n = ::send(sock, request.constData() + sent,
                                     static_cast<size_t>(request.size() - sent), MSG_NOSIGNAL);
            done = n > 0;
            sent += done ? n : 0;
        }
    }
    char reply[128] = {};
    if (done) {
        const ssize_t n = ::recv(sock, reply, sizeof reply - 1, MSG_WAITALL);
        done = n > 12 && QByteArray(reply, static_cast<int>(n)).startsWith("HTTP/1.1 200");
    }
    ::close(sock);
    return done;
}

bool StandInServer::SetFault(const QString& mode, const QString& script) {
    QByteArray path = "/__control/fault?mode=" + QUrl::toPercentEncoding(mode);
    if (!script.isEmpty()) {
        path += "&script=" + QUrl::toPercentEncoding(script);
    }
    return Control(path);
}

bool StandInServer::ClearFaults(const QString& script) {
    return Control(script.isEmpty() ? QByteArray("/__control/clear")
                                    : "/__control/clear?script=" + QUrl::toPercentEncoding(script));
}

bool StandInServer::SetAnswer(const QString& script, const QByteArray& body) {
    return Control("/__control/answer?script=" + QUrl::toPercentEncoding(script), body);
}

bool StandInServer::SetZippedAnswer(const QString& script, const QString& entry, const QByteArray& bytes) {
    const QTemporaryDir dir;
    QFile file(dir.filePath(entry));
    QFile zip(dir.filePath(QStringLiteral("answer.zip")));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() &&
           BasicZip(file.fileName(), zip.fileName()) == 1 && zip.open(QIODevice::ReadOnly) &&
           SetAnswer(script, zip.readAll());
}

QString StandInServer::HostPageUrl(const QString& user) const {
    QString url = BaseUrl() + QStringLiteral("desk.php");
    if (!user.isEmpty()) {
        url += QStringLiteral("?user=") + user;
    }
    return url;
}

QString StandInServer::AuthorityFile() const {
    // The test main names the shared authority's certificate in VELMO_CA_FILE; the first server
    // makes it there.
    const QString shared = qEnvironmentVariable("VELMO_CA_FILE");
    return shared.isEmpty() ? data_.filePath(QStringLiteral("ca.crt")) : shared;
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
                         QStringLiteral("--journal"),    JournalPath(),
                         QStringLiteral("--authority"),  QFileInfo(AuthorityFile()).path()};
        if (!options_.seedJson.isEmpty()) {
            QFile seed(data_.filePath(QStringLiteral("seed.json")));
            if (!seed.open(QIODevice::WriteOnly) ||
                seed.write(options_.seedJson) != options_.seedJson.size()) {
                error_ = QStringLiteral("cannot write the seed file");
                return false;
            }
            args << QStringLiteral("--seed") << seed.fileName();
        } else if (options_.seedDemo) {
            args << QStringLiteral("--seed") << QStringLiteral("demo");
        }
        if (!options_.convertWord97) {
            args << QStringLiteral("--no-convert");
        }
        if (options_.extraHttpsPort > 0) {
            args << QStringLiteral("--extra-https-port") << QString::number(options_.extraHttpsPort);
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
        // A first conversion to Word 97 starts LibreOffice, which takes a while on a busy machine.
        const QDeadlineTimer deadline(options_.convertWord97 ? 8 * kStartTimeoutMs : kStartTimeoutMs);
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
        const QString stderrText = QString::fromUtf8(process_->readAllStandardError());
        error_ = QStringLiteral("report-server on %1 did not get ready: %2").arg(address_, stderrText);
        Stop();
        // Only a taken address is worth another try; any other refusal would repeat itself.
        if (!stderrText.contains(QStringLiteral("cannot bind"))) {
            return false;
        }
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
