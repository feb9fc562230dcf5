#include "dialogs/fax/FaxSelection.h"

#include "host/core/ActivityLog.h"

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
        if (desk.AccessFlags(row).mid(kFaxFlag, 1) == QStringLiteral("0")) {
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
        joined += line + QLatin1Char('\n');
    }
    return refused.size() >= 2 ? QStringLiteral("User does not privilege to fax these files\n") + joined
                               : QStringLiteral("User does not privilege to fax the file ") + joined;
}
