// The window's side of DeskContext: what the actions may reach of the list and the window.
#include "desk/CVelmoPropPage.h"
#include "desk/StatusLine.h"
#include "reportlist/listctrl/CReportListCtrl.h"
#include "transport/DocumentDownload.h"
#include "ui_CVelmoPropPage.h"

QList<int> CVelmoPropPage::SelectedRows() const {
    return ui_->reportList->SelectedRows();
}

int CVelmoPropPage::RowCount() const {
    return ui_->reportList->Model()->rowCount();
}

QString CVelmoPropPage::CellText(int row, const QString& caption) const {
    const ReportListModel* model = ui_->reportList->Model();
    for (int column = 0; column < model->columnCount(); ++column) {
        if (model->ColumnCaption(column).trimmed() == caption) {
            return model->CellText(row, column);
        }
    }
    return {};
}

QString CVelmoPropPage::Filename(int row) const {
    const ReportListModel* model = ui_->reportList->Model();
    const int column = model->FindFilenameColumn();
    return column < 0 ? QString() : model->CellText(row, column);
}

QString CVelmoPropPage::AccessFlags(int row) const {
    return ui_->reportList->Model()->Record(row).accessFlags;
}

QString CVelmoPropPage::EsignOwner(int row) const {
    return ui_->reportList->Model()->Record(row).esignOwner;
}

QStringList CVelmoPropPage::ColumnCaptions() const {
    const CReportListCtrl* list = ui_->reportList;
    const QHeaderView* header = list->horizontalHeader();
    QStringList captions;
    for (int visual = 0; visual < header->count(); ++visual) {
        captions.append(list->Model()->ColumnCaption(header->logicalIndex(visual)));
    }
    return captions;
}

void CVelmoPropPage::SetStatusForSelected(StatusColumn column, const QStringList& names,
                                          const QString& text) {
    ReportListModel* model = ui_->reportList->Model();
    for (const int row : SelectedRows()) {
        if (names.contains(Filename(row))) {
            model->SetCellText(row, static_cast<int>(column), text);
        }
    }
}

void CVelmoPropPage::DeleteAllRows() {
    ui_->reportList->Model()->ClearRows();
}

void CVelmoPropPage::ShowBusy(Busy which, bool shown) {
    QWidget* control = nullptr;
    switch (which) {
    case Busy::DocumentPicture:
        control = ui_->documentBusyPicture;
        break;
    case Busy::SignPrintPicture:
        control = ui_->signPrintBusyPicture;
        break;
    case Busy::PleaseWaitText:
        control = ui_->pleaseWaitLabel;
        break;
    }
    control->setVisible(shown);
}

void CVelmoPropPage::RepaintNow() {
    repaint();
}

void CVelmoPropPage::ShowStatus(const QString& text) {
    statusLine_->SetNote(text);
}

void CVelmoPropPage::RunQuery() {
    OnButtonViewlist();
}

void CVelmoPropPage::DownloadDocuments(const QStringList& names) {
    ::DownloadDocuments(names, this, state_.DocumentChecksum);
}

QWidget* CVelmoPropPage::DialogParent() {
    return this;
}
