#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>

// The filters of the last query whose list had records; an empty result puts them back.
struct LastQuery {
    QString reportTypeCode;
    QDateTime from;
    QDateTime to;
    QString providerText;
    QString locationText;
};

// State of the report list window that the actions share. Plain data: the window owns it,
// the actions (open, e-sign, monitor, ...) read and write it. The per-row lists of the loaded
// list live in the list's model, so they follow their rows when the list is sorted.
struct WindowState {
    QString ReportTypeCode; // "p" pending, "t" transcribed ("f", "x" from the server)
    struct LastQuery LastQuery;
    QStringList SignaturePatterns; // e-signature statements, most specific first

    // The document open for editing and what the monitor needs to know about it.
    QString OpenDocumentName;
    std::uint32_t DocumentChecksum = 0;
    bool DocumentOpenForEdit = false;
    bool DocumentSigned = false;
    bool DocumentModified = false;

    QString DictationFlag;      // copy of the session's FromDictationFlag
    bool ListFileFound = false; // whether the last list file existed
    QString StatusFieldName;    // the status word the running status update sends
};
