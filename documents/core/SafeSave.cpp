#include "documents/core/SafeSave.h"

#include "host/core/PrivateModes.h"

#include <QFile>
#include <QSaveFile>

#include <array>

bool SaveFileAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile out(path);
    out.setDirectWriteFallback(false);
    if (!PrivateModes::OpenForWriting(out)) {
        return false;
    }
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

bool CopyFileAtomically(const QString& source, const QString& target) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        return false;
    }
    QSaveFile out(target);
    out.setDirectWriteFallback(false);
    if (!PrivateModes::OpenForWriting(out)) {
        return false;
    }
    static constexpr qint64 kBlock = 64 * 1024;
    std::array<char, kBlock> buffer{};
    for (;;) {
        const qint64 n = in.read(buffer.data(), kBlock);
        if (n < 0) {
            out.cancelWriting();
            return false;
        }
        if (n == 0) {
            break;
        }
        if (out.write(buffer.data(), n) != n) {
            out.cancelWriting();
            return false;
        }
    }
    return out.commit();
}
