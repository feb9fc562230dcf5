#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// User-defined document properties in an RTF text, "{\propname NAME}\proptype30{\staticval
// VALUE}" inside the user-property group: finding, reading and rewriting them in memory. The
// file side (the scratch file, the held-file message) is DocumentPropertyStore's.
//
// Names and values are RTF text: the writer escapes "\", "{" and "}" and writes characters
// outside ASCII as \uN; the reader undoes every escape a word processor writes (\'hh in the
// document's code page, double-byte pages included). Group ends are found past escaped braces
// and nested groups, so that a brace in a value never cuts the document.
namespace DocumentPropertyText {

// Appends every property of rtf, in document order; a property without a value gets " " and
// ends the list. rtf is the file's text with its line ends removed.
void Read(const QByteArray& rtf, QStringList& names, QStringList& values);

// Sets name to value in rtf: the property and its "_alias" twin when present; otherwise a new
// property after the last one (or in a new user-property group).
void Write(QByteArray& rtf, const QString& name, const QString& value);

// A name or value as written into the document.
QByteArray Escape(const QString& text);

} // namespace DocumentPropertyText
