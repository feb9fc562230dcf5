#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <ostream>

namespace DocTest {

// A committed fixture (made by LibreOffice from a hand-written source).
QString FixturePath(const QString& name);
QByteArray Fixture(const QString& name);
// Writes bytes to dir/name and returns the path.
QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes);
QByteArray Read(const QString& path);
// The main text of the RTF file at path, as the engine reads it.
QString MainText(const QString& path);
// Today's activity log of this test's profile.
QString LogText();
// True when every group of the RTF opens and closes in order (escapes respected).
bool Balanced(const QByteArray& rtf);

} // namespace DocTest

// Readable failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '[' << l.join(QStringLiteral("][")).toStdString() << ']';
}
