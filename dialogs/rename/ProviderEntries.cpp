#include "dialogs/rename/ProviderEntries.h"

#include "host/core/CUtility.h"

namespace ProviderEntries {

QString Entry(const QString& name, const QString& id) {
    return name + QStringLiteral(" [") + id + QLatin1Char(']');
}

QString IdFromEntry(const QString& text) {
    const QString shown = text.trimmed();
    const qsizetype start = shown.indexOf(QLatin1Char('[')) + 1; // 0 without a "["
    const qsizetype end = shown.size() - 1;
    return end > start ? shown.mid(start, end - start).trimmed() : QString();
}

QStringList LocationEntries(const QString& providerId, const QString& locationList) {
    QStringList pieces;
    for (const QString& block : locationList.split(QLatin1Char('['), Qt::SkipEmptyParts)) {
        const qsizetype close = block.indexOf(QLatin1Char(']'));
        const QString id = close < 0 ? block : block.left(close);
        if (id.compare(providerId, Qt::CaseInsensitive) != 0) {
            continue;
        }
        const QString locations = close < 0 ? QString() : block.mid(close + 1);
        if (locations.contains(QLatin1Char('|'))) {
            CUtility::SplitString(locations, QStringLiteral("|"), pieces);
        } else {
            pieces.append(locations);
        }
    }
    QStringList entries;
    for (const QString& piece : pieces) {
        if (piece.isEmpty()) {
            continue;
        }
        // A piece without "~" has no id; it is shown whole, and cannot be sent.
        const qsizetype tilde = piece.indexOf(QLatin1Char('~'));
        entries.append(tilde < 0 ? Entry(piece, QString()) : Entry(piece.mid(tilde + 1), piece.left(tilde)));
    }
    return entries;
}

} // namespace ProviderEntries
