// Timer 101: half a second after a query, an empty result puts the last good filters back.
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "reportlist/core/ReportQuery.h"
#include "reportlist/window/CVelmoPropPage.h"
#include "ui_CVelmoPropPage.h"

void CVelmoPropPage::OnTimer() {
    noResultTimer_.stop();
    if (Session().ListHasRecords() == 0) {
        if (state_.ListFileFound) {
            Prompts::Information(QStringLiteral("No result found."));
        }

        const LastQuery& last = state_.LastQuery;
        SelectItemStartingWith(ui_->ctl262, last.reportTypeCode);
        state_.ReportTypeCode = last.reportTypeCode;
        ui_->ctl212->setEnabled(ReportQuery::IsPendingCode(last.reportTypeCode));

        if (!last.locationText.isEmpty()) {
            SelectItemStartingWith(ui_->ctl211, last.locationText);
        }
        if (!last.providerText.isEmpty()) {
            SelectItemStartingWith(ui_->ctl209, last.providerText);
            OnSelchangeComboPhysician();
            SelectItemStartingWith(ui_->ctl211, last.locationText);
        }

        ui_->ctl220->setDate(last.from.date());
        ui_->ctl221->setDate(last.to.date());
    }
    FinishStartup();
}

void CVelmoPropPage::FinishStartup() {
    if (startupPending_) {
        startupPending_ = false;
        emit StartupFinished();
    }
}
