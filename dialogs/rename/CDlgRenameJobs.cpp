#include "dialogs/rename/CDlgRenameJobs.h"

#include "dialogs/common/DialogButton.h"
#include "dialogs/rename/ProviderEntries.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "transport/scripts/ServerScripts.h"
#include "ui_CDlgRenameJobs.h"

CDlgRenameJobs::CDlgRenameJobs(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CDlgRenameJobs>()) {
    ui_->setupUi(this);
    connect(ui_->okButton, &QPushButton::clicked, this, &CDlgRenameJobs::OnOK);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui_->statRadio, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            OnStatMode();
        }
    });
    connect(ui_->providerRadio, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            OnProviderMode();
        }
    });
    connect(ui_->providerBox, &QComboBox::activated, this, &CDlgRenameJobs::OnSelchangeComboPhysicianId);
}

CDlgRenameJobs::~CDlgRenameJobs() = default;

void CDlgRenameJobs::showEvent(QShowEvent* event) {
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

void CDlgRenameJobs::OnInitDialog() {
    DialogListCtrl* list = ui_->reportList;
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->Initialise();
    list->Model()->SetColumns({QStringLiteral("Selected File(s)")}, {335});
    list->ApplyColumnWidths();
    list->horizontalHeader()->setStretchLastSection(true);
    for (const QString& name : jobNames_) {
        list->Model()->AppendRow({name});
    }

    SetUpDialogButton(ui_->okButton, kIconOk);
    SetUpDialogButton(ui_->cancelButton, kIconCancel);

    OnStatMode();
    ui_->statRadio->setChecked(true);
    ui_->statBox->setCurrentIndex(0);
}

void CDlgRenameJobs::OnStatMode() {
    ui_->statBox->setEnabled(true);
    ui_->providerBox->setEnabled(false);
    ui_->providerBox->clear();
    ui_->locationBox->clear();
    ui_->locationBox->setEnabled(false);
}

void CDlgRenameJobs::OnProviderMode() {
    ui_->statBox->setEnabled(false);
    ui_->providerBox->setEnabled(true);
    ui_->locationBox->setEnabled(true);
    ui_->providerBox->clear();
    providerEntries_.clear();
    const QStringList ids = Session().CareProviderIds();
    const QStringList names = Session().CareProviderNames();
    for (qsizetype i = 0; i < ids.size(); ++i) {
        const QString entry = ProviderEntries::Entry(names.value(i), ids[i]).trimmed();
        providerEntries_.append(entry);
        ui_->providerBox->addItem(entry);
    }
    if (ui_->providerBox->count() > 0) {
        ui_->providerBox->setCurrentIndex(0);
    }
    OnSelchangeComboPhysicianId();
}

void CDlgRenameJobs::OnSelchangeComboPhysicianId() {
    WriteLog(QStringLiteral("OnSelchangeComboPhysicianId: Resolving Locations..."));
    ui_->locationBox->clear();
    const QString providerId = ProviderEntries::IdFromEntry(ui_->providerBox->currentText());
    ui_->locationBox->addItems(ProviderEntries::LocationEntries(providerId, Session().LocationList()));
    if (ui_->locationBox->count() > 0) {
        ui_->locationBox->setCurrentIndex(0);
    }
}

void CDlgRenameJobs::OnOK() {
    const QString loginId = Session().LoggedUserId();
    const QStringList ids = Session().CareProviderIds();
    QString password;
    for (qsizetype i = 0; i < ids.size(); ++i) {
        if (ids[i].compare(loginId, Qt::CaseInsensitive) == 0) {
            password = Session().CareProviderExtras().value(i);
            break;
        }
    }

    const bool providerMode = ui_->providerRadio->isChecked();
    QString providerId;
    QString locationId;
    QString stat;
    if (!providerMode && !ui_->statRadio->isChecked()) {
        Prompts::Get().Show({QStringLiteral("Please select the renaming mode."), QStringLiteral("Molve"),
                             Prompts::Icon::Warning, Prompts::Ok});
        return;
    }
    if (providerMode) {
        if (ui_->providerBox->currentIndex() < 0) {
            Prompts::Information(QStringLiteral("Select a Physician-ID to rename."));
            return;
        }
        providerId = ProviderEntries::IdFromEntry(ui_->providerBox->currentText());
        if (ui_->locationBox->currentIndex() >= 0) {
            locationId = ProviderEntries::IdFromEntry(ui_->locationBox->currentText());
        }
    } else {
        if (ui_->statBox->currentIndex() < 0) {
            Prompts::Information(QStringLiteral("Select a STAT value to rename."));
            return;
        }
        stat = ui_->statBox->currentText().toLower();
        if (stat == QStringLiteral("remove stat")) {
            stat = QStringLiteral("notag");
        }
    }

    QString jobs;
    const ReportListModel* model = ui_->reportList->Model();
    for (int row = 0; row < model->rowCount(); ++row) {
        jobs += model->CellText(row, 0) + QLatin1Char(';');
    }

    const QByteArray scrambledLogin = CUtility::CredentialScramble(loginId.toUtf8(), true);
    const QByteArray scrambledPassword = CUtility::CredentialScramble(password.toUtf8(), true);

    ScriptPost post(RenameRequest::Address());
    ui_->okButton->setEnabled(false);
    ui_->cancelButton->setEnabled(true);
    if (providerMode && locationId.isEmpty()) {
        // A provider without a location cannot take the jobs; the user may choose again.
        ui_->okButton->setEnabled(true);
        return;
    }

    const ServerAnswer answer =
        RenameRequest{scrambledLogin, scrambledPassword, jobs, providerId, locationId.trimmed(), stat}.Send(
            post);
    if (answer.sent) {
        WriteLog(QStringLiteral("CDlgRenameJobs::OnOK: Response, ") + answer.response);
        if (answer.Confirmed()) {
            resultFlag_ = 1;
            Prompts::Information(QStringLiteral("File/s renamed successfully."));
        } else {
            resultFlag_ = 0;
            Prompts::Plain(answer.response);
        }
    }
    accept();
}
