// The command table: buttons, menu items and list notifications routed to their actions. Each
// slot announces itself and hands the window, as a DeskContext, to its action.
#include "desk/CVelmoPropPage.h"
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
#include "ui_CVelmoPropPage.h"

void CVelmoPropPage::ConnectCommands() {
    connect(ui_->goButton, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonViewlist);
    connect(ui_->openButton, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonOpen);
    connect(ui_->printButton, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonPrint);
    connect(ui_->faxButton, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonFax);
    connect(ui_->forwardButton, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonForward);
    connect(ui_->esignButton, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonEsign);
    connect(ui_->demographicsButton, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonEditDemographics);
    connect(ui_->searchButton, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonSearch);
    connect(ui_->playButton, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonPlay);
    connect(ui_->renameButton, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonRename);
    connect(ui_->editButton, &QPushButton::clicked, this, &CVelmoPropPage::OnButtonEdit);
    // activated: only the user's own choice, as the selection-change notification is.
    connect(ui_->providerBox, &QComboBox::activated, this, &CVelmoPropPage::OnSelchangeComboPhysician);
    connect(ui_->reportTypeBox, &QComboBox::activated, this, &CVelmoPropPage::OnSelchangeComboReportType);
    connect(ui_->fromDate, &QDateTimeEdit::editingFinished, this, &CVelmoPropPage::OnCloseupDateFrom);
    connect(ui_->reportList, &CReportListCtrl::RowDoubleClicked, this, &CVelmoPropPage::OnDblclkList);
    connect(ui_->reportList, &CReportListCtrl::ContextMenuRequestedAt, this,
            &CVelmoPropPage::OnContextMenuList);
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
