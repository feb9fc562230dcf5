#pragma once

#include "documents/pending/PendingRecord.h"
#include "reportlist/core/DeskContext.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdint>

// Watches the document open for editing: a job on the window's event loop that polls, every
// monitorPoll ms, whether the word processor still holds the file. When it lets go, an unchanged
// document frees the one-document slot; a changed one is resynced, offered for e-signing (the
// report's owner) or re-signed with the revision statement (an e-signed report's owner). The
// window stays responsive meanwhile. It belongs to the window and deletes itself when done.
class DocumentMonitor final : public QObject {
    Q_OBJECT
public:
    struct Opened {
        QString name;
        QString esignOwner; // of the report's row when it was opened
        bool esignedOpened = false;
    };

    // Starts watching the document Open just handed to the word processor.
    static DocumentMonitor* Start(DeskContext& desk, const Opened& opened);
    // Watches again, on a new start, a report the word processor still holds from an earlier run.
    static DocumentMonitor* Resume(DeskContext& desk, const PendingRecord& record);
    // The window's running monitor, if any.
    static DocumentMonitor* Find(QObject* window);

    QString Name() const { return opened_.name; }
    // The file watched: this desk's copy, or an earlier desk's for a report watched again.
    QString Path() const { return path_; }
    // The word processor has been seen with the file (it is now waited for to let go).
    bool Taken() const { return taken_; }
    // The window is closing while the word processor still holds the document: keep it for the
    // next start. The monitor does nothing more.
    void KeepForNextStart();

    // How long a start of the word processor may take before it holds the file.
    static constexpr int kTakeTimeoutMs = 120000;

signals:
    // The document was handled and the slot is free.
    void Finished(const QString& name);

private:
    DocumentMonitor(DeskContext& desk, const Opened& opened, const QString& path, bool taken);
    void Poll();
    // A report watched in an earlier desk's folder is copied into this desk's before anything is
    // sent; false when that failed (its record then waits for the next start).
    bool TakeIntoOwnFolder();
    void Evaluate();
    void Resync();
    // After a signing path: a change the server did not confirm is owed as a resync.
    void OweUnlessSent(const QStringList& confirmed);
    void Finish();

    DeskContext& desk_;
    Opened opened_;
    QString path_;
    // The file as handed to the word processor. Kept here: any document download while the
    // report is open rewrites the window's DocumentChecksum.
    std::uint32_t openedChecksum_ = 0;
    QTimer poll_;
    QElapsedTimer sinceStart_;
    bool taken_ = false; // the word processor has been seen holding the file
    bool finished_ = false;
};
