// Runs the fuzz entry point over every file of the folders given, and over cut and
// byte-flipped copies of each, without libFuzzer: a quick check in the ordinary suite.
#include <QByteArray>
#include <QDirIterator>
#include <QFile>

#include <algorithm>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    auto run = [](const QByteArray& b) {
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(b.constData()),
                               static_cast<size_t>(b.size()));
    };
    int files = 0;
    for (int a = 1; a < argc; ++a) {
        QDirIterator it(QString::fromLocal8Bit(argv[a]), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            if (!f.open(QIODevice::ReadOnly)) {
                continue;
            }
            const QByteArray seed = f.readAll();
            ++files;
            run(seed);
            // Cuts at many places, and each special byte flipped to another one: fewer for a large
            // seed, so that each seed costs about the same.
            static const char kSpecial[] = {'{', '}', '\\', '\'', ' ', '0'};
            const qsizetype cuts =
                std::clamp<qsizetype>((32 * 4096) / std::max<qsizetype>(1, seed.size()), 4, 32);
            for (qsizetype cut = 0; cut < seed.size(); cut += std::max<qsizetype>(1, seed.size() / cuts)) {
                run(seed.left(cut));
                QByteArray flipped = seed;
                flipped[cut] = kSpecial[static_cast<size_t>(cut) % sizeof(kSpecial)];
                run(flipped);
            }
        }
    }
    std::printf("replayed %d seed files\n", files);
    return files > 0 ? 0 : 1;
}
