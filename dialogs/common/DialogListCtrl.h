#pragma once

#include "host/core/SessionSettings.h"
#include "reportlist/listctrl/CReportListCtrl.h"

#include <QStringLiteral>

// The list of every dialog: the report list's control with the dialogs' rules (no status or
// locked columns, no sort on the label column) and the tiled background picture of the system
// folder. The one class the forms name for a dialog's list.
class DialogListCtrl final : public CReportListCtrl {
public:
    explicit DialogListCtrl(QWidget* parent = nullptr) : CReportListCtrl(parent, false) {
        SetBackgroundImage(Session().SystemFolder() + QStringLiteral("/BkImage.bmp"), true);
    }
};
