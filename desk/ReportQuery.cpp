// "Go": the filters become one file-list request; its answer replaces the list.
#include "reportlist/core/ReportQuery.h"

#include "desk/CVelmoPropPage.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "reportlist/core/PhysicianLocationCache.h"
#include "transport/gui/CDlgPleaseWait.h"
#include "ui_CVelmoPropPage.h"

QDateTime CVelmoPropPage::FromTime() const {
    return QDateTime(ui_->fromDate->date(), QTime(0, 0));
}

QDateTime CVelmoPropPage::ToTime() const {
    return QDateTime(ui_->toDate->date(), QTime(0, 0));
}

void CVelmoPropPage::OnButtonViewlist() {
    emit CommandRouted(QStringLiteral("OnButtonViewlist"));
    if (ui_->providerBox->currentIndex() < 0) {
        Prompts::Information(QStringLiteral("Please select a Care Provider."));
        return;
    }
    if (ui_->locationBox->currentIndex() < 0) {
        Prompts::Information(QStringLiteral("No location is associated to this Care Provider."));
        return;
    }
    if (ui_->reportTypeBox->currentIndex() < 0) {
        Prompts::Information(QStringLiteral("Please select the report type"));
        return;
    }

    const QString providerId = ReportQuery::ProviderIdFromText(ui_->providerBox->currentText());
    const QString locationId = PhysicianLocationCache::SettleLocationId(
        PhysicianLocationCache::CacheFilePath(), providerId,
        ReportQuery::LocationIdFromText(ui_->locationBox->currentText()));
    Session().SetQueryPhysicianId(providerId);
    Session().SetQueryLocationId(locationId);

    CUtility::CreateFolderPath(CUtility::TempFolder());

    const QDateTime from = FromTime();
    const QDateTime to = ToTime();
    if (from > to) {
        Prompts::Error(QStringLiteral("From date should be less than To date"));
        return;
    }

    const ReportQuery::ReportType type = ReportQuery::ReportTypeFor(ui_->reportTypeBox->currentText());
    if (type.rename == ReportQuery::RenameEffect::Enable) {
        ui_->renameButton->setEnabled(true);
    } else if (type.rename == ReportQuery::RenameEffect::Disable) {
        ui_->renameButton->setEnabled(false);
    }
    state_.ReportTypeCode = type.code;

    const QString address =
        ReportQuery::FileListAddress(Session().ServerURL(), Session().LoggedUserId(), providerId, locationId,
                                     from.date(), to.date(), type.code);
    WriteLog(QStringLiteral("OnButtonViewlist: Filelist download url, ") + address);

    // A check still pending from the previous query would run inside this one's wait and put
    // the old filters back under it.
    noResultTimer_.stop();
    {
        CDlgPleaseWait wait(this);
        wait.SetURL(address);
        wait.SetUserId(providerId);
        wait.SetJobMode(1);
        wait.exec();
    }

    const QString listFile = Session().LastFileListName();
    if (!listFile.isEmpty()) {
        LoadFileList(listFile);
        LeaveSearch();
        noResultTimer_.start(Delays::Get().noResultCheck);
    }
}
