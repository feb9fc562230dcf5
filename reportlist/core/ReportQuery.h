#pragma once

#include <QDate>
#include <QString>

// The pieces of the report query that need no window: report type codes, the ids inside the
// provider and location texts, and the file-list request address.
namespace ReportQuery {

// What choosing a report type does to the "Rename" button.
enum class RenameEffect { Enable, Disable, None };

struct ReportType {
    QString code;
    RenameEffect rename = RenameEffect::None;
};

// "Pending" -> "p" (Rename enabled), "Transcribed" -> "t" (Rename disabled), "Forwarded" ->
// "f", "Faxed" -> "x"; compared without regard to case. Any other text is its own code.
ReportType ReportTypeFor(const QString& reportTypeText);

// The text between the first "[" and the last "]" of a provider item ("Dr. Hart [12]" ->
// "12", "All Providers[All]" -> "All"); empty when there is nothing between them.
QString ProviderIdFromText(const QString& providerText);

// The trimmed location item from the character after its first "[" up to, not including, its
// last character ("North Clinic [3]" -> "3").
QString LocationIdFromText(const QString& locationText);

// The address of the file-list request. Nothing is percent-encoded: the server expects the
// values exactly as they stand ("All" included); dates go as yyyy-MM-dd.
QString FileListAddress(const QString& serverUrl, const QString& loginUserId, const QString& providerId,
                        const QString& locationId, const QDate& from, const QDate& to,
                        const QString& reportTypeCode);

// True when the report type code names the pending list ("p", without regard to case).
bool IsPendingCode(const QString& code);

} // namespace ReportQuery
