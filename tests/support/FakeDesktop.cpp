#include "tests/support/FakeDesktop.h"

#include <QDir>
#include <QFile>
#include <QTest>

FakeDesktop::FakeDesktop() {
    QDir().mkpath(dir_.filePath(QStringLiteral("bin")));
    for (const char* name : {"soffice", "xdg-open", "lpstat"}) {
        QFile::link(QStringLiteral(VELMO_FAKE_DESKTOP_TOOL),
                    dir_.filePath(QStringLiteral("bin/") + QLatin1String(name)));
    }
    env_.PrependPath(QFile::encodeName(dir_.filePath(QStringLiteral("bin"))));
    env_.Set("VELMO_FAKE_DIR", QFile::encodeName(dir_.path()));
}

FakeDesktop::~FakeDesktop() {
    // No fake edit outlives its test: let every one go and wait (bounded) until each has.
    ReleaseLock();
    [[maybe_unused]] const bool allReleased = QTest::qWaitFor(
        [&] {
            int open = 0;
            for (const QString& line : Lines(QStringLiteral("edits.log"))) {
                open += line.startsWith(QStringLiteral("edited\t")) ? 1 : -1;
            }
            return open <= 0;
        },
        5000);
}

QStringList FakeDesktop::Lines(const QString& file) const {
    QFile f(dir_.filePath(file));
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList lines = QString::fromLocal8Bit(f.readAll()).split(QLatin1Char('\n'));
    lines.removeLast(); // each line ends with a newline: what follows the last is none (or unfinished)
    return lines;
}

QList<QStringList> FakeDesktop::SofficeCalls() const {
    QList<QStringList> calls;
    for (const QString& line : Lines(QStringLiteral("soffice.log"))) {
        calls.append(line.split(QLatin1Char('\t')));
    }
    return calls;
}

void FakeDesktop::SetDefaultPrinter(const QString& name) {
    QFile f(dir_.filePath(QStringLiteral("printer")));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(name.toLocal8Bit());
    }
}

void FakeDesktop::ReleaseLock() {
    QFile(dir_.filePath(QStringLiteral("release"))).open(QIODevice::WriteOnly);
}

bool FakeDesktop::WaitForEditLine(const QString& line) const {
    return QTest::qWaitFor([&] { return Lines(QStringLiteral("edits.log")).contains(line); }, 20000);
}

bool FakeDesktop::WaitForSofficeCalls(int count, int timeoutMs) const {
    return QTest::qWaitFor([&] { return SofficeCalls().size() >= count; }, timeoutMs);
}

void FakeDesktop::RemoveOffice() {
    QFile::remove(dir_.filePath(QStringLiteral("bin/soffice")));
    env_.Set("PATH", QFile::encodeName(dir_.filePath(QStringLiteral("bin"))));
}
