#pragma once

#include "reportlist/core/DeskContext.h"

#include <QString>
#include <QStringList>

namespace ColumnOrder {

// The keys of the captions in the order given (each mapped, then trimmed), each followed by
// "~", leaving out the columns that carry no field.
QString KeyList(const QStringList& captions);

// "qm_custom_order.php" with the user's new order.
QString OrderUrl(const QString& keyList);

} // namespace ColumnOrder

// "Store Column Header order": sends the columns' keys in the order the user dragged them to.
class StoreColumnOrder final {
public:
    explicit StoreColumnOrder(DeskContext& desk) : desk_(desk) {}
    void Run();

private:
    DeskContext& desk_;
};
