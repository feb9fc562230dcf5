#include "dialogs/search/CDlgSearch.h"

#include "dialogs/common/DialogButton.h"
#include "dialogs/rename/ProviderEntries.h"
#include "dialogs/search/SearchNames.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "reportlist/core/FileListFormat.h"
#include "transport/scripts/ServerScripts.h"
#include "ui_CDlgSearch.h"

#include <QDateTime>

namespace {

bool IsAll(const QString& text) {
    return text.compare(QLatin1StringView("All"), Qt::CaseInsensitive) == 0;
}

} // namespace

CDlgSearch::CDlgSearch(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::CDlgSearch>()) {
    ui_->setupUi(this);
    ui_->grpFreeText->hide();
    connect(ui_->searchButton, &QPushButton::clicked, this, &CDlgSearch::OnOK);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

CDlgSearch::~CDlgSearch() = default;

void CDlgSearch::showEvent(QShowEvent* event) {
    if (!initialised_) {
        initialised_ = true;
        OnInitDialog();
        // Connected once the initial state is set, so that setting it runs no handler.
        const auto whenChecked = [this](QRadioButton* radio, void (CDlgSearch::*handler)()) {
            connect(radio, &QRadioButton::toggled, this, [this, handler](bool on) {
                if (on) {
                    (this->*handler)();
                }
            });
        };
        whenChecked(ui_->currentProviderRadio, &CDlgSearch::OnRadioCurrentProvider);
        whenChecked(ui_->otherProvidersRadio, &CDlgSearch::OnRadioOtherProviders);
        whenChecked(ui_->demographicRadio, &CDlgSearch::OnRadioDemographic);
        whenChecked(ui_->freeTextRadio, &CDlgSearch::OnRadioFreeText);
        connect(ui_->dateRangeCheck, &QCheckBox::toggled, this, &CDlgSearch::OnCheckTranscribed);
    }
    QDialog::showEvent(event);
}

void CDlgSearch::OnInitDialog() {
    const QDateTime now = QDateTime::currentDateTime();
    for (QDateTimeEdit* picker : {ui_->fromDate, ui_->toDate}) {
        picker->setDisplayFormat(QStringLiteral("dd-MMM-yyyy"));
        picker->setDateTime(now);
    }
    SetUpDialogButton(ui_->searchButton, kIconOk);
    SetUpDialogButton(ui_->cancelButton, kIconCancel);

    ui_->currentProviderRadio->setChecked(true);
    ui_->dateRangeCheck->setChecked(false);
    ui_->fromDate->setEnabled(false);
    ui_->toDate->setEnabled(false);

    ui_->otherProviderBox->clear();
    const QStringList ids = Session().CareProviderIds();
    const QStringList names = Session().CareProviderNames();
    if (ids.size() >= 2) {
        ui_->otherProviderBox->addItem(QStringLiteral("All"));
    }
    for (qsizetype i = 0; i < ids.size(); ++i) {
        ui_->otherProviderBox->addItem(ProviderEntries::Entry(names.value(i), ids[i]));
    }
    ui_->otherProviderBox->setCurrentIndex(0);

    OnRadioCurrentProvider();
    OnRadioDemographic();

    for (const QString& name : SearchNames::Parse(demographicNames_)) {
        ui_->demographicBox->addItem(CaptionForKey(name), name); // shown as the list's columns name it
    }
    ui_->demographicBox->setCurrentIndex(-1);

    if (ownProvider_ == 0) {
        ui_->otherProvidersRadio->setChecked(true); // before 236 can be cleared: the two are exclusive
        ui_->currentProviderRadio->setChecked(false);
        ui_->currentProviderRadio->setEnabled(false);
        ui_->otherProvidersRadio->setEnabled(true);
        ui_->currentProviderLabel->clear();
        ui_->otherProviderBox->setEnabled(true);
    }
    RestoreLastSearch();
}

void CDlgSearch::RestoreLastSearch() {
    const int item = last_.demographic.isEmpty() ? -1 : ui_->demographicBox->findData(last_.demographic);
    if (item < 0) {
        return; // no search yet, or the server offers that name no more
    }
    ui_->demographicBox->setCurrentIndex(item);
    ui_->demographicValueEdit->setText(last_.value);
    if (last_.scope != SearchChoice::Scope::Own) {
        ui_->otherProvidersRadio->setChecked(true);
        OnRadioOtherProviders();
        const int provider = ui_->otherProviderBox->findText(
            last_.scope == SearchChoice::Scope::All ? QStringLiteral("All") : last_.provider);
        if (provider >= 0) {
            ui_->otherProviderBox->setCurrentIndex(provider);
        }
    }
    ui_->dateRangeCheck->setChecked(last_.dated);
    OnCheckTranscribed();
    if (last_.dated) {
        ui_->fromDate->setDate(last_.from);
        ui_->toDate->setDate(last_.to);
    }
    ui_->includeArchiveCheck->setChecked(last_.archive);
}

void CDlgSearch::OnRadioCurrentProvider() {
    ui_->demographicRadio->setChecked(true);
    ui_->currentProviderRadio->setChecked(true);
    ui_->otherProviderBox->setEnabled(false);
    ownProvider_ = 0;
    const QString loginId = Session().LoggedUserId();
    for (const QString& id : Session().CareProviderIds()) {
        if (id.compare(loginId, Qt::CaseInsensitive) == 0) {
            ui_->currentProviderLabel->setText(Session().LoggedUserName() + QStringLiteral(" [") + loginId +
                                               QLatin1Char(']'));
            ownProvider_ = 1;
            return;
        }
    }
    const QComboBox* list = ui_->otherProviderBox;
    if (list->count() > 0) {
        const int shown = IsAll(list->itemText(0)) && list->count() > 1 ? 1 : 0;
        ui_->currentProviderLabel->setText(list->itemText(shown).trimmed());
    }
}

void CDlgSearch::OnRadioOtherProviders() {
    ui_->demographicRadio->setChecked(true);
    ui_->otherProvidersRadio->setChecked(true);
    ui_->otherProviderBox->setEnabled(true);
    ui_->currentProviderLabel->clear();
}

void CDlgSearch::OnCheckTranscribed() {
    const bool on = ui_->dateRangeCheck->isChecked();
    ui_->fromDate->setEnabled(on);
    ui_->toDate->setEnabled(on);
}

void CDlgSearch::OnRadioDemographic() {
    ui_->demographicRadio->setChecked(true);
    ui_->freeTextEdit->setEnabled(false);
    ui_->dateRangeCheck->setEnabled(true);
    ui_->dateRangeCheck->setChecked(false);
    ui_->currentProviderRadio->setEnabled(true);
    ui_->otherProvidersRadio->setEnabled(true);
    ui_->demographicBox->setEnabled(true);
    ui_->demographicValueEdit->setEnabled(true);
}

void CDlgSearch::OnRadioFreeText() {
    ui_->freeTextRadio->setChecked(true);
    ui_->freeTextEdit->setEnabled(true);
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->dateRangeCheck, ui_->fromDate, ui_->toDate,
                                                      ui_->currentProviderRadio, ui_->otherProvidersRadio,
                                                      ui_->otherProviderBox, ui_->demographicBox,
                                                      ui_->demographicValueEdit}) {
        w->setEnabled(false);
    }
}

