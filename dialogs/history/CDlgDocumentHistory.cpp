#include "dialogs/history/CDlgDocumentHistory.h"

#include "dialogs/common/DialogButton.h"
#include "dialogs/history/VersionList.h"
#include "dialogs/history/ViewVersion.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "host/core/NameGate.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "reportlist/core/AccessDenied.h"
#include "transport/CFileDownloads.h"
#include "transport/LocalCopies.h"
#include "transport/scripts/ServerScripts.h"
#include "ui_CDlgDocumentHistory.h"

#include <QFile>
#include <QFileInfo>
#include <QMenu>

namespace {

constexpr int kVersionNameColumn = 1;
constexpr int kServerNameColumn = 4;

QString OpenFailureMessage() {
    return QStringLiteral("Unable to open file. Please contact Technical support at ") +
           QLatin1StringView(kSupportEmail) + QStringLiteral(" or ") + QLatin1StringView(kSupportTelephone) +
           QStringLiteral(" for assistance.");
}

bool DeleteFile(const QString& path) {
    QFile file(path);
    file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
    return file.remove();
}

} // namespace

CDlgDocumentHistory::CDlgDocumentHistory(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CDlgDocumentHistory>()) {
    ui_->setupUi(this);
    connect(ui_->viewDocumentButton, &QPushButton::clicked, this, &CDlgDocumentHistory::OnViewDocument);
    connect(ui_->closeButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->versionList, &CReportListCtrl::ContextMenuRequestedAt, this,
            [this](const QPoint& at) { BuildContextMenu()->exec(at); });
    // Enter or a double click on a version views it, as the button does.
    connect(ui_->versionList, &CReportListCtrl::RowDoubleClicked, this, &CDlgDocumentHistory::OnViewDocument);
}

CDlgDocumentHistory::~CDlgDocumentHistory() = default;

std::unique_ptr<QMenu> CDlgDocumentHistory::BuildContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
    QAction* view = menu->addAction(QStringLiteral("View Document"));
    view->setData(32777);
    connect(view, &QAction::triggered, this, &CDlgDocumentHistory::OnViewDocument);
    return menu;
}

void CDlgDocumentHistory::showEvent(QShowEvent* event) {
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CDlgDocumentHistory::OnInitDialog() {
    DialogListCtrl* list = ui_->versionList;
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->Initialise();
    SetUpDialogButton(ui_->closeButton, kIconCancel);
    SetUpDialogButton(ui_->viewDocumentButton, kIconView);
    list->Model()->SetColumns({QStringLiteral("..."), QStringLiteral("Filename"),
                               QStringLiteral("Transcribed Date/Time"), QStringLiteral("Revised Date/Time"),
                               QString()},
                              {20, 200, 150, 150, 0});
    list->ApplyColumnWidths();
    list->setColumnHidden(kServerNameColumn, true); // the server's file name, only for the download
    LoadVersionList();
}

void CDlgDocumentHistory::LoadVersionList() {
    ReportListModel* model = ui_->versionList->Model();
    model->ClearRows();
    if (versionListPath_.isEmpty()) {
        return; // the download failed and said so
    }
    QList<QStringList> rows;
    int refused = 0;
    if (!VersionList::Read(versionListPath_, rows, &refused)) {
        WriteLog(QStringLiteral("File, ") + versionListPath_ + QStringLiteral(", could not be read"));
        return;
    }
    for (const QStringList& row : rows) {
        model->AppendRow(row);
    }
    WriteLog(QStringLiteral("File, ") + versionListPath_ +
             (DeleteFile(versionListPath_) ? QStringLiteral(", deleted")
                                           : QStringLiteral(", could not be deleted")));
    if (refused > 0) {
        Prompts::Information(QStringLiteral("%1 earlier version(s) are not shown: the server gave names the "
                                            "desk cannot use as file names. The activity log names them.")
                                 .arg(refused));
    }
}

void CDlgDocumentHistory::OnViewDocument() {
    const int row = ui_->versionList->FirstSelectedRow();
    if (row < 0) {
        Prompts::Information(QStringLiteral("Select a document to view."));
        return;
    }
    const ReportListModel* model = ui_->versionList->Model();
    const QString versionName = model->CellText(row, kVersionNameColumn);
    const QString serverName = model->CellText(row, kServerNameColumn).trimmed();
    if (serverName.isEmpty()) {
        return;
    }
    const QString folder = CUtility::TempFolder() + QStringLiteral("versionfiles/");
    const QString localCopy =
        NameGate::PathInside(CUtility::TempFolder(), versionName, QStringLiteral(".doc"));
    const QString renamed = NameGate::PathInside(folder, versionName, QStringLiteral(".doc"));
    if (localCopy.isEmpty() || renamed.isEmpty() || !NameGate::Accepts(serverName)) {
        Prompts::Error(OpenFailureMessage());
        return;
    }

    // Only a version this desk fetched in this run is opened again as it stands; a report's copy
    // of the same name is not replaced by a version.
    if (!LocalCopies::Reusable(localCopy, LocalCopies::Kind::Version)) {
        if (CUtility::FileExists(localCopy)) {
            WriteLog(QStringLiteral("OnPopDownload: File, ") + localCopy +
                     QStringLiteral(" is a report's copy"));
            Prompts::Error(OpenFailureMessage());
            return;
        }
        CFileDownloads download;
        download.SetURL(VersionFileRequest{serverName}.Address());
        download.SetTargetFolder(folder);
        const QString unpacked = download.DownloadFiles(serverName).trimmed();
        Delays::Wait(Delays::Get().versionStep);
        if (!unpacked.contains(QLatin1Char('.')) || !QFileInfo(unpacked).isFile()) {
            Prompts::Error(OpenFailureMessage());
            return;
        }

        // Under the version's own name first, then into the temporary folder beside the reports.
        if (renamed != unpacked) {
            QFile::remove(renamed);
        }
        const bool moved =
            (renamed == unpacked || QFile::rename(unpacked, renamed)) && QFile::rename(renamed, localCopy);
        if (moved) {
            LocalCopies::Remember(localCopy, LocalCopies::Kind::Version);
        }
        WriteLog(QStringLiteral("OnPopDownload: File, ") + unpacked +
                 (moved ? QStringLiteral(" moved to, ") : QStringLiteral(" could not be moved to, ")) +
                 localCopy);
        Delays::Wait(Delays::Get().versionStep);
        if (!moved) {
            Prompts::Error(OpenFailureMessage());
            return;
        }
    }
    OpenVersionViewOnly(localCopy);
}
