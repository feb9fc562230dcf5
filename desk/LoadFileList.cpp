// A downloaded file list replaces the list's columns and rows; the file goes afterwards.
#include "desk/CVelmoPropPage.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "reportlist/core/FileListFormat.h"
#include "reportlist/core/ReportListModel.h"
#include "reportlist/core/ReportQuery.h"
#include "reportlist/listctrl/CReportListCtrl.h"
#include "ui_CVelmoPropPage.h"

#include <QFile>

namespace {

const char* const kStatusTooltips[] = {"Opened", "Printed", "Faxed", "Forwarded", "E-Signed"};

bool DeleteFileClearingReadOnly(const QString& path) {
    QFile file(path);
    if (file.exists()) {
        file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
    }
    return file.remove();
}

} // namespace

void CVelmoPropPage::LoadFileList(const QString& path) {
    Session().SetListHasRecords(0);
    state_.ListFileFound = true;
    if (!CUtility::FileExists(path)) {
        state_.ListFileFound = false;
        return;
    }

    // The report type decides how the columns are built, so it is settled from the box
    // before the file is read; it only takes effect when the file has records.
    const QString boxText = ui_->reportTypeBox->currentText();
    const bool transcribed = boxText.compare(QLatin1StringView("transcribed"), Qt::CaseInsensitive) == 0;
    const bool pendingBox = boxText.compare(QLatin1StringView("pending"), Qt::CaseInsensitive) == 0;
    QString code = state_.ReportTypeCode;
    if (transcribed) {
        code = QStringLiteral("t");
    } else if (pendingBox) {
        code = QStringLiteral("p");
    }
    const bool pending = ReportQuery::IsPendingCode(code);

    ParsedFileList parsed = ParseFileListFile(path, pending);
    const int refused = parsed.refusedRows;
    if (parsed.hasRecords) {
        Session().SetListHasRecords(1);
        CReportListCtrl* list = ui_->reportList;
        ReportListModel* model = list->Model();

        state_.ReportTypeCode = code;
        if (transcribed) {
            model->SetRowIcon(QStringLiteral(":/icons/row-transcribed.svg"));
        } else if (pendingBox) {
            model->SetRowIcon(QStringLiteral(":/icons/row-pending.svg"));
        }

        state_.LastQuery = {state_.ReportTypeCode, FromTime(), ToTime(), ui_->providerBox->currentText(),
                            ui_->locationBox->currentText()};

        if (pendingBox) {
            SetActionButtonsEnabled({.play = true, .rename = true});
        } else {
            SetActionButtonsEnabled({.open = true,
                                     .esign = true,
                                     .print = true,
                                     .forward = true,
                                     .fax = true,
                                     .demographics = true,
                                     .search = true,
                                     .play = true,
                                     .rename = true});
        }

        state_.EsignedDocuments = parsed.esignedDocuments;
        state_.ColumnKeys = parsed.columnKeys;
        model->Load(std::move(parsed), pending);
        list->ApplyColumnWidths();
        for (int i = 0; i < ReportListModel::kStatusColumns; ++i) {
            list->SetHeaderTooltip(i + 1, QString::fromLatin1(kStatusTooltips[i]));
        }
    }

    Delays::Wait(Delays::Get().beforeListFileDelete);
    const bool deleted = DeleteFileClearingReadOnly(path);
    WriteLog(QStringLiteral("File, ") + path +
             (deleted ? QStringLiteral(", deleted") : QStringLiteral(", could not be deleted")));
    if (refused > 0) {
        Prompts::Information(RefusedRowsText(refused));
    }
}

QString CVelmoPropPage::RefusedRowsText(int rows) {
    return rows == 1
               ? QStringLiteral("1 report of the list is not shown: the server gave it a name the desk "
                                "cannot use as a file name. The activity log names it.")
               : QStringLiteral("%1 reports of the list are not shown: the server gave them names the desk "
                                "cannot use as file names. The activity log names them.")
                     .arg(rows);
}

int CVelmoPropPage::FindFilenameColumn() {
    const int column = ui_->reportList->Model()->FindFilenameColumn();
    ui_->reportList->viewport()->update();
    return column;
}

void CVelmoPropPage::SetActionButtonsEnabled(const ActionButtons& enabled) {
    ui_->openButton->setEnabled(enabled.open);
    ui_->esignButton->setEnabled(enabled.esign);
    ui_->printButton->setEnabled(enabled.print);
    ui_->forwardButton->setEnabled(enabled.forward);
    ui_->faxButton->setEnabled(enabled.fax);
    ui_->demographicsButton->setEnabled(enabled.demographics);
    ui_->searchButton->setEnabled(enabled.search);
    ui_->playButton->setEnabled(enabled.play);
    ui_->renameButton->setEnabled(enabled.rename);
}
