#include "documents/core/SigningCore.h"

#include "documents/core/EarlierStatement.h"
#include "documents/core/OfficeProgram.h"
#include "documents/core/RtfDocument.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "host/core/FileChecksum.h"

#include <QLocale>

#include <algorithm>

namespace Signing {

QStringList SearchTexts() {
    return {kMarker, QStringLiteral("This document has been Electronically ESigned"), kRevisionPrefix};
}

QString SignatureTextFor(const QString& signatureLine, const QString& userId) {
    QStringList entries;
    if (signatureLine.contains(QLatin1Char('|'))) {
        CUtility::SplitString(signatureLine, QStringLiteral("|"), entries);
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

Result SignDocument(RtfDocument& doc, const Request& request) {
    Result result;
    const EarlierStatement earlier = RemoveEarlierStatement(doc, request);
    // Text kept around a removed statement may join into another one (a statement typed in two
    // pieces): the document ends with one statement only.
    for (int again = 0; earlier.removed && again < 8; ++again) {
        const QString text = doc.MainText();
        const QStringList searches = SearchTexts();
        if (std::none_of(searches.begin(), searches.end(),
                         [&](const QString& s) { return text.contains(s, Qt::CaseInsensitive); }) ||
            !RemoveEarlierStatement(doc, request).removed) {
            break;
        }
    }
    result.existingPosition = earlier.position;
    result.movedText = earlier.keptText;
    if (earlier.marker) {
        doc.AppendContinuousSectionBreak();
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
    return result;
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
    result = SignDocument(doc, request);
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
