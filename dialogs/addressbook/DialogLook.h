#pragma once

#include "dialogs/widgets/IconButton.h"
#include "host/core/SessionSettings.h"
#include "reportlist/listctrl/CReportListCtrl.h"

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

// The list of a dialog: the report list's control with the dialogs' rules (no sort on the label
// column) and the tiled background picture of the system folder.
class DialogListCtrl : public CReportListCtrl {
public:
    explicit DialogListCtrl(QWidget* parent = nullptr) : CReportListCtrl(parent, false) {
        SetBackgroundImage(Session().SystemFolder() + QStringLiteral("/BkImage.bmp"), true);
    }
};

// Every dialog button looks the same: its icon, a grey copy while the pointer is elsewhere, a
// frame, and a blue caption on hover.
inline void SetDialogButtonIcon(IconButton* button, const char* resource) {
    button->SetImage(QString::fromLatin1(resource), {}, true);
    button->SetImageSize(QSize(16, 16));
    button->SetFlatLook(false);
    button->SetHoverTextColour(true);
}

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
