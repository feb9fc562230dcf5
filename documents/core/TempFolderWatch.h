#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

class QSocketNotifier;

// Tells, from the kernel's notifications for the documents' folder (inotify), when
// LibreOffice's lock file for one of the documents appears or goes and when one is written,
// within milliseconds of it happening and in the order it happened. Each event names the file,
// so a lock that comes and goes between two looks (a quick open and close) is still reported.
// One watch serves every document of the folder it is given (a report and the twins LibreOffice
// may save it as): the kernel's events are filtered by name. It only reports: what an edit means
// is the monitor's business. QFileSystemWatcher is not
// enough here: it says only that a folder changed, so a lock created and removed before the
// desk looks would be lost.
//
// Notifying() is false where no notification can be had (no inotify, the folder gone, too many
// watches); the owner then keeps polling. After the kernel's queue overflowed, the watch reports
// what it finds now: the locks' state, and the documents as written. A slot that ends the watch
// must do so with deleteLater: the signals are emitted while the events are being read.
class TempFolderWatch final : public QObject {
    Q_OBJECT
public:
    // The documents are in one folder, the first one's; a path elsewhere is not watched.
    explicit TempFolderWatch(const QStringList& documentPaths, QObject* parent = nullptr);
    ~TempFolderWatch() override;
    TempFolderWatch(const TempFolderWatch&) = delete;
    TempFolderWatch& operator=(const TempFolderWatch&) = delete;

    bool Notifying() const { return watch_ >= 0; }
    // Whether any document's lock file is present, as last reported (as found at the start).
    bool LockPresent() const;

    // Events are read this many bytes at a time, at most kMaxReadsPerWake times per wake-up;
    // the rest waits for the next turn of the event loop.
    static constexpr int kBufferSize = 16 * 1024;
    static constexpr int kMaxReadsPerWake = 64;

signals:
    void LockAppeared();
    void LockRemoved();
    // A document was closed after writing, or a new file was moved into its place.
    void DocumentWritten();

private:
    void ReadEvents();
    struct Document {
        QString name;
        QString lockName;
        QString lockPath;
        bool lockPresent = false;
    };
    void SetLock(Document& document, bool present);
    void StopWatching();

    std::vector<Document> documents_;
    int fd_ = -1;
    int watch_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};
