#include "dialogs/history/VersionList.h"

#include "host/core/ActivityLog.h"
#include "host/core/AnswerLines.h"
#include "host/core/CUtility.h"
#include "host/core/NameGate.h"

#include <QFile>

namespace VersionList {

bool Read(const QString& path, QList<QStringList>& rows, int* refused) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    AnswerLines in(file, QStringLiteral("Version list"));
    int number = 0;
    QByteArray bytes;
    while (number < kMaxLines && in.Next(bytes)) {
        const QString line = QString::fromUtf8(bytes);
        QStringList row{QString::number(++number)};
        QStringList fields;
        CUtility::SplitString(line, QStringLiteral("|"), fields);
        row += fields.mid(0, 4);
        // The version name and the server's file name become file names in TempFolder.
        const QString why = row.size() > 1 ? NameGate::Refusal(row.at(1)) : QString();
        const QString serverWhy = row.size() > 4 ? NameGate::Refusal(row.at(4)) : QString();
        if (!why.isEmpty() || !serverWhy.isEmpty()) {
            WriteLog(QStringLiteral("Version list: line %1 not listed, its file name is refused (%2): %3")
                         .arg(number)
                         .arg(why.isEmpty() ? serverWhy : why,
                              NameGate::Printable(why.isEmpty() ? row.at(4) : row.at(1))));
            if (refused != nullptr) {
                ++*refused;
            }
            continue;
        }
        rows.append(row);
    }
    return true;
}

} // namespace VersionList
