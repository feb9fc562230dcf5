#pragma once

#include "documents/pending/PendingRecord.h"
#include "reportlist/core/DeskContext.h"

#include <QString>

#include <cstdint>

// Keeps an edited report until the server has confirmed it, and offers what is still owed when
// the desk next starts for the same user and server.
class PendingUploads final {
public:
    explicit PendingUploads(DeskContext& desk) : desk_(desk) {}

    // At start: settles the records an earlier run left (a report still open in the word
    // processor is watched again; one released with changes becomes owed), then asks whether
    // to send what is owed and sends it.
    void OfferAtStart();

    // Open for editing: what the report was when handed to the word processor (the file at
    // handedPath, also copied into the pending folder at once, so that an edit saved before a
    // crash survives TempFolder; editCopy: that file is the protected flat-ODT copy).
    static void RecordWatching(const QString& report, std::uint32_t baseChecksum,
                               std::uint32_t openedChecksum, const QString& esignOwner, bool esignedOpened,
                               const QString& handedPath, bool editCopy);
    // A report with an edit the server has not confirmed is worked on from that edit, not from
    // the server's copy: the owed document is put back in TempFolder (and the user told once).
    // False when nothing is owed for it in this session.
    static bool TakeOwedCopy(const QString& report);
    // An upload of TempFolder's copy was not confirmed: the copy is kept in the pending folder
    // with what is owed, and the user is told. baseChecksum is used when the report has no
    // record yet.
    static void RecordOwed(const QString& report, PendingRecord::Form form, const QString& demographics,
                           std::uint32_t baseChecksum);
    // The server confirmed an upload of the report: its watching record goes, and an owed edit
    // goes only when the upload was made from it (TakeOwedCopy); an unrelated success leaves it.
    static void Confirmed(const QString& report);
    // The word processor let go of the report and nothing is owed: a watching record goes.
    static void Released(const QString& report);
    // The window closes while the word processor still holds the report (at path): its current
    // state is kept in the pending folder, and the record stays, to be settled on the next start.
    static void KeepHeldAtClose(const QString& report, const QString& path);
    // Removes the desk folders of earlier runs, once the records have taken what they owe,
    // except a folder that still holds a report being watched.
    static void RemoveLeftoverFolders();

    // "1 edited report has not reached the server yet: R260019. Send it now?"
    static QString OfferText(const QStringList& reports);

private:
    // Watching records of this session: watched again, made owed, or dropped. Answers whether
    // a monitor was started.
    bool Settle(PendingRecord record, bool monitorRunning);
    // Sends one owed report; true when the server confirmed it.
    bool Send(const PendingRecord& record);
    // Re-signs TempFolder's copy of an owed edit of a signed report with the revision statement.
    bool Resign(const QString& report);

    DeskContext& desk_;
};
