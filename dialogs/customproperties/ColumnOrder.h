#pragma once

#include "reportlist/core/DeskContext.h"

#include <QString>
#include <QStringList>

namespace ColumnOrder {

// The server's key of a column caption ("Date Of Birth" -> "DateOfBirth"); a caption it does
// not know is its own key.
QString KeyOfCaption(const QString& caption);

// The keys of the captions in the order given, each followed by "~", leaving out the row
// label, the status columns (no text, or their stored "Op" ... "Es"), Filename and the upload
// and transcription times.
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
