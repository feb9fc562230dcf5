#include "reportlist/core/AccessDenied.h"

QString SupportContactSentence() {
    return QStringLiteral("For assistance, please contact technical support via email at ") +
           QLatin1StringView(kSupportEmail) + QStringLiteral(" or ") + QLatin1StringView(kSupportTelephone) +
           QLatin1Char('.');
}

QString AccessDeniedMessage(const QString& what) {
    return QStringLiteral("ACCESS DENIED: Your user account is not configured to ") + what +
           QStringLiteral(" documents. ") + SupportContactSentence();
}
