// Downloads and uploads a large file through CHttp and through the curl command line from the
// stand-in server on loopback, and prints MB/s for both, their ratio and the peak resident
// memory of each CHttp run (measured in a child process, for two file sizes, to show that it
// does not grow with the file).
//
//   bench_transfer [--size-mb N] [--rounds R]
#include "transport/CHttp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr double kMiB = 1024.0 * 1024.0;

struct Run {
    bool ok = false;
    double seconds = 0;
    long maxRssKb = 0;
};

// Runs argv as a child and measures its wall time and peak resident memory.
Run Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return {};
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) {
        return {};
    }
    Run run;
    run.seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.maxRssKb = usage.ru_maxrss;
    return run;
}

// Child mode: one CHttp transfer, exit status 0 on success.
int ChildDownload(const QString& url, const QString& target) {
    CHttp http;
    http.SetLocalFile(target);
    http.SetURL(url);
    if (!http.OpenInternetSession() || !http.DownloadFile()) {
        std::fprintf(stderr, "download failed: %s\n", qPrintable(http.GetErrorText()));
        return 1;
    }
    return 0;
}

int ChildUpload(const QString& url, const QString& source, qint64 expected) {
    CHttp http;
    http.SetLocalFile(source);
    http.SetKeepResponse(true);
    http.SetURL(url);
    http.AddFormField(QStringLiteral("a"), QStringLiteral("1"));
    if (!http.OpenInternetSession() || !http.UploadFile()) {
        std::fprintf(stderr, "upload failed: %s\n", qPrintable(http.GetErrorText()));
        return 1;
    }
    // The sink answers "~" + the bytes it received: the file must be in there whole.
    return http.GetResponse().mid(1).toLongLong() > expected ? 0 : 1;
}

bool MakeFile(const QString& path, qint64 size) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    QByteArray block(1 << 20, '\0');
    for (int i = 0; i < block.size(); ++i) {
        block[i] = static_cast<char>(i % 251);
    }
    for (qint64 left = size; left > 0; left -= block.size()) {
        if (file.write(block.constData(), std::min<qint64>(left, block.size())) < 0) {
            return false;
        }
    }
    return true;
}

double Best(const std::vector<double>& v) {
    return v.empty() ? 0 : *std::min_element(v.begin(), v.end());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args.at(1) == QStringLiteral("--child-download")) {
        return ChildDownload(args.at(2), args.at(3));
    }
    if (args.size() == 5 && args.at(1) == QStringLiteral("--child-upload")) {
        return ChildUpload(args.at(2), args.at(3), args.at(4).toLongLong());
    }
    qint64 sizeMb = 200;
    int rounds = 3;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args.at(i) == QStringLiteral("--size-mb")) {
            sizeMb = args.at(i + 1).toLongLong();
        } else if (args.at(i) == QStringLiteral("--rounds")) {
            rounds = args.at(i + 1).toInt();
        }
    }
    const qint64 size = sizeMb * 1024 * 1024;

    QTemporaryDir work;
    qputenv("XDG_DATA_HOME", work.filePath(QStringLiteral("profile")).toLocal8Bit());
    const QString address = QStringLiteral("127.0.0.%1").arg(200 + (::getpid() % 50));
    QProcess server;
    server.start(QStringLiteral(VELMO_REPORT_SERVER_PATH),
                 {QStringLiteral("--data"), work.filePath(QStringLiteral("data")), QStringLiteral("--bind"),
                  address, QStringLiteral("--http-port"), QStringLiteral("80"),
                  QStringLiteral("--https-port"), QStringLiteral("443")});
    bool listening = false;
    while (!listening && server.waitForReadyRead(15000)) {
        while (server.canReadLine()) {
            listening = listening || server.readLine().startsWith("listening");
        }
    }
    if (!listening) {
        std::fprintf(stderr, "report-server did not start: %s\n", server.readAllStandardError().constData());
        return 1;
    }
    const QString base = QStringLiteral("http://%1/").arg(address);
    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    const QString target = work.filePath(QStringLiteral("download.bin"));
    const QString source = work.filePath(QStringLiteral("upload.bin"));
    if (!MakeFile(source, size)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(source));
        return 1;
    }
    const std::string downloadUrl =
        (base + QStringLiteral("bigfile?size=") + QString::number(size)).toStdString();
    const std::string uploadUrl = (base + QStringLiteral("upload-sink")).toStdString();

    std::vector<double> chttpDown, curlDown, chttpUp, curlUp;
    long rssDown = 0;
    long rssUp = 0;
    for (int r = 0; r < rounds; ++r) {
        const Run d = Spawn({self, "--child-download", downloadUrl, target.toStdString()});
        const Run cd = Spawn({"curl", "-s", "-f", "-o", target.toStdString(), downloadUrl});
        const Run u = Spawn({self, "--child-upload", uploadUrl, source.toStdString(), std::to_string(size)});
        const Run cu = Spawn({"curl", "-s", "-f", "-o", "/dev/null", "-H", "Expect:", "-F",
                              "FILE=@" + source.toStdString() + ";type=text/html", "-F", "a=1", uploadUrl});
        if (!d.ok || !cd.ok || !u.ok || !cu.ok) {
            std::fprintf(stderr, "a transfer failed (CHttp down %d, curl down %d, CHttp up %d, curl up %d)\n",
                         d.ok, cd.ok, u.ok, cu.ok);
            return 1;
        }
        chttpDown.push_back(d.seconds);
        curlDown.push_back(cd.seconds);
        chttpUp.push_back(u.seconds);
        curlUp.push_back(cu.seconds);
        rssDown = std::max(rssDown, d.maxRssKb);
        rssUp = std::max(rssUp, u.maxRssKb);
    }
    // The same CHttp runs with a tenth of the size: the peak memory should not move.
    const std::string smallUrl =
        (base + QStringLiteral("bigfile?size=") + QString::number(size / 10)).toStdString();
    const Run smallDown = Spawn({self, "--child-download", smallUrl, target.toStdString()});

    const double mb = static_cast<double>(size) / kMiB;
    const auto line = [mb](const char* what, double chttp, double curl) {
        std::printf("%-9s CHttp %8.1f MB/s   curl %8.1f MB/s   ratio %.2f\n", what, mb / chttp, mb / curl,
                    curl / chttp);
    };
    std::printf("transfer of %.0f MiB on loopback, best of %d rounds, chunk %zu bytes\n", mb, rounds,
                CHttp::kTransferChunk);
    line("download", Best(chttpDown), Best(curlDown));
    line("upload", Best(chttpUp), Best(curlUp));
    std::printf(
        "peak RSS of the CHttp process: download %ld KiB (%ld KiB at a tenth of the size), upload %ld KiB\n",
        rssDown, smallDown.maxRssKb, rssUp);
    server.terminate();
    server.waitForFinished(5000);
    return 0;
}
