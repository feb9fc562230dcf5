#include "dialogs/fax/FaxSelection.h"

#include "host/core/ActivityLog.h"
#include "reportlist/core/AccessRights.h"

namespace {

// The list's own caption for a column, matched without regard to case; empty when absent.
QString FindCaption(const QStringList& captions, const QString& wanted) {
    for (const QString& caption : captions) {
        if (caption.trimmed().compare(wanted, Qt::CaseInsensitive) == 0) {
            return caption.trimmed();
        }
    }
    return {};
}

// "R260008: Victor Haddad, Operative Report" from "R260008~Victor~Haddad~Operative Report"; what
// the list has no column for ("NA") or leaves blank is left out.
QString Readable(const QString& line) {
    const QStringList parts = line.split(QLatin1Char('~'));
    const auto known = [&](int i) {
        const QString value = parts.value(i).trimmed();
        return value == QStringLiteral("NA") ? QString() : value;
    };
    const QString patient = (known(1) + QLatin1Char(' ') + known(2)).trimmed();
    QStringList about;
    for (const QString& piece : {patient, known(3)}) {
        if (!piece.isEmpty()) {
            about.append(piece);
        }
    }
    return about.isEmpty() ? parts.value(0)
                           : parts.value(0) + QStringLiteral(": ") + about.join(QStringLiteral(", "));
}

} // namespace

FaxSelection FaxSelection::FromDesk(const DeskContext& desk) {
    FaxSelection selection;
    const QStringList captions = desk.ColumnCaptions();
    WriteLog(QStringLiteral("Reading the headers of list"));
    const QString wanted[] = {FindCaption(captions, QStringLiteral("First Name")),
                              FindCaption(captions, QStringLiteral("Last Name")),
                              FindCaption(captions, QStringLiteral("Report Type"))};
    for (const int row : desk.SelectedRows()) {
        QString line = desk.Filename(row);
        for (const QString& caption : wanted) {
            QString value = QStringLiteral("NA");
            if (!caption.isEmpty()) {
                value = desk.CellText(row, caption);
                if (value.trimmed().isEmpty()) {
                    value = QStringLiteral(" ");
                }
            }
            line += QLatin1Char('~') + value;
        }
        if (!AccessRights::MayFax(desk.AccessFlags(row))) {
            selection.refused.append(line);
        } else {
            selection.accepted.append(line);
            selection.owners.append(desk.EsignOwner(row));
        }
    }
    return selection;
}

QString FaxSelection::RefusalMessage(const QStringList& refused) {
    if (refused.isEmpty()) {
        return {};
    }
    QString joined;
    for (const QString& line : refused) {
        joined += Readable(line) + QLatin1Char('\n');
    }
    return refused.size() >= 2 ? QStringLiteral("User does not privilege to fax these files\n") + joined
                               : QStringLiteral("User does not privilege to fax the file ") + joined;
}
