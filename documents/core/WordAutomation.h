#pragma once

#include <QList>
#include <QPair>
#include <QString>

// The word processor as the document actions use it. The file-level work (protection,
// bookmarks, the signature) is done on the RTF in-process; showing a document to the user and
// printing go to LibreOffice. Each call stands alone, as each used its own word-processor
// instance.
class WordAutomation final {
public:
    enum class Outcome {
        Done,
        OfficeMissing, // soffice is not on PATH; the user was told, nothing changed
        NoPrinter,     // no default printer; the user was told, nothing printed
        NotRtf,        // the file is not RTF and could not be converted
        FileHeld,      // another program holds the file; it was not overwritten
        Failed,        // the file could not be read or written, or LibreOffice failed
    };

    // Opens the file for the user to edit (LibreOffice, detached: it stays open).
    Outcome Edit(const QString& path);
    // Protects the file for form fields when it is not protected, saves it as RTF and opens it
    // read-only for the user, in the desk's editing profile (no Recent Documents).
    Outcome ViewOnly(const QString& path);
    // The same for an earlier version of a report, which nobody may change: the file is also made
    // read-only on disk (LibreOffice's Edit Document cannot unlock it).
    Outcome ViewVersion(const QString& path);
    // Prints one copy on the default printer and waits until LibreOffice is done with it.
    Outcome Print(const QString& path);
    // For every bookmark, in document order, and every field (name, new value): a bookmark
    // named as the field, or as the field followed by "_alias" (names trimmed, letter case
    // ignored), whose text differs from the value gets the value as its text and keeps
    // spanning it. Then saves the file.
    Outcome SetBookmarkValues(const QString& path, const QList<QPair<QString, QString>>& fields);
};
