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
    SetEnv("PATH", QFile::encodeName(dir_.filePath(QStringLiteral("bin"))) + ':' + qgetenv("PATH"));
    SetEnv("VELMO_FAKE_DIR", QFile::encodeName(dir_.path()));
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
    for (const auto& [name, value] : saved_) {
        qputenv(name.constData(), value);
    }
    for (const QByteArray& name : unset_) {
        qunsetenv(name.constData());
    }
}

void FakeDesktop::SetEnv(const char* name, const QByteArray& value) {
    const bool known =
        std::any_of(saved_.begin(), saved_.end(), [&](const auto& p) { return p.first == name; }) ||
        unset_.contains(name);
    if (!known) {
        if (qEnvironmentVariableIsSet(name)) {
            saved_.append({name, qgetenv(name)});
        } else {
            unset_.append(name);
        }
    }
    qputenv(name, value);
}

QStringList FakeDesktop::Lines(const QString& file) const {
    QFile f(dir_.filePath(file));
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    QStringList lines = QString::fromLocal8Bit(f.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}

QList<QStringList> FakeDesktop::SofficeCalls() const {
    QList<QStringList> calls;
    for (const QString& line : Lines(QStringLiteral("soffice.log"))) {
        calls.append(line.split(QLatin1Char('\t')));
    }
    return calls;
}

QStringList FakeDesktop::Opened() const {
    return Lines(QStringLiteral("xdg-open.log"));
}

QStringList FakeDesktop::Printed() const {
    return Lines(QStringLiteral("printed.log"));
}

void FakeDesktop::SetDefaultPrinter(const QString& name) {
    QFile f(dir_.filePath(QStringLiteral("printer")));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(name.toLocal8Bit());
    }
}

void FakeDesktop::SetEditText(const QString& text) {
    SetEnv("VELMO_FAKE_SOFFICE_EDIT", text.toLocal8Bit());
}

void FakeDesktop::SetHoldLock(bool hold) {
    SetEnv("VELMO_FAKE_SOFFICE_HOLD", hold ? "1" : "0");
}

void FakeDesktop::ReleaseLock() {
    QFile f(dir_.filePath(QStringLiteral("release")));
    f.open(QIODevice::WriteOnly);
}

bool FakeDesktop::WaitForEdit(const QString& path, int timeoutMs) const {
    return QTest::qWaitFor(
        [&] { return Lines(QStringLiteral("edits.log")).contains(QStringLiteral("edited\t") + path); },
        timeoutMs);
}

bool FakeDesktop::WaitForRelease(const QString& path, int timeoutMs) const {
    return QTest::qWaitFor(
        [&] { return Lines(QStringLiteral("edits.log")).contains(QStringLiteral("released\t") + path); },
        timeoutMs);
}

bool FakeDesktop::WaitForSofficeCalls(int count, int timeoutMs) const {
    return QTest::qWaitFor([&] { return SofficeCalls().size() >= count; }, timeoutMs);
}

void FakeDesktop::RemoveOffice() {
    QFile::remove(dir_.filePath(QStringLiteral("bin/soffice")));
    SetEnv("PATH", QFile::encodeName(dir_.filePath(QStringLiteral("bin"))));
}
