#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

// Tells, from the kernel's notifications for the document's folder (inotify), when
// LibreOffice's lock file for one document appears or goes and when the document is written,
// within milliseconds of it happening and in the order it happened. Each event names the file,
// so a lock that comes and goes between two looks (a quick open and close) is still reported.
// It only reports: what an edit means is the monitor's business. QFileSystemWatcher is not
// enough here: it says only that a folder changed, so a lock created and removed before the
// desk looks would be lost.
//
// Notifying() is false where no notification can be had (no inotify, the folder gone, too many
// watches); the owner then keeps polling. After the kernel's queue overflowed, the watch reports
// what it finds now: the lock's state, and the document as written. A slot that ends the watch
// must do so with deleteLater: the signals are emitted while the events are being read.
class TempFolderWatch final : public QObject {
    Q_OBJECT
public:
    explicit TempFolderWatch(const QString& documentPath, QObject* parent = nullptr);
    ~TempFolderWatch() override;
    TempFolderWatch(const TempFolderWatch&) = delete;
    TempFolderWatch& operator=(const TempFolderWatch&) = delete;

    bool Notifying() const { return watch_ >= 0; }
    // The lock file's presence as last reported (as found at the start).
    bool LockPresent() const { return lockPresent_; }

    // Events are read this many bytes at a time, at most kMaxReadsPerWake times per wake-up;
    // the rest waits for the next turn of the event loop.
    static constexpr int kBufferSize = 16 * 1024;
    static constexpr int kMaxReadsPerWake = 64;

signals:
    void LockAppeared();
    void LockRemoved();
    // The document was closed after writing, or a new file was moved into its place.
    void DocumentWritten();

private:
    void ReadEvents();
    void SetLock(bool present);
    void StopWatching();

    QString lockName_;
    QString documentName_;
    QString lockPath_;
    int fd_ = -1;
    int watch_ = -1;
    bool lockPresent_ = false;
    QSocketNotifier* notifier_ = nullptr;
};
