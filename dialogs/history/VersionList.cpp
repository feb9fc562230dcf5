#include "dialogs/history/VersionList.h"

#include "host/core/CUtility.h"

#include <QFile>
#include <QTextStream>

namespace VersionList {

bool Read(const QString& path, QList<QStringList>& rows) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return false;
    }
    QTextStream in(&file);
    const CUtility utility;
    int number = 0;
    while (!in.atEnd() && number < kMaxLines) {
        const QString line = in.readLine(kMaxLineLength);
        QStringList row{QString::number(++number)};
        QStringList fields;
        utility.SplitString(line, QStringLiteral("|"), fields);
        row += fields.mid(0, 4);
        rows.append(row);
    }
    return true;
}

} // namespace VersionList
