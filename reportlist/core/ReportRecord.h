#pragma once

#include <QString>
#include <QStringList>

// One row of a report list, its texts decoded (ReportRows keeps them undecoded). The per-row
// values travel with the row whatever the sort order, so an action always reads the values of
// the selected row's own report.
struct ReportRecord {
    QString label;         // "  %d " (two blanks, 1-based row number at load, one blank)
    QString accessFlags;   // position 0 ("Privileges"): one "1"/"0" per action
    QString esignOwner;    // position 1 ("Owner")
    QString activityFlags; // position 2: Opened, Printed, Faxed, Forwarded, E-Signed
    QStringList values;    // positions 3.. : displayed values, column 6 onward

    // Dots of the five status columns (bit k = column k + 1 shows "O"). Filled from
    // activityFlags at load; a later action (open, e-sign ...) may set one.
    quint8 statusDots = 0;
};
Q_DECLARE_TYPEINFO(ReportRecord, Q_RELOCATABLE_TYPE);
