// Signs a 5 MB report (text, a table, an embedded picture) in-process, and has LibreOffice
// headless load and save the same report as RTF, the least any edit through LibreOffice costs.
// Prints both times, their ratio, and the in-process sign's peak heap against the file's size.
//
//   bench_esign [--rounds R] [--office-rounds N]
#include "documents/core/OfficeProgram.h"
#include "documents/core/SigningCore.h"
#include "host/core/Delays.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <vector>
#include <zlib.h>

// Heap accounting: every allocation of the process (Qt's included) goes through these.
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);
void* __libc_memalign(size_t, size_t);
}

namespace {
std::atomic<long long> heapNow{0};
std::atomic<long long> heapPeak{0};
void Account(long long delta) {
    const long long now = heapNow.fetch_add(delta) + delta;
    long long peak = heapPeak.load();
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
}
} // namespace

extern "C" {
void* malloc(size_t n) {
    void* p = __libc_malloc(n);
    if (p) {
        Account(static_cast<long long>(malloc_usable_size(p)));
    }
    return p;
}
void* calloc(size_t a, size_t b) {
    void* p = __libc_calloc(a, b);
    if (p) {
        Account(static_cast<long long>(malloc_usable_size(p)));
    }
    return p;
}
void* realloc(void* old, size_t n) {
    const long long before = old ? static_cast<long long>(malloc_usable_size(old)) : 0;
    void* p = __libc_realloc(old, n);
    if (p) {
        Account(static_cast<long long>(malloc_usable_size(p)) - before);
    } else if (n == 0) {
        Account(-before);
    }
    return p;
}
void free(void* p) {
    if (p) {
        Account(-static_cast<long long>(malloc_usable_size(p)));
    }
    __libc_free(p);
}
void* memalign(size_t align, size_t n) {
    void* p = __libc_memalign(align, n);
    if (p) {
        Account(static_cast<long long>(malloc_usable_size(p)));
    }
    return p;
}
void* aligned_alloc(size_t align, size_t n) {
    return memalign(align, n);
}
int posix_memalign(void** out, size_t align, size_t n) {
    *out = memalign(align, n);
    return *out ? 0 : 12;
}
}

