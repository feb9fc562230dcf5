#pragma once

#include <QByteArray>
#include <QList>

// The multipart/form-data body of an upload, laid out exactly as the report server parses it:
//   [file part header + file bytes] { CRLF "--" B CRLF disposition CRLF CRLF value }
//   CRLF "--" B  "--" CRLF
namespace Multipart {

struct Field {
    QByteArray name;
    QByteArray value;
};

// "--" B CRLF, the disposition naming field "FILE" with the full local path as filename,
// "Content-Type: text/html" CRLF, CRLF. Empty when no file is sent.
QByteArray BuildFilePart(const QByteArray& boundary, const QByteArray& localPath);
// One part per field in order, then CRLF "--" B. Empty when there are no fields.
QByteArray BuildFieldParts(const QByteArray& boundary, const QList<Field>& fields);
// The closing "--" CRLF.
QByteArray Tail();
// A fresh UUID, lower-case, without braces (36 characters).
QByteArray MakeBoundary();
// The request header line that announces the body, without its CRLF (note the comma).
QByteArray ContentTypeHeader(const QByteArray& boundary);

} // namespace Multipart
