#include "transport/LocalCopies.h"

#include "host/core/CUtility.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace LocalCopies {

namespace {

QMutex mutex;
QHash<QString, Kind>& Copies() {
    static QHash<QString, Kind> copies;
    return copies;
}

} // namespace

void Remember(const QString& path, Kind kind) {
    if (path.isEmpty()) {
        return;
    }
    const QMutexLocker lock(&mutex);
    Copies().insert(path, kind);
}

bool Reusable(const QString& path, Kind kind) {
    {
        const QMutexLocker lock(&mutex);
        const auto it = Copies().constFind(path);
        if (path.isEmpty() || it == Copies().constEnd() || it.value() != kind) {
            return false;
        }
    }
    return CUtility::FileExists(path);
}

void Forget(const QString& path) {
    const QMutexLocker lock(&mutex);
    Copies().remove(path);
}

void ForgetAll() {
    const QMutexLocker lock(&mutex);
    Copies().clear();
}

} // namespace LocalCopies
