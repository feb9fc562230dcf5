// The list's context menu and double click.
#include "desk/CVelmoPropPage.h"
#include "reportlist/core/ReportListModel.h"
#include "reportlist/core/ReportQuery.h"
#include "reportlist/listctrl/CReportListCtrl.h"
#include "ui_CVelmoPropPage.h"

#include <QMenu>

namespace {

struct MenuItem {
    int id; // 0: separator
    const char* text;
    void (CVelmoPropPage::*slot)();
};

// In menu order; the separators group open, output, signing, demographics, finding and
// playing, history, list settings and rename.
const MenuItem kMenu[] = {
    {CVelmoPropPage::IdOpen, "&Open", &CVelmoPropPage::OnButtonOpen},
    {0, nullptr, nullptr},
    {CVelmoPropPage::IdPrint, "&Print", &CVelmoPropPage::OnButtonPrint},
    {CVelmoPropPage::IdFax, "&Fax", &CVelmoPropPage::OnButtonFax},
    {0, nullptr, nullptr},
    {CVelmoPropPage::IdForward, "Fo&rward", &CVelmoPropPage::OnButtonForward},
    {CVelmoPropPage::IdEsign, "&E-Sign", &CVelmoPropPage::OnButtonEsign},
    {0, nullptr, nullptr},
    {CVelmoPropPage::IdEditDemographics, "Edit &Demographics", &CVelmoPropPage::OnButtonEditDemographics},
    {0, nullptr, nullptr},
    {CVelmoPropPage::IdSearch, "&Search", &CVelmoPropPage::OnButtonSearch},
    {CVelmoPropPage::IdPlay, "P&lay", &CVelmoPropPage::OnButtonPlay},
    {0, nullptr, nullptr},
    {CVelmoPropPage::IdDocumentHistory, "Document &History", &CVelmoPropPage::OnPopDocumentHistory},
    {CVelmoPropPage::IdAuditTrail, "Audit &Trail", &CVelmoPropPage::OnPopAuditTrail},
    {0, nullptr, nullptr},
    {CVelmoPropPage::IdStoreColumnOrder, "Store &Column Header order",
     &CVelmoPropPage::OnPopStoreColumnOrder},
    {CVelmoPropPage::IdCustomProperties, "Custo&m Property Settings",
     &CVelmoPropPage::OnPopCustomPropertySettings},
    {0, nullptr, nullptr},
    {CVelmoPropPage::IdRename, "&Rename/STAT", &CVelmoPropPage::OnButtonRename},
};

} // namespace

std::unique_ptr<QMenu> CVelmoPropPage::BuildContextMenu() {
    if (ui_->reportList->FirstSelectedRow() < 0) {
        return nullptr;
    }
    auto menu = std::make_unique<QMenu>(this);
    menu->setObjectName(QStringLiteral("menu227"));
    // The pending list can only be played or moved to another provider.
    const bool pending = ReportQuery::IsPendingCode(state_.ReportTypeCode);
    for (const MenuItem& item : kMenu) {
        if (item.id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QString::fromLatin1(item.text));
        action->setData(item.id);
        action->setEnabled(!pending || item.id == IdPlay || item.id == IdRename);
        connect(action, &QAction::triggered, this, item.slot);
    }
    return menu;
}

void CVelmoPropPage::OnContextMenuList(const QPoint& globalPos) {
    std::unique_ptr<QMenu> menu = BuildContextMenu();
    if (menu) {
        menu->exec(globalPos);
    }
}

void CVelmoPropPage::OnDblclkList() {
    CReportListCtrl* list = ui_->reportList;
    if (list->FirstSelectedRow() < 0 || list->Model()->rowCount() < 1) {
        return;
    }
    if (ReportQuery::IsPendingCode(state_.ReportTypeCode)) {
        OnButtonPlay();
    } else {
        OnButtonOpen();
    }
}
