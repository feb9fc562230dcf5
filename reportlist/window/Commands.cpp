// The command table: buttons, menu items and list notifications routed to their actions. Each
// slot announces itself and hands the window, as a DeskContext, to its action.
#include "dialogs/addressbook/AddressBook.h"
#include "dialogs/audittrail/AuditTrail.h"
#include "dialogs/customproperties/ColumnOrder.h"
#include "dialogs/customproperties/CustomPropertySettings.h"
#include "dialogs/fax/Fax.h"
#include "dialogs/forward/Forward.h"
#include "dialogs/history/DocumentHistory.h"
#include "dialogs/rename/Rename.h"
#include "dialogs/search/Search.h"
#include "dialogs/voice/VoicePlayback.h"
#include "documents/demographics/EditDemographics.h"
#include "documents/esign/EsignDocuments.h"
#include "documents/open/OpenDocument.h"
#include "documents/print/PrintDocuments.h"
#include "reportlist/listctrl/CReportListCtrl.h"
#include "reportlist/window/CVelmoPropPage.h"
#include "ui_CVelmoPropPage.h"

void CVelmoPropPage::ConnectCommands() {
    connect(ui_->ctl219, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonViewlist);
    connect(ui_->ctl210, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonOpen);
    connect(ui_->ctl201, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonPrint);
    connect(ui_->ctl202, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonFax);
    connect(ui_->ctl203, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonForward);
    connect(ui_->ctl204, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonEsign);
    connect(ui_->ctl207, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonEditDemographics);
    connect(ui_->ctl206, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonSearch);
    connect(ui_->ctl208, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonPlay);
    connect(ui_->ctl212, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonRename);
    connect(ui_->ctl205, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonEdit);
    // activated: only the user's own choice, as the selection-change notification is.
    connect(ui_->ctl209, &QComboBox::activated, this, &CVelmoPropPage::OnSelchangeComboPhysician);
    connect(ui_->ctl262, &QComboBox::activated, this, &CVelmoPropPage::OnSelchangeComboReportType);
    connect(ui_->ctl220, &QDateTimeEdit::editingFinished, this, &CVelmoPropPage::OnCloseupDateFrom);
    connect(ui_->ctl8889, &CReportListCtrl::RowDoubleClicked, this, &CVelmoPropPage::OnDblclkList);
    connect(ui_->ctl8889, &CReportListCtrl::ContextMenuRequestedAt, this, &CVelmoPropPage::OnContextMenuList);
}

void CVelmoPropPage::OnButtonOpen() {
    emit CommandRouted(QStringLiteral("OnButtonOpen"));
    OpenDocument(*this).Run();
}

void CVelmoPropPage::OnButtonPrint() {
    emit CommandRouted(QStringLiteral("OnButtonPrint"));
    PrintDocuments(*this).Run();
}

void CVelmoPropPage::OnButtonFax() {
    emit CommandRouted(QStringLiteral("OnButtonFax"));
    Fax(*this).Run();
}

void CVelmoPropPage::OnButtonForward() {
    emit CommandRouted(QStringLiteral("OnButtonForward"));
    Forward(*this).Run();
}

void CVelmoPropPage::OnButtonEsign() {
    emit CommandRouted(QStringLiteral("OnButtonEsign"));
    EsignDocuments(*this).OnPopEsign();
}

void CVelmoPropPage::OnButtonEditDemographics() {
    emit CommandRouted(QStringLiteral("OnButtonEditDemographics"));
    EditDemographics(*this).Run();
}

void CVelmoPropPage::OnButtonSearch() {
    emit CommandRouted(QStringLiteral("OnButtonSearch"));
    Search(*this).Run();
}

void CVelmoPropPage::OnButtonPlay() {
    emit CommandRouted(QStringLiteral("OnButtonPlay"));
    VoicePlayback(*this).Run();
}

void CVelmoPropPage::OnPopDocumentHistory() {
    emit CommandRouted(QStringLiteral("OnPopDocumentHistory"));
    DocumentHistory(*this).Run();
}

void CVelmoPropPage::OnPopAuditTrail() {
    emit CommandRouted(QStringLiteral("OnPopAuditTrail"));
    AuditTrail(*this).Run();
}

void CVelmoPropPage::OnPopStoreColumnOrder() {
    emit CommandRouted(QStringLiteral("OnPopStoreColumnOrder"));
    StoreColumnOrder(*this).Run();
}

void CVelmoPropPage::OnPopCustomPropertySettings() {
    emit CommandRouted(QStringLiteral("OnPopCustomPropertySettings"));
    CustomPropertySettings(*this).Run();
}

void CVelmoPropPage::OnButtonRename() {
    emit CommandRouted(QStringLiteral("OnButtonRename"));
    Rename(*this).Run();
}

void CVelmoPropPage::OnAddressBook() {
    emit CommandRouted(QStringLiteral("OnAddressBook"));
    AddressBook(*this).Run();
}

void CVelmoPropPage::OnSelchangeComboReportType() {
    emit CommandRouted(QStringLiteral("OnSelchangeComboReportType"));
}

void CVelmoPropPage::OnButtonEdit() {
    emit CommandRouted(QStringLiteral("OnButtonEdit"));
}

void CVelmoPropPage::OnCloseupDateFrom() {
    emit CommandRouted(QStringLiteral("OnCloseupDateFrom"));
}
