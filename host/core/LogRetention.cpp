#include "host/core/LogRetention.h"

#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"

#include <QDirIterator>
#include <QFile>
#include <QLocale>

namespace LogRetention {

QDate DayOfLogFile(const QString& fileName) {
    static const QString kPrefix = QStringLiteral(" Molve ");
    if (!fileName.startsWith(kPrefix)) {
        return {};
    }
    // The month is always English, whatever the user's locale.
    const QDate day = QLocale::c().toDate(fileName.mid(kPrefix.size()), QStringLiteral("dd-MMM-yyyy"));
    // Only the exact name a log of that day has: nothing else in the folder is taken for a log.
    return day.isValid() && ActivityLog::FileNameFor(day) == fileName ? day : QDate();
}

int RemoveOlderThan(int days, const QDate& today) {
    if (days <= 0) {
        return 0;
    }
    const QDate oldestKept = today.addDays(-days);
    const QString folder = CUtility::ProfileFolder() + QStringLiteral("Log/");
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    int removed = 0;
    for (int looked = 0; looked < kMaxLooked && it.hasNext(); ++looked) {
        it.next();
        const QDate day = DayOfLogFile(it.fileName());
        if (!day.isValid() || day >= oldestKept) {
            continue;
        }
        const bool gone = QFile::remove(it.filePath());
        removed += gone ? 1 : 0;
        WriteLog(QStringLiteral("RemoveOldLogs: File, ") + it.filePath() +
                 (gone ? QStringLiteral(", deleted") : QStringLiteral(", could not be deleted")));
    }
    return removed;
}

} // namespace LogRetention
