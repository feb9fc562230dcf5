#pragma once

#include "reportlist/core/DeskContext.h"

#include <QStringList>

// "Print": the selected reports, one after the other, on the default printer; each print is
// reported to the server and marked in the "Printed" column.
class PrintDocuments final {
public:
    explicit PrintDocuments(DeskContext& desk) : desk_(desk) {}
    void Run();

private:
    // Prints the names in order; answers the ones that went to the printer.
    QStringList PrintList(const QStringList& names);

    DeskContext& desk_;
};
