#pragma once
// Small helpers of the document engine's tests, inline so that the fuzz target shares them.

#include "documents/core/RtfDocument.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "tests/support/QStringPrinting.h"
#include "tests/support/TodaysLog.h"

#include <QDate>
#include <QFile>
#include <QTemporaryDir>

#include <ostream>

namespace DocTest {

inline QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
#ifdef VELMO_DOCUMENT_FIXTURES
// A committed fixture (made by LibreOffice from a hand-written source).
inline QByteArray Fixture(const QString& name) {
    return Read(QStringLiteral(VELMO_DOCUMENT_FIXTURES "/") + name);
}
#endif
// Writes bytes to dir/name and returns the path.
inline QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    QFile f(dir.filePath(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(bytes);
    }
    return f.fileName();
}
// The main text of the RTF file at path, as the engine reads it.
inline QString MainText(const QString& path) {
    RtfDocument doc;
    doc.Load(path);
    return doc.MainText();
}
// Today's activity log of this test's profile.
inline QString LogText() {
    return TodaysLogText();
}
// True when every group of the RTF opens and closes in order (escapes respected).
inline bool Balanced(const QByteArray& rtf) {
    int depth = 0;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf.at(i);
        if (c == '\\') {
            ++i;
        } else if (c == '{') {
            ++depth;
        } else if (c == '}' && --depth < 0) {
            return false;
        }
    }
    return depth == 0;
}

} // namespace DocTest
