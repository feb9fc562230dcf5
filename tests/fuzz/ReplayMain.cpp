// Runs the fuzz entry point over every file of the folders given, and over cut and
// byte-flipped copies of each, without libFuzzer: a quick check in the ordinary suite.
#include <QByteArray>
#include <QDirIterator>
#include <QFile>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void Run(const QByteArray& bytes) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()),
                           static_cast<size_t>(bytes.size()));
}

} // namespace

int main(int argc, char** argv) {
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
            Run(seed);
            // Cuts at many places, and each special byte flipped to another one.
            const qsizetype step = std::max<qsizetype>(1, seed.size() / 64);
            for (qsizetype cut = 0; cut < seed.size(); cut += step) {
                Run(seed.left(cut));
                QByteArray flipped = seed;
                static const char kSpecial[] = {'{', '}', '\\', '\'', ' ', '0'};
                flipped[cut] = kSpecial[static_cast<size_t>(cut) % sizeof(kSpecial)];
                Run(flipped);
            }
        }
    }
    std::printf("replayed %d seed files\n", files);
    return files > 0 ? 0 : 1;
}
