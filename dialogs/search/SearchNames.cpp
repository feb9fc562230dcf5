#include "dialogs/search/SearchNames.h"

#include "host/core/ActivityLog.h"

namespace SearchNames {

QStringList Parse(const QString& answer) {
    qsizetype pos = answer.indexOf(QLatin1Char('~'));
    if (pos < 0) {
        return {answer};
    }
    QStringList names;
    qsizetype start = 0;
    for (;;) {
        const QString piece = pos < 0 ? answer.mid(start) : answer.mid(start, pos - start);
        if (!piece.isEmpty()) {
            if (names.size() == kMaxNames) {
                WriteLog(QStringLiteral("OnButtonSearch: the server listed more than %1 names, the first %1 "
                                        "are offered")
                             .arg(kMaxNames));
                break;
            }
            names.append(piece.trimmed());
        }
        if (pos < 0) {
            break;
        }
        start = pos + 1;
        // As SplitString does, the search resumes one character past the delimiter ("a~~b" gives
        // "a" and "~b").
        pos = answer.indexOf(QLatin1Char('~'), pos + 2);
    }
    return names;
}

} // namespace SearchNames
