// Timer 101: half a second after a query, an empty result puts the last good filters back.
#include "desk/CVelmoPropPage.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "reportlist/core/ReportQuery.h"
#include "ui_CVelmoPropPage.h"

void CVelmoPropPage::OnTimer() {
    noResultTimer_.stop();
    if (Session().ListHasRecords() == 0) {
        if (state_.ListFileFound) {
            Prompts::Information(QStringLiteral("No result found."));
        }

        const LastQuery& last = state_.LastQuery;
        SelectItemStartingWith(ui_->reportTypeBox, last.reportTypeCode);
        state_.ReportTypeCode = last.reportTypeCode;
        ui_->renameButton->setEnabled(ReportQuery::IsPendingCode(last.reportTypeCode));

        if (!last.locationText.isEmpty()) {
            SelectItemStartingWith(ui_->locationBox, last.locationText);
        }
        if (!last.providerText.isEmpty()) {
            SelectItemStartingWith(ui_->providerBox, last.providerText);
            OnSelchangeComboPhysician();
            SelectItemStartingWith(ui_->locationBox, last.locationText);
        }

        ui_->fromDate->setDate(last.from.date());
        ui_->toDate->setDate(last.to.date());
    }
    FinishStartup();
}

void CVelmoPropPage::FinishStartup() {
    if (startupPending_) {
        startupPending_ = false;
        emit StartupFinished();
    }
}