namespace {

QByteArray Png(int width, int height) {
    auto chunk = [](const char* type, const QByteArray& data) {
        QByteArray c;
        const quint32 len = static_cast<quint32>(data.size());
        c.append(static_cast<char>(len >> 24)).append(static_cast<char>(len >> 16));
        c.append(static_cast<char>(len >> 8)).append(static_cast<char>(len));
        const QByteArray body = QByteArray(type) + data;
        c.append(body);
        const quint32 crc = static_cast<quint32>(
            crc32(0, reinterpret_cast<const Bytef*>(body.constData()), static_cast<uInt>(body.size())));
        c.append(static_cast<char>(crc >> 24)).append(static_cast<char>(crc >> 16));
        c.append(static_cast<char>(crc >> 8)).append(static_cast<char>(crc));
        return c;
    };
    QByteArray raw;
    raw.reserve((width * 3 + 1) * height);
    QRandomGenerator rng(7);
    for (int y = 0; y < height; ++y) {
        raw.append('\0');
        for (int x = 0; x < width * 3; ++x) {
            raw.append(static_cast<char>(rng.bounded(256))); // noise: it does not compress
        }
    }
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    QByteArray z(static_cast<qsizetype>(size), '\0');
    compress(reinterpret_cast<Bytef*>(z.data()), &size, reinterpret_cast<const Bytef*>(raw.constData()),
             static_cast<uLong>(raw.size()));
    z.resize(static_cast<qsizetype>(size));
    QByteArray ihdr;
    for (int v : {width, height}) {
        ihdr.append(static_cast<char>(v >> 24)).append(static_cast<char>(v >> 16));
        ihdr.append(static_cast<char>(v >> 8)).append(static_cast<char>(v));
    }
    ihdr.append("\x08\x02\x00\x00\x00", 5);
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", ihdr) + chunk("IDAT", z) + chunk("IEND", {});
}

QByteArray Report() {
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}}"
                     "{\\colortbl;\\red0\\green0\\blue0;}{\\info{\\title Report}}"
                     "{\\*\\userprops{\\propname FirstName}\\proptype30{\\staticval John}}\n"
                     "\\sectd\\pard\\f0\\fs24{\\b CONSULTATION REPORT}\\par\n";
    for (int p = 0; p < 600; ++p) {
        rtf += "Paragraph " + QByteArray::number(p) +
               ": the patient reports intermittent chest discomfort on exertion, relieved by rest; "
               "no radiation, no dyspnoea at rest. Caf\\'e9 visits reduced. Examination unremarkable.\\par\n";
    }
    for (int r = 0; r < 60; ++r) {
        rtf += "\\trowd\\cellx3000\\cellx6000\\cellx9000\\intbl Measurement " + QByteArray::number(r) +
               "\\cell " + QByteArray::number(100 + r) + "/80\\cell normal\\cell\\row\n";
    }
    const QByteArray png = Png(910, 910);
    rtf += "\\pard{\\pict\\pngblip\\picw910\\pich910\\picwgoal8400\\pichgoal8400\n";
    const QByteArray hex = png.toHex();
    for (qsizetype i = 0; i < hex.size(); i += 128) {
        rtf += hex.mid(i, 128) + '\n';
    }
    rtf += "}\\par\nAssessment: stable. Plan: follow up in two weeks.\\par\n}";
    return rtf;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int rounds = 20;
    int officeRounds = 3;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0) {
            rounds = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--office-rounds") == 0) {
            officeRounds = std::max(1, std::atoi(argv[++i]));
        }
    }
    Delays::ZeroAll(); // the product's 200 ms pause after saving is not the engine's work
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("xdg")).toLocal8Bit());
    const QByteArray report = Report();
    const QString source = dir.filePath(QStringLiteral("report.doc"));
    {
        QFile f(source);
        f.open(QIODevice::WriteOnly);
        f.write(report);
    }
    std::printf("report: %.2f MB (text, a 60-row table, a 910x910 picture)\n", report.size() / 1048576.0);

    Signing::Request request;
    request.signatureText = QStringLiteral("Dr. Amelia Hart");
    request.dateText = QStringLiteral("12-04-26 at 09:15:00");
    std::vector<double> inProcess;
    long long peakAbove = 0;
    for (int r = 0; r < rounds; ++r) {
        const QString copy = dir.filePath(QStringLiteral("signed.doc"));
        QFile::remove(copy);
        QFile::copy(source, copy);
        const long long base = heapNow.load();
        heapPeak.store(base);
        QElapsedTimer t;
        t.start();
        const Signing::Result result = Signing::SignDocumentFile(copy, request);
        inProcess.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        peakAbove = std::max(peakAbove, heapPeak.load() - base);
        if (!result.statementWritten) {
            std::printf("in-process sign failed\n");
            return 1;
        }
    }

    // LibreOffice: load the report and save it as RTF, in a private profile made beforehand.
    const QString profile = QUrl::fromLocalFile(dir.filePath(QStringLiteral("lo-profile"))).toString();
    auto office = [&](const QString& outDir) {
        QProcess p;
        p.start(QStringLiteral("soffice"),
                {QStringLiteral("--headless"), QStringLiteral("--norestore"),
                 QStringLiteral("-env:UserInstallation=") + profile, QStringLiteral("--convert-to"),
                 QStringLiteral("rtf"), QStringLiteral("--outdir"), outDir, source});
        return p.waitForFinished(600000) && p.exitCode() == 0 &&
               QFile::exists(outDir + QStringLiteral("/report.rtf"));
    };
    if (!office(dir.filePath(QStringLiteral("warm")))) {
        std::printf("LibreOffice (soffice) could not convert the report\n");
        return 1;
    }
    std::vector<double> viaOffice;
    for (int r = 0; r < officeRounds; ++r) {
        QElapsedTimer t;
        t.start();
        if (!office(dir.filePath(QStringLiteral("out%1").arg(r)))) {
            std::printf("LibreOffice failed\n");
            return 1;
        }
        viaOffice.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }

    const double a = Median(inProcess);
    const double b = Median(viaOffice);
    std::printf("in-process sign:        %9.1f ms (median of %d)\n", a, rounds);
    std::printf("LibreOffice load+save:  %9.1f ms (median of %d, warm private profile)\n", b, officeRounds);
    std::printf("ratio:                  %9.0f x\n", a > 0 ? b / a : 0.0);
    std::printf("in-process peak heap:   %9.2f MB above the start = %.2f x the file\n", peakAbove / 1048576.0,
                static_cast<double>(peakAbove) / static_cast<double>(report.size()));
    return 0;
}
