#pragma once

#include "reportlist/core/ReportListModel.h"

#include <QList>
#include <QString>
#include <QStringList>

// Removes one row of a dialog's list (the model offers whole-list changes only).
inline void RemoveListRow(ReportListModel* model, int row) {
    QList<QStringList> keep;
    for (int r = 0; r < model->rowCount(); ++r) {
        if (r == row) {
            continue;
        }
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c) {
            cells.append(model->CellText(r, c));
        }
        keep.append(cells);
    }
    model->ClearRows();
    for (const QStringList& cells : keep) {
        model->AppendRow(cells);
    }
}
