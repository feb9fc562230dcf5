#pragma once

#include <QString>
#include <QStringList>

// A report's demographics as user-defined document properties, read and rewritten directly in
// the RTF text: "{\propname NAME}\proptype30{\staticval VALUE}" inside the user-property group.
class DocumentPropertyStore final {
public:
    // Appends every property of the file, in document order. A file that cannot be read adds
    // nothing; a property without a value gets " " and ends the list.
    void ReadDocumentProperties(const QString& path, QStringList& names, QStringList& values) const;

    // Sets every "name~value" item of list ("|" between items) in the file, adding the missing
    // ones. Returns 1 when the file was rewritten, 0 when it was left untouched (not RTF,
    // unreadable, or held by the word processor, which the user is told about).
    int WriteDocumentProperties(const QString& path, const QString& list) const;

    // The scratch file the writer goes through: ProfileFolder + "Temp.doc".
    static QString ScratchPath();
};
