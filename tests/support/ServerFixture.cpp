#include "tests/support/ServerFixture.h"

#include "transport/ZipLibrary.h"

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

// The folder of the authority's certificate the server signs with: the one the test main names in
// VELMO_CA_FILE, shared by every stand-in (the first server makes it there), else its own.
QString AuthorityFolder(const QTemporaryDir& data) {
    const QString shared = qEnvironmentVariable("VELMO_CA_FILE");
    return shared.isEmpty() ? data.path() : QFileInfo(shared).path();
}

} // namespace

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

QByteArray StandInServer::Encoded(const QString& text) {
    return QUrl::toPercentEncoding(text);
}

bool StandInServer::Control(const QByteArray& what, const QByteArray& body) {
    // A raw request keeps the fixture free of an HTTP library; the answer is one short line.
    const int sock = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(80);
    bool done = sock >= 0 && ::inet_pton(AF_INET, address_.toLatin1().constData(), &peer.sin_addr) == 1 &&
                ::connect(sock, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0;
    const QByteArray request =
        "POST /__control/" + what + " HTTP/1.1\r\nHost: " + address_.toLatin1() +
        "\r\nContent-Type: application/octet-stream\r\nContent-Length: " + QByteArray::number(body.size()) +
        "\r\nConnection: close\r\n\r\n" + body;
    for (qsizetype sent = 0; done && sent < request.size();) {
        const ssize_t n = ::send(sock, request.constData() + sent, static_cast<size_t>(request.size() - sent),
                                 MSG_NOSIGNAL);
        done = n > 0;
        sent += done ? n : 0;
    }
    char reply[128] = {};
    const ssize_t n = done ? ::recv(sock, reply, sizeof reply - 1, MSG_WAITALL) : 0;
    if (sock >= 0) {
        ::close(sock);
    }
    return n > 12 && QByteArray(reply, static_cast<int>(n)).startsWith("HTTP/1.1 200");
}

bool StandInServer::SetZippedAnswer(const QString& script, const QString& entry, const QByteArray& bytes) {
    const QTemporaryDir dir;
    QFile file(dir.filePath(entry));
    QFile zip(dir.filePath(QStringLiteral("answer.zip")));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush() &&
           BasicZip(file.fileName(), zip.fileName()) == 1 && zip.open(QIODevice::ReadOnly) &&
           SetAnswer(script, zip.readAll());
}

bool StandInServer::Start() {
    if (!data_.isValid()) {
        error_ = QStringLiteral("no temporary data folder");
        return false;
    }
    QStringList seed{QStringLiteral("--seed"), QStringLiteral("demo")};
    if (!options_.seedJson.isEmpty()) {
        QFile file(data_.filePath(QStringLiteral("seed.json")));
        if (!file.open(QIODevice::WriteOnly) || file.write(options_.seedJson) != options_.seedJson.size()) {
            error_ = QStringLiteral("cannot write the seed file");
            return false;
        }
        seed.last() = file.fileName();
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
        // Only a taken address is worth another try; any other refusal would repeat itself.
        const bool up = Launch(seed);
        if (up || !error_.contains(QStringLiteral("cannot bind"))) {
            return up;
        }
    }
    return false;
}

bool StandInServer::Launch(const QStringList& seed) {
    error_.clear();
    // --no-convert: the demo's Word 97 report would start the soffice on PATH.
    QStringList args = QStringList{"--data",      data_.path(),  "--bind",       address_,
                                   "--http-port", "80",          "--https-port", "443",
                                   "--journal",   JournalPath(), "--authority",  AuthorityFolder(data_)} +
                       seed + QStringList{"--no-convert"};
    const auto option = [&args](const char* name, const QString& value) {
        if (!value.isEmpty() && value != QLatin1String("0")) {
            args << QString::fromLatin1(name) << value;
        }
    };
    option("--extra-https-port", QString::number(options_.extraHttpsPort));
    option("--fault", options_.fault);
    option("--require-auth", options_.requireAuth);
    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::SeparateChannels);
    process_->start(QStringLiteral(VELMO_REPORT_SERVER_PATH), args);
    if (!process_->waitForStarted(kStartTimeoutMs)) {
        error_ = QStringLiteral("report-server did not start: ") + process_->errorString();
        return false;
    }
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired() && process_->state() == QProcess::Running) {
        process_->waitForReadyRead(100);
        while (process_->canReadLine()) {
            if (process_->readLine().startsWith("listening")) {
                return true;
            }
        }
    }
    error_ = QStringLiteral("report-server on %1 did not get ready: %2")
                 .arg(address_, QString::fromUtf8(process_->readAllStandardError()));
    Stop();
    return false;
}

void StandInServer::Stop() {
    if (process_ && process_->state() != QProcess::NotRunning) {
        process_->terminate();
        if (!process_->waitForFinished(5000)) {
            process_->kill();
            process_->waitForFinished(5000);
        }
    }
    process_.reset();
}

QList<QJsonObject> StandInServer::Journal() const {
    QList<QJsonObject> entries;
    QFile file(JournalPath());
    for (const QByteArray& line :
         file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QByteArrayList()) {
        if (!line.trimmed().isEmpty()) {
            entries.append(QJsonDocument::fromJson(line).object());
        }
    }
    return entries;
}

QList<QJsonObject> StandInServer::JournalFor(const QString& script) const {
    QList<QJsonObject> entries = Journal();
    entries.removeIf(
        [&](const QJsonObject& e) { return !e.value(QStringLiteral("path")).toString().endsWith(script); });
    return entries;
}
