#pragma once

#include "reportlist/core/DeskContext.h"

#include <QString>
#include <QStringList>

// "Edit Demographics": the report's demographic fields edited in a dialog, written into the
// document's properties and bookmarks, sent with the resync upload, and the report re-signed
// when its owner had signed it.
class EditDemographics final {
public:
    explicit EditDemographics(DeskContext& desk) : desk_(desk) {}
    void Run();

    // The document property a list column's caption stands for; empty for the columns that
    // carry no field.
    static QString FieldNameForCaption(const QString& caption);

private:
    DeskContext& desk_;
};
