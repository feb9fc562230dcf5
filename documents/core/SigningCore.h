#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>

class RtfDocument;

// The text side of e-signing: which statement a document gets, and writing it into the file.
namespace Signing {

inline const QString kMarker = QStringLiteral("/***ESS***/");
inline const QString kFirstPrefix = QStringLiteral("This document has been Electronically ESigned by ");
inline const QString kRevisionPrefix =
    QStringLiteral("This document has been Revised and Electronically ESigned by ");

// The texts that mark an existing statement, in the order they are tried.
QStringList SearchTexts();

// The signer's text from the session's signature line ("id~text" entries split by "|"): the
// part after the first "~" of the first entry that holds userId and a "~"; empty when none.
QString SignatureTextFor(const QString& signatureLine, const QString& userId);

// The statement's date from the server's time text ("12-04-2026 09:15:00" gives
// "12-04-26 at 09:15:00"). A text without "-" (the local fallback writes "Dec/04/2026
// 09:15:00") is read the same way with "/" as the separator ("Dec-04-26 at 09:15:00").
QString StatementDateText(const QString& timeText);
// The fallback time text when the server gives none: "%b/%d/%Y %H:%M:%S", English month.
QString LocalTimeText(const QDateTime& now);

QString FirstSignatureStatement(const QString& signatureText, const QString& dateText);
QString RevisionStatement(const QString& signatureText, const QString& dateText);

struct Request {
    QString signatureText;
    QString dateText;
    // Re-signing the file the word processor just released (the monitor), as against signing a
    // closed file.
    bool watchedFile = false;
    // The report is known to be e-signed (its name is in EsignedDocuments).
    bool knownSigned = false;
    // The demographics editor re-signs: an unsigned document gets no statement.
    bool demographicsResign = false;
    QStringList signaturePatterns; // the window's SignaturePatterns
};

struct Result {
    bool saved = false;              // the file was written (or needed no write)
    bool statementWritten = false;   // a statement went in: the caller uploads
    bool revision = false;           // it replaced an earlier statement
    qsizetype existingPosition = -1; // where the earlier statement stood in the main text
    QString statement;
    // Text that followed the earlier statement (an addendum typed after it): kept, and now above
    // the new statement. Empty when there was none; the caller tells the user when there was.
    QString movedText;
    std::uint32_t checksum = 0; // of the saved file, for the watched file
};

// Signs the document in memory: removes an earlier statement's paragraphs (keeping any other
// text after them) and writes the revision statement at the end, or appends a continuous
// section break and the first-signature statement. The statement is the document's last
// paragraph, in plain formatting whatever the document ends in. saved stays false.
Result SignDocument(RtfDocument& doc, const Request& request);

// SignDocument on the file at path (converted to RTF first when it is not), saved in place.
Result SignDocumentFile(const QString& path, const Request& request);

} // namespace Signing
