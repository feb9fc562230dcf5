#include "dialogs/customproperties/CustomPropertyList.h"

#include "host/core/AnswerLines.h"
#include "host/core/CUtility.h"

#include <QFile>

namespace {

void InsertPart(const QString& part, QStringList& list) {
    if (!part.contains(QLatin1Char('~'))) {
        return;
    }
    QStringList names;
    CUtility::SplitString(part.trimmed(), QStringLiteral("~"), names);
    for (qsizetype i = 0; i < names.size(); ++i) {
        list.insert(qMin(i, list.size()), names[i]);
    }
}

} // namespace

CustomPropertyList CustomPropertyList::Read(const QString& path) {
    CustomPropertyList list;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return list;
    }
    AnswerLines in(file, QStringLiteral("Custom properties"));
    QByteArray bytes;
    for (qsizetype lines = 0; lines < kMaxLines && in.Next(bytes); ++lines) {
        const QString line = QString::fromUtf8(bytes);
        const qsizetype bar = line.indexOf(QLatin1Char('|'));
        InsertPart(bar < 0 ? line : line.left(bar), list.available);
        if (bar >= 0) {
            InsertPart(line.mid(bar + 1), list.selected);
        }
    }
    return list;
}