// The search mode is the radio checked: demographic or free text.
void CDlgSearch::OnOK() {
    if (ui_->demographicRadio->isChecked()) {
        if (BuildDemographicURL()) {
            accept();
        }
    } else if (ui_->freeTextRadio->isChecked()) {
        if (BuildFreeTextURL()) {
            accept();
        }
    } else {
        accept();
    }
}

bool CDlgSearch::BuildDemographicURL() {
    const QString loginId = Session().LoggedUserId();
    WriteLog(QStringLiteral("DownloadFileList: URL for search, ") + DemographicSearchRequest::Script());
    WriteLog(QStringLiteral("DownloadFileList: Physician-ID, ") + loginId);

    if (ui_->demographicBox->currentIndex() < 0) {
        Prompts::Information(QStringLiteral("Select a demographic to search."));
        return false;
    }
    const QString name = ui_->demographicBox->currentData().toString();
    const QString value = ui_->demographicValueEdit->text().trimmed();
    if (value.isEmpty()) {
        Prompts::Information(QStringLiteral("Enter search string to continue."));
        return false;
    }
    WriteLog(QStringLiteral("DownloadFileList: Demographic name: ") + name);
    WriteLog(QStringLiteral("DownloadFileList: Demographic value: ") + value);

    QString scope = QStringLiteral("All");
    QString providerId = loginId;
    choice_ = {name,
               value,
               SearchChoice::Scope::All,
               {},
               ui_->dateRangeCheck->isChecked(),
               ui_->fromDate->date(),
               ui_->toDate->date(),
               ui_->includeArchiveCheck->isChecked()};
    if (ui_->currentProviderRadio->isChecked()) {
        scope = QStringLiteral("0");
        choice_.scope = SearchChoice::Scope::Own;
        choice_.provider = ui_->currentProviderLabel->text();
        WriteLog(QStringLiteral("DownloadFileList: Files to be searched for the current login"));
    } else if (ui_->otherProvidersRadio->isChecked()) {
        const QString chosen = ui_->otherProviderBox->currentText();
        if (IsAll(chosen)) {
            providerId = Session().QueryPhysicianId();
        } else {
            providerId = ProviderEntries::IdFromEntry(chosen);
            scope = providerId;
            choice_.scope = SearchChoice::Scope::Provider;
            choice_.provider = chosen.trimmed();
        }
    }
    WriteLog(QStringLiteral("DownloadFileList: Care provider selected, ") + providerId);
    WriteLog(QStringLiteral("DownloadFileList: Account type, ") + scope);

    const QString transcribed = ui_->dateRangeCheck->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    WriteLog(QStringLiteral("DownloadFileList: Search based on transcription, ") + transcribed);
    // The dates go with every search; the flag tells the server whether to use them.
    const QString start = ui_->fromDate->date().toString(QStringLiteral("MM-dd-yyyy"));
    const QString end = ui_->toDate->date().toString(QStringLiteral("MM-dd-yyyy"));
    WriteLog(QStringLiteral("DownloadFileList: Fromdate, ") + start);
    WriteLog(QStringLiteral("DownloadFileList: Todate, ") + end);
    const QString archived = QString::number(ui_->includeArchiveCheck->isChecked() ? 1 : 0);

    const QString locationId = Session().QueryLocationId();
    const QString url =
        DemographicSearchRequest{loginId, locationId, name, value, transcribed, scope, start, end, archived}
            .Address();

    WriteLog(QStringLiteral("DownloadFileList: URL , ") + url);
    WriteLog(QStringLiteral("DownloadFileList: Filename, ") + Session().LastFileListName());
    WriteLog(QStringLiteral("loginid, ") + Session().QueryPhysicianId());
    WriteLog(QStringLiteral("locationid, ") + locationId);
    WriteLog(QStringLiteral("txtDemographicName, ") + name);
    WriteLog(QStringLiteral("txtDemographicValue, ") + value);
    WriteLog(QStringLiteral("chktrdate, ") + transcribed);
    WriteLog(QStringLiteral("arrradio, ") + scope);
    WriteLog(QStringLiteral("txthid_stdate, ") + start);
    WriteLog(QStringLiteral("txthid_eddate, ") + end);

    searchUrl_ = url;
    return true;
}

bool CDlgSearch::BuildFreeTextURL() {
    const QString text = ui_->freeTextEdit->text().trimmed();
    if (text.isEmpty()) {
        Prompts::Information(QStringLiteral("Please enter a search phrase/word."));
        return false;
    }
    const QString url = FreeTextSearchRequest{text, Session().LoggedUserId()}.Address();
    WriteLog(QStringLiteral("FreeTextSearch: URL for search, ") + url);
    WriteLog(QStringLiteral("FreeTextSearch: Physician-ID, ") + Session().LoggedUserId());
    WriteLog(QStringLiteral("FreeTextSearch: Search string, ") + text);
    searchUrl_ = url;
    return true;
}
