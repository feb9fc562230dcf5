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

// The last search asked for in the window: the search dialog opens on it again, and the bar
// above a search result says it.
struct SearchChoice {
    enum class Scope { Own, All, Provider };
    QString demographic; // the server's name for it ("LastName")
    QString value;
    Scope scope = Scope::Own;
    QString provider; // the provider searched: the chosen entry, or the user's own
    bool dated = false;
    QDate from;
    QDate to;
    bool archive = false;
};

// State of the report list window that the actions share. Plain data, owned by the window and
// touched on the GUI thread only (workers go through RunOnGuiThread). The per-row lists of the
// loaded list live in the list's model, so they follow their rows when the list is sorted.
struct WindowState {
    QString ReportTypeCode; // "p" pending, "t" transcribed ("f", "x" from the server)
    struct LastQuery LastQuery;
    SearchChoice LastSearch; // empty demographic: no search yet
    // E-signature statements already in a document, in the order they are tried; the first
    // that matches wins.
    QStringList SignaturePatterns;
    // Of the loaded list: the names known to be e-signed, and the custom property keys of its
    // columns.
    QStringList EsignedDocuments;
    QStringList ColumnKeys;

    // The document open for editing; empty when none.
    QString OpenDocumentName;
    std::uint32_t DocumentChecksum = 0;
    bool ViewOnly = false;      // the last open was read-only
    bool EsignedOpened = false; // the document opened for editing was already e-signed
    QString PendingStatusWord;  // the action the running status worker reports ("open", "edit")

    QString DictationFlag;      // copy of the session's FromDictationFlag
    bool ListFileFound = false; // whether the last list file existed
};
