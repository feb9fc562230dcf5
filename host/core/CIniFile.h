#pragma once

#include <QString>
#include <QStringList>

// A small profile (INI) file over one file and one current section, with the semantics the
// desk relies on: entry order kept, a rewritten key replaced in place, section and key names
// matched without regard to case, and a section read through a 1024-byte buffer (entries
// that do not fit are not seen). Errors are ignored, as callers expect.
class CIniFile {
public:
    static constexpr int kSectionBufferSize = 1024;

    // One key=value of a WriteValues batch.
    struct Value {
        QString section;
        QString key;
        QString value;
    };

    void SetFile(const QString& path) { path_ = path; }
    void SetSection(const QString& name) { section_ = name; }

    // Writes key=value into the current section (creating file and section as needed);
    // with remove set, deletes the key instead.
    void WriteValue(const QString& key, const QString& value, bool remove = false);
    // The same as WriteValue for each entry in order, with the file read and written once: a
    // file of n entries costs n steps, not n rewrites of the whole file.
    void WriteValues(const QList<Value>& values);
    // Empties both lists, then fills them with the section's entries in order (split at the
    // first "="). Returns the number of entries read.
    int ReadSection(QStringList& keys, QStringList& values) const;

private:
    QString path_;
    QString section_;
};
