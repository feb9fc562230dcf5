#include "documents/common/FlowSupport.h"

#include "documents/core/DocumentPaths.h"
#include "host/core/ActivityLog.h"
#include "host/core/Delays.h"
#include "host/core/Prompts.h"
#include "transport/LocalCopies.h"

bool SameText(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool ContainsText(const QStringList& list, const QString& text) {
    return list.contains(text, Qt::CaseInsensitive);
}

QString NamesEachFollowedByComma(const QStringList& names) {
    QString text;
    for (const QString& name : names) {
        text += name + QStringLiteral(", ");
    }
    return text;
}

int RowOfReport(DeskContext& desk, const QString& name) {
    const int rows = desk.RowCount();
    for (int row = 0; row < rows; ++row) {
        if (SameText(desk.Filename(row), name)) {
            return row;
        }
    }
    return -1;
}

void DownloadBehindBusyPicture(DeskContext& desk, const QStringList& names, const QString& startLog,
                               const QString& endLog) {
    if (names.isEmpty()) {
        return;
    }
    WriteLog(startLog);
    desk.ShowBusy(DeskContext::Busy::DocumentPicture, true);
    Delays::Wait(Delays::Get().actionStep);
    desk.RepaintNow();
    desk.DownloadDocuments(names);
    desk.ShowBusy(DeskContext::Busy::DocumentPicture, false);
    WriteLog(endLog);
}

QStringList FetchDocumentsOrSay(DeskContext& desk, const QStringList& names, const QString& operation,
                                const QString& missingLogPrefix, const QString& failedVerb) {
    QStringList missing;
    for (const QString& name : names) {
        // Only a copy this desk fetched (or owes) is used as it stands; anything else is fetched.
        if (!LocalCopies::Reusable(LocalDocumentPath(name))) {
            WriteLog(missingLogPrefix + name + QStringLiteral(" has to be downloaded"));
            missing.append(name);
            Delays::Wait(Delays::Get().actionStep);
        }
    }
    DownloadBehindBusyPicture(desk, missing, operation + QStringLiteral(": Downloading files"),
                              operation + QStringLiteral(": Finished downloading files"));

    QStringList present;
    QStringList failed;
    for (const QString& name : names) {
        (LocalCopies::Reusable(LocalDocumentPath(name)) ? present : failed).append(name);
    }
    if (!failed.isEmpty()) {
        Prompts::Error(QStringLiteral("File/s ") + NamesEachFollowedByComma(failed) +
                       QStringLiteral(" could not be ") + failedVerb + QLatin1Char('.'));
    }
    return present;
}

void TellMovedText(const QString& name, const QString& movedText) {
    if (movedText.trimmed().isEmpty()) {
        return;
    }
    WriteLog(QStringLiteral("E-Sign: text after the statement of ") + name +
             QStringLiteral(" was kept above the revision statement"));
    Prompts::Information(QStringLiteral("Text typed after the signature statement of ") + name +
                         QStringLiteral(" was kept and now stands above the revision statement: ") +
                         movedText.trimmed().left(200));
}
