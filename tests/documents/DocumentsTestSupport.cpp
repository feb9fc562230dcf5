#include "tests/documents/DocumentsTestSupport.h"

#include "documents/core/RtfDocument.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"

#include <QDate>
#include <QFile>

namespace DocTest {

QString FixturePath(const QString& name) {
    return QStringLiteral(VELMO_DOCUMENT_FIXTURES) + QLatin1Char('/') + name;
}

QByteArray Fixture(const QString& name) {
    return Read(FixturePath(name));
}

QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(bytes);
    }
    return path;
}

QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString MainText(const QString& path) {
    RtfDocument doc;
    doc.Load(path);
    return doc.MainText();
}

QString LogText() {
    return QString::fromLocal8Bit(Read(CUtility().ProfileFolder() + QStringLiteral("Log/") +
                                       ActivityLog::FileNameFor(QDate::currentDate())));
}

bool Balanced(const QByteArray& rtf) {
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
