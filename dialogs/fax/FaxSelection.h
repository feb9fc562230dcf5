#pragma once

#include "reportlist/core/DeskContext.h"

#include <QString>
#include <QStringList>

// The selected reports sorted into those the user may fax and those the user may not.
struct FaxSelection {
    QStringList accepted; // selected report lines: file name~first name~last name~report type
    QStringList owners;   // each accepted row's e-sign owner, in step with accepted
    QStringList refused;  // lines of the reports whose fax flag is "0"

    // Walks the selected rows in list order. A blank cell is sent as one blank (so that its
    // place survives the split at "~"), a column the list does not have as "NA".
    static FaxSelection FromDesk(const DeskContext& desk);
    // The one message naming the refused reports, each as "name: patient, report type"; empty
    // when none was refused.
    static QString RefusalMessage(const QStringList& refused);
};
