#include "reportlist/core/ReportQuery.h"
#include "transport/scripts/ServerScripts.h"

namespace ReportQuery {

ReportType ReportTypeFor(const QString& reportTypeText) {
    const auto is = [&](QLatin1StringView name) {
        return reportTypeText.compare(name, Qt::CaseInsensitive) == 0;
    };
    if (is(QLatin1StringView("pending"))) {
        return {QStringLiteral("p"), RenameEffect::Enable};
    }
    if (is(QLatin1StringView("transcribed"))) {
        return {QStringLiteral("t"), RenameEffect::Disable};
    }
    if (is(QLatin1StringView("forwarded"))) {
        return {QStringLiteral("f"), RenameEffect::None};
    }
    if (is(QLatin1StringView("faxed"))) {
        return {QStringLiteral("x"), RenameEffect::None};
    }
    return {reportTypeText, RenameEffect::None};
}

QString ProviderIdFromText(const QString& providerText) {
    const qsizetype open = providerText.indexOf(QLatin1Char('['));
    const qsizetype close = providerText.lastIndexOf(QLatin1Char(']'));
    const qsizetype start = open + 1; // 0 when there is no "["
    if (close < start) {
        return {};
    }
    return providerText.mid(start, close - start);
}

QString LocationIdFromText(const QString& locationText) {
    const QString text = locationText.trimmed();
    const qsizetype start = text.indexOf(QLatin1Char('[')) + 1;
    const qsizetype count = text.size() - 1 - start;
    if (count <= 0) {
        return {};
    }
    return text.mid(start, count);
}

QString FileListAddress(const QString& serverUrl, const QString& loginUserId, const QString& providerId,
                        const QString& locationId, const QDate& from, const QDate& to,
                        const QString& reportTypeCode) {
    return FileListRequest{loginUserId, providerId, locationId, from, to, reportTypeCode}.Address(serverUrl);
}

bool IsPendingCode(const QString& code) {
    return code.compare(QLatin1StringView("p"), Qt::CaseInsensitive) == 0;
}

} // namespace ReportQuery
