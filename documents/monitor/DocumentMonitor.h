#pragma once

#include "documents/core/TempFolderWatch.h"
#include "documents/pending/PendingRecord.h"
#include "reportlist/core/DeskContext.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <memory>

// Watches the document open for editing: a job on the window's event loop that the file system's
// notifications drive (LibreOffice's lock file made or removed, the document written), so that it
// acts as soon as the word processor lets go, however briefly it held the file. A slow poll backs
// them up; where no notification can be had it polls every monitorPoll ms instead. When the word
// processor lets go, an unchanged document frees the one-document slot; a changed one is resynced,
// offered for e-signing (the report's owner) or re-signed with the revision statement (an e-signed
// report's owner). The window stays responsive meanwhile. It belongs to the window and deletes
// itself when done.
//
// What it knows of the opened report (its name, owner, whether it was e-signed, the copy handed
// over) is its own: the window's shared state may change under it while the report is open.
class DocumentMonitor final : public QObject {
    Q_OBJECT
public:
    struct Opened {
        QString name;
        QString esignOwner; // of the report's row when it was opened
        bool esignedOpened = false;
        // The protected flat-ODT copy handed to the word processor instead of the report
        // (an e-signed report); empty when the report itself was handed over.
        QString editCopy;
    };

    // Starts watching the document Open just handed to the word processor; openedChecksum is
    // that of the file handed over. A watch of it made before the word processor was started
    // (WatchBeforeStart) sees an open and close quicker than the desk.
    static DocumentMonitor* Start(DeskContext& desk, const Opened& opened, std::uint32_t openedChecksum,
                                  std::unique_ptr<TempFolderWatch> watch);
    // The notification for a file about to be handed over; nothing when the monitor is to poll.
    static std::unique_ptr<TempFolderWatch> WatchBeforeStart(const QString& handed);
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
    // next start and tell the user so. The monitor does nothing more.
    void KeepForNextStart();

    // How long a start of the word processor may take before it holds the file.
    static constexpr int kTakeTimeoutMs = 120000;
    // How often the monitor checks that the LibreOffice holding the file still runs. A killed
    // LibreOffice leaves its lock file and sends no file event, so this check stays periodic
    // whatever tells the monitor of file changes.
    static constexpr int kLivenessPeriodMs = 1000;

signals:
    // The document was handled and the slot is free.
    void Finished(const QString& name);

private:
    DocumentMonitor(DeskContext& desk, const Opened& opened, const QString& path,
                    std::uint32_t openedChecksum, bool taken);
    // Begins the watch: one file-system watch of the folder for the file and its ODF/Word twins, or
    // polling alone where they cannot be had.
    void Begin(std::unique_ptr<TempFolderWatch> watch);
    void StopWatching();
    void Poll();
    // The word processor holds the watched file, or the ODF/Word copy it saved the report as.
    bool Held() const;
    // Lock files left by a LibreOffice that is gone are removed, and the document is taken as
    // released.
    void CheckLiveness();
    // Keeps the newest saved state of the watched file in the pending folder.
    void KeepLatestSave();
    // A report watched in an earlier desk's folder is copied into this desk's before anything is
    // sent; false when that failed (its record then waits for the next start).
    bool TakeIntoOwnFolder();
    enum class Edit {
        Unchanged, // the protected copy came back as it was handed over
        Changed,   // the protected copy changed and is the report's RTF again
        AsSaved,   // the report as LibreOffice left it (an ODF or Word save taken back into it)
        Failed,    // the protected copy could not become the report again
    };
    // The edit saved elsewhere than in the report (the protected copy, NAME.odt, NAME.docx)
    // becomes the report's RTF.
    Edit BringBackEdit();
    // An unchanged report, but LibreOffice saved a file of the report's name since it was
    // opened: tell the physician where the edit went.
    void TellWhereEditWent();
    void Evaluate();
    void Resync();
    // After a signing path: a change the server did not confirm is owed.
    void OweUnlessSent(const QStringList& confirmed, PendingRecord::Form form);
    void Finish();

    DeskContext& desk_;
    Opened opened_;
    QString path_;       // the file handed to the word processor
    QString reportPath_; // the report's NAME.doc beside it
    // The file as handed to the word processor. Kept here: any document download while the
    // report is open rewrites the window's DocumentChecksum.
    std::uint32_t openedChecksum_ = 0;
    QDateTime openedAt_;
    QDateTime
        lastSave_; // of the copy in the pending folder; none yet: the first poll that sees it held copies
    TempFolderWatch* watch_ = nullptr; // a child; none while polling alone
    QTimer poll_;
    QTimer liveness_;
    QElapsedTimer sinceStart_;
    bool taken_ = false;      // the word processor has been seen holding the file
    bool evaluating_ = false; // the word processor let go: the monitor acts on the result
    bool finished_ = false;
};
