#pragma once

#include "reportlist/core/ReportRows.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class QIODevice;

// The server's file list: one report per line, fields "key~value" separated by "|". The first
// record also defines the columns; reading stops at the first empty line.
struct FileListColumn {
    QString key;
    QString caption;
    int width = 0;
};

struct ParsedFileList {
    bool fileFound = false;            // the path existed
    bool hasRecords = false;           // first line not empty
    QList<FileListColumn> dataColumns; // columns 6.. built from the first record
    QStringList columnKeys;            // ColumnKeys
    ReportRows rows;                   // file order
    QStringList esignedDocuments;      // EsignedDocuments
    // Rows left out because the names rule refuses their Filename (each logged once).
    int refusedRows = 0;
};

// Bounds against a hostile or broken server; both are logged when they bite.
namespace FileListLimits {
// A line longer than this is cut; the rest of it is skipped (a line without a line feed could
// otherwise fill memory).
inline constexpr qint64 kMaxLineBytes = 1024 * 1024;
// Rows beyond this are not read: each row costs memory, and an endless file would exhaust it.
inline constexpr int kMaxRows = 250000;
} // namespace FileListLimits

// The accepted key/value fields of one record line, in order (their index is the position).
QList<QPair<QString, QString>> SplitRecordFields(const QString& line);
// Column caption shown for a field key.
QString CaptionForKey(const QString& key);
// The reverse: the field key of a column caption ("Date Of Birth" -> "DateOfBirth", letter case
// ignored); a caption the table does not know is its own key.
QString KeyForCaption(const QString& caption);
// The list's columns that carry no field: the row label, the status dots (their stored
// captions "Op" ... "Es"), an empty caption, Filename and the upload and transcription times.
bool IsFieldlessCaption(const QString& caption);
// Width in pixels of a data column (6 onward) for its caption.
int DataColumnWidth(const QString& caption, bool pending);
// Bounded in line length and row count. A row whose Filename the names rule refuses is not
// listed: every action would build a path from it.
ParsedFileList ParseFileList(QIODevice& in, bool pending);
ParsedFileList ParseFileListFile(const QString& path, bool pending);
