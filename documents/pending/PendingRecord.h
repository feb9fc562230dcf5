#pragma once

#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

// What the desk still owes the server for one edited report, kept outside TempFolder (which
// is emptied when the window closes) so that a physician's correction survives a closed
// window, a killed desk, a refusing server or a network that is down.
//
// ProfileFolder + "Pending/" holds, per report, NAME.pending (this record) and, once something
// is owed, NAME.doc (the document to send). A record is written whole or not at all.
struct PendingRecord {
    enum class State {
        Watching, // open in the word processor; owed only if it comes back changed
        Owed,     // the document in the pending folder has not been confirmed by the server
    };
    enum class Form {
        Resync, // "qm_resync.php", with the demographics text when there is one
        Esign,  // "qm_esign.php": the document carries a new signature statement
        // An edit of a report its owner had e-signed: re-signed with the revision statement
        // when it is sent, then "qm_esign.php", as the monitor does when it sees the edit.
        Resign,
    };

    QString report;
    QString user;   // LoggedUserId of the session that edited it
    QString server; // ServerURL of that session
    QString physicianId;
    QString locationId;
    State state = State::Watching;
    Form form = Form::Resync;
    QString demographics;
    // The document as the server last gave it to us, and as handed to the word processor.
    std::uint32_t baseChecksum = 0;
    std::uint32_t openedChecksum = 0;
    // What Open knew of the report's row, for a monitor resumed on the next start.
    QString esignOwner;
    bool esignedOpened = false;
    QString created; // ISO date and time, for the log
    // The desk folder (under ProfileFolder + "Temp/") the word processor was given the report in.
    QString folder;
    // The word processor was given a protected flat-ODT copy (NAME.fodt) instead of NAME.doc:
    // the copy is what is watched and kept, and it goes back to RTF before it is sent.
    bool editCopy = false;

    // Where the report was handed to the word processor: its desk folder's NAME.doc, or this
    // desk's copy when the record names no usable folder. Empty for a refused name.
    QString LivePath() const;

    bool SameSession(const QString& userId, const QString& serverUrl) const;
    QString Serialize() const;
    // Nullopt for a text that is not a record (unknown first line, no report, too long).
    static std::optional<PendingRecord> Parse(const QByteArray& text);
};

namespace PendingStore {

// ProfileFolder + "Pending/".
QString Folder();
// Where a report's record and document go; names that are not plain file names are hashed.
QString RecordPath(const QString& report);
QString DocumentPath(const QString& report);

// Writes the record atomically; false (logged) when it could not.
bool Save(const PendingRecord& record);
std::optional<PendingRecord> Load(const QString& report);
// Every readable record in the folder (at most a few hundred are looked at).
QList<PendingRecord> All();
// Copies source to the report's pending document atomically; false (logged) on failure.
bool KeepDocument(const QString& report, const QString& source);
bool HasDocument(const QString& report);
// Deletes the report's record and document.
void Remove(const QString& report);

} // namespace PendingStore
