#include "documents/core/SigningCore.h"

#include "documents/core/OfficeProgram.h"
#include "documents/core/RegexMatcher.h"
#include "documents/core/RtfDocument.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "host/core/FileChecksum.h"

#include <QLocale>

namespace Signing {

QStringList SearchTexts() {
    return {kMarker, QStringLiteral("This document has been Electronically ESigned"), kRevisionPrefix};
}

QString SignatureTextFor(const QString& signatureLine, const QString& userId) {
    QStringList entries;
    if (signatureLine.contains(QLatin1Char('|'))) {
        CUtility().SplitString(signatureLine, QStringLiteral("|"), entries);
    } else {
        entries << signatureLine;
    }
    for (const QString& entry : entries) {
        const qsizetype tilde = entry.indexOf(QLatin1Char('~'));
        if (entry.contains(userId) && tilde >= 0) {
            return entry.mid(tilde + 1);
        }
    }
    return {};
}

QString StatementDateText(const QString& timeText) {
    const QChar separator = timeText.contains(QLatin1Char('-')) ? QLatin1Char('-') : QLatin1Char('/');
    const qsizetype first = timeText.indexOf(separator);
    const qsizetype second = first < 0 ? -1 : timeText.indexOf(separator, first + 1);
    const QString field1 = first < 0 ? QString() : timeText.left(first);
    const QString field2 =
        first < 0 ? QString() : timeText.mid(first + 1, second < 0 ? -1 : second - first - 1);
    const qsizetype blank = timeText.indexOf(QLatin1Char(' '));
    const qsizetype yearEnd = blank < 0 ? timeText.size() : blank;
    const QString year = timeText.mid(std::max<qsizetype>(0, yearEnd - 2), std::min<qsizetype>(2, yearEnd));
    const QString time = blank < 0 ? QString() : timeText.mid(blank);
    return field1 + QLatin1Char('-') + field2 + QLatin1Char('-') + year + QStringLiteral(" at") + time;
}

QString LocalTimeText(const QDateTime& now) {
    return QLocale::c().toString(now, QStringLiteral("MMM/dd/yyyy HH:mm:ss"));
}

QString FirstSignatureStatement(const QString& signatureText, const QString& dateText) {
    return QStringLiteral("\n\n\n\n") + kFirstPrefix + signatureText + QStringLiteral(" on ") + dateText +
           QLatin1Char('.');
}

QString RevisionStatement(const QString& signatureText, const QString& dateText) {
    return kRevisionPrefix + signatureText + QStringLiteral(" on ") + dateText + QLatin1Char('.');
}

Result SignDocumentFile(const QString& path, const Request& request) {
    Result result;
    if (!OfficeProgram::EnsureRtf(path)) {
        return result;
    }
    RtfDocument doc;
    if (!doc.Load(path)) {
        return result;
    }
    const QString text = doc.MainText();
    for (const QString& search : SearchTexts()) {
        const qsizetype hit = doc.Find(search);
        if (hit < 0) {
            continue;
        }
        doc.DeleteToEnd(hit);
        if (search == kMarker) {
            doc.AppendContinuousSectionBreak();
        }
        // Only a statement written as the desk writes it counts as one: the position is looked
        // up with letter case respected.
        result.existingPosition = text.indexOf(search);
        break;
    }
    if (request.watchedFile && result.existingPosition < 0 && request.knownSigned) {
        const QString statement = FindSignatureStatement(text, request.signaturePatterns);
        if (!statement.isEmpty()) {
            const qsizetype hit = doc.Find(statement);
            if (hit >= 0) {
                result.existingPosition = text.indexOf(statement);
                doc.DeleteToEnd(hit);
                if (statement == kMarker) {
                    doc.AppendContinuousSectionBreak();
                }
            }
        }
    }
    if (result.existingPosition >= 0) {
        result.statement = RevisionStatement(request.signatureText, request.dateText);
        result.revision = true;
    } else if (request.watchedFile || !request.demographicsResign) {
        doc.AppendContinuousSectionBreak();
        result.statement = FirstSignatureStatement(request.signatureText, request.dateText);
    }
    if (!result.statement.isEmpty()) {
        doc.AppendRun(result.statement, 8);
        result.statementWritten = true;
    }
    result.saved = doc.Save(path);
    Delays::Wait(Delays::Get().afterSignSave);
    if (!result.saved) {
        result.statementWritten = false;
    }
    if (request.watchedFile) {
        result.checksum = FileChecksum(path);
    }
    return result;
}

} // namespace Signing
