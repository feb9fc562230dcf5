#pragma once

#include "host/core/SessionSettings.h"
#include "transport/scripts/ServerAnswer.h"

#include <QByteArray>
#include <QDate>
#include <QString>

// The report server's scripts: for each one the keys it takes and its address, and how it is
// called. Every script's name is written here and nowhere else. Query values go in as they
// stand: the server reads them unescaped (CHttp encodes only what a URL cannot carry).
//
// Zipped answers (lists, documents, dictation) are fetched by DownloadFileList (the wait
// dialog's job), CFileDownloads::DownloadFiles or DownloadDocuments with the request's Address().

// "qm_download_filelist.php": a provider's reports at a location for a date range (zipped list).
struct FileListRequest {
    QString loginUserId;
    QString providerId;
    QString locationId;
    QDate from;
    QDate to;
    QString reportTypeCode;
    QString Address(const QString& server = Session().ServerURL()) const;
};

// "qm_search.php": reports whose demographic matches (zipped list).
struct DemographicSearchRequest {
    QString loginId;
    QString locationId;
    QString name;
    QString value;
    QString transcribed; // "1" when the dates apply
    QString scope;       // "All", "0" (own reports) or a provider id
    QString start;       // MM-dd-yyyy
    QString end;
    QString archived; // "1" to include the archive
    static QString Script(const QString& server = Session().ServerURL());
    QString Address(const QString& server = Session().ServerURL()) const;
};

// "qm_searchfreetext.php": reports holding a phrase (zipped list).
struct FreeTextSearchRequest {
    QString text;
    QString loginUserId;
    QString Address(const QString& server = Session().ServerURL()) const;
};

// "qm_searchdemographics.php": the demographic names one may search on ("~"-separated text).
// The answer is read even when the download failed.
struct SearchNamesRequest {
    QString loginId;
    QString Address(const QString& server = Session().ServerURL()) const;
    ServerAnswer Send() const { return GetShortAnswer(Address(), std::nullopt); }
};

// "qm_versionlist.php": a report's earlier versions (zipped list).
struct VersionListRequest {
    QString physicianId;
    QString fileName;
    QString locationId;
    QString Address(const QString& server = Session().ServerURL()) const;
};

// "qm_download_versionfiles.php": one earlier version's document (zipped).
struct VersionFileRequest {
    QString fileName;
    QString Address(const QString& server = Session().ServerURL()) const;
};

// "qm_download_files.php": a report's document (zipped), as NAME.doc.
struct DocumentFileRequest {
    QString fileName;
    QString Address(const QString& server = Session().ServerURL()) const;
};

// "download_play_voicefile.php": a job's dictation (zipped).
struct VoiceFileRequest {
    QString fileName;
    QString Address(const QString& server = Session().ServerURL()) const;
};

// "addressbook.php": the provider's address book (zipped list).
struct AddressBookRequest {
    QString physicianId;
    QString Address(const QString& server = Session().ServerURL()) const;
};

// "qm_address_update.php": adds or changes an entry (its text) or deletes one (its key); only
// the answer "~" confirms.
struct AddressUpdateRequest {
    QString physicianId;
    QString addressOrKey;
    bool deleteEntry = false;
    QString Address(const QString& server = Session().ServerURL()) const;
    ServerAnswer Send() const { return GetShortAnswer(Address(), false); }
};

// "qm_customproperties.php": the available and selected custom properties (zipped list).
struct CustomPropertiesRequest {
    QString physicianId;
    QString Address(const QString& server = Session().ServerURL()) const;
};

// "qm_custom_order.php": the user's column order, each key followed by "~".
struct CustomOrderRequest {
    QString physicianId;
    QString keyList;
    QString Address(const QString& server = Session().ServerURL()) const;
    ServerAnswer Send() const { return GetShortAnswer(Address(), std::nullopt); }
};

// "qm_statusupdate.php": a report was opened, edited or printed.
struct StatusUpdateRequest {
    QString physicianId;
    QString locationId;
    QString fileName;
    QString field;
    QString Address(const QString& server = Session().ServerURL()) const;
};

// "getservertime.asp": the server's clock, as the server writes it.
struct ServerTimeRequest {
    static QString Address(const QString& server = Session().ServerURL());
    static ServerAnswer Send() { return GetShortAnswer(Address(), std::nullopt); }
};

// "view_audittrail.php": the report's audit trail page, opened in the browser.
struct AuditTrailRequest {
    QString loginId;
    QString fileName;
    QString Address(const QString& server = Session().ServerURL()) const;
};

// The posted scripts: a ScriptPost is made on Address() (a caller may still stop before
// sending), then Send adds the fields in the server's order and posts.

// "addtofaxqueue.php": queues documents for faxing.
struct FaxQueueRequest {
    QString recipients; // key~label~fax, joined by "|"
    QString loginId;
    QString documents; // joined by ";"
    static QString Address(const QString& server = Session().ServerURL());
    ServerAnswer Send(ScriptPost& post) const;
};

// "qm_rename.php": moves jobs to another provider or location.
struct RenameRequest {
    QByteArray loginId; // scrambled
    QByteArray password;
    QString jobs; // each followed by ";"
    QString providerId;
    QString locationId;
    QString stat; // sent only when set
    static QString Address(const QString& server = Session().ServerURL());
    ServerAnswer Send(ScriptPost& post) const;
};

// "qm_cp_add.php": new custom property names, each followed by "~".
struct CustomPropertyAddRequest {
    QByteArray loginId; // scrambled
    QString names;
    static QString Address(const QString& server = Session().ServerURL());
    ServerAnswer Send(ScriptPost& post) const;
};

// "qm_esign.php" (an e-signed document) and "qm_resync.php" (an edited one, with the changed
// demographics when there are any): the zipped document posted with the credentials.
struct DocumentUploadRequest {
    bool esign = false;
    QByteArray loginId; // scrambled
    QByteArray password;
    QString locationId;
    QString providerId;
    QString demographics; // resync only, sent when not empty
    QString Address(const QString& server = Session().ServerURL()) const;
    ServerAnswer Send(ScriptPost& post) const;
};
