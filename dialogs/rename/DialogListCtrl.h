#pragma once

#include "reportlist/listctrl/CReportListCtrl.h"

// The report-list view as the dialogs use it (no status columns, no locked columns, the row
// label column not sortable), so a form can name it as its list's class.
class DialogListCtrl final : public CReportListCtrl {
public:
    explicit DialogListCtrl(QWidget* parent = nullptr) : CReportListCtrl(parent, false) {}
};
