#include "documents/core/TempFolderWatch.h"

#include "documents/core/WordHoldsFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <sys/inotify.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t kFolderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_CLOSE_WRITE |
                                        IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

} // namespace

TempFolderWatch::TempFolderWatch(const QStringList& documentPaths, QObject* parent) : QObject(parent) {
    const QString folder =
        documentPaths.isEmpty() ? QString() : QFileInfo(documentPaths.first()).absolutePath();
    for (const QString& path : documentPaths) {
        const QFileInfo document(path);
        if (path.contains(QChar(u'\0')) || document.fileName().isEmpty() ||
            document.absolutePath() != folder) {
            continue; // no such document here: nothing to watch for it
        }
        const QString lockPath = OfficeLockFilePath(path);
        documents_.push_back({document.fileName(), QFileInfo(lockPath).fileName(), lockPath, false});
    }
    if (documents_.empty()) {
        return;
    }
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0) {
        watch_ = ::inotify_add_watch(fd_, QFile::encodeName(folder).constData(), kFolderEvents);
    }
    // Read after the watch is set, so that a lock made in between is not missed either way.
    for (Document& document : documents_) {
        document.lockPresent = QFileInfo::exists(document.lockPath);
    }
    if (watch_ < 0) {
        StopWatching();
        return;
    }
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TempFolderWatch::ReadEvents);
}

TempFolderWatch::~TempFolderWatch() {
    StopWatching();
}

void TempFolderWatch::StopWatching() {
    if (notifier_) {
        notifier_->setEnabled(false);
    }
    if (fd_ >= 0) {
        ::close(fd_); // drops the watch with it
        fd_ = -1;
    }
    watch_ = -1;
}

bool TempFolderWatch::LockPresent() const {
    return std::any_of(documents_.begin(), documents_.end(), [](const Document& d) { return d.lockPresent; });
}

void TempFolderWatch::SetLock(Document& document, bool present) {
    if (present == document.lockPresent) {
        return;
    }
    document.lockPresent = present;
    if (present) {
        emit LockAppeared();
    } else {
        emit LockRemoved();
    }
}

void TempFolderWatch::ReadEvents() {
    alignas(struct inotify_event) char buffer[kBufferSize];
    for (int reads = 0; reads < kMaxReadsPerWake && fd_ >= 0; ++reads) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got <= 0) {
            if (got < 0 && errno != EAGAIN && errno != EINTR) {
                StopWatching();
            }
            return;
        }
        bool folderGone = false;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(struct inotify_event)) <= got;) {
            const auto* event = reinterpret_cast<const struct inotify_event*>(buffer + at);
            const ssize_t size = static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
            if (size > got - at) {
                break; // the kernel writes whole events: a cut one is not one
            }
            at += size;
            if ((event->mask & IN_Q_OVERFLOW) != 0) {
                // Events were lost: say what is true now, and assume the documents were written.
                for (Document& document : documents_) {
                    SetLock(document, QFileInfo::exists(document.lockPath));
                }
                emit DocumentWritten();
                continue;
            }
            if ((event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) != 0) {
                folderGone = true;
                continue;
            }
            if (event->len == 0) {
                continue;
            }
            const QString name = QFile::decodeName(event->name);
            for (Document& document : documents_) {
                if (name == document.lockName) {
                    if ((event->mask & (IN_CREATE | IN_MOVED_TO)) != 0) {
                        SetLock(document, true);
                    } else if ((event->mask & (IN_DELETE | IN_MOVED_FROM)) != 0) {
                        SetLock(document, false);
                    }
                } else if (name == document.name && (event->mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) != 0) {
                    emit DocumentWritten();
                }
            }
        }
        if (folderGone) {
            StopWatching();
            return;
        }
    }
}
