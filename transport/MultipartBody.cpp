#include "transport/MultipartBody.h"

#include <QUuid>

namespace Multipart {

namespace {
constexpr char kCrLf[] = "\r\n";
} // namespace

QByteArray BuildFilePart(const QByteArray& boundary, const QByteArray& localPath) {
    if (localPath.isEmpty()) {
        return {};
    }
    QByteArray part;
    part += "--" + boundary + kCrLf;
    part += "Content-Disposition: form-data; name=\"FILE\"; filename=\"" + localPath + "\"" + kCrLf;
    part += QByteArray("Content-Type: text/html") + kCrLf;
    part += kCrLf;
    return part;
}

QByteArray BuildFieldParts(const QByteArray& boundary, const QList<Field>& fields) {
    if (fields.isEmpty()) {
        return {};
    }
    QByteArray parts;
    for (const Field& field : fields) {
        parts += kCrLf;
        parts += "--" + boundary + kCrLf;
        parts += "Content-Disposition: form-data; name=\"" + field.name + "\"" + kCrLf;
        parts += kCrLf;
        parts += field.value;
    }
    parts += kCrLf;
    parts += "--" + boundary;
    return parts;
}

QByteArray Tail() {
    return QByteArray("--") + kCrLf;
}

QByteArray MakeBoundary() {
    return QUuid::createUuid().toByteArray(QUuid::WithoutBraces).toLower();
}

QByteArray ContentTypeHeader(const QByteArray& boundary) {
    return "Content-Type: multipart/form-data, boundary=" + boundary;
}

} // namespace Multipart
