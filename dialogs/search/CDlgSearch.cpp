#include "dialogs/search/CDlgSearch.h"

#include "dialogs/common/DialogButton.h"
#include "dialogs/rename/ProviderEntries.h"
#include "dialogs/search/SearchNames.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "reportlist/core/FileListFormat.h"
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
    connect(ui_->ctl1, &QPushButton::clicked, this, &CDlgSearch::OnOK);
    connect(ui_->ctl2, &QPushButton::clicked, this, &QDialog::reject);
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
        whenChecked(ui_->ctl236, &CDlgSearch::OnRadioCurrentProvider);
        whenChecked(ui_->ctl237, &CDlgSearch::OnRadioOtherProviders);
        whenChecked(ui_->ctl278, &CDlgSearch::OnRadioDemographic);
        whenChecked(ui_->ctl279, &CDlgSearch::OnRadioFreeText);
        connect(ui_->ctl241, &QCheckBox::toggled, this, &CDlgSearch::OnCheckTranscribed);
    }
    QDialog::showEvent(event);
}

void CDlgSearch::OnInitDialog() {
    const QDateTime now = QDateTime::currentDateTime();
    for (QDateTimeEdit* picker : {ui_->ctl238, ui_->ctl239}) {
        picker->setDisplayFormat(QStringLiteral("dd-MMM-yyyy"));
        picker->setDateTime(now);
    }
    SetUpDialogButton(ui_->ctl1, kIconOk);
    SetUpDialogButton(ui_->ctl2, kIconCancel);

    ui_->ctl236->setChecked(true);
    ui_->ctl241->setChecked(false);
    ui_->ctl238->setEnabled(false);
    ui_->ctl239->setEnabled(false);

    ui_->ctl271->clear();
    const QStringList ids = Session().CareProviderIds();
    const QStringList names = Session().CareProviderNames();
    if (ids.size() >= 2) {
        ui_->ctl271->addItem(QStringLiteral("All"));
    }
    for (qsizetype i = 0; i < ids.size(); ++i) {
        ui_->ctl271->addItem(ProviderEntries::Entry(names.value(i), ids[i]));
    }
    ui_->ctl271->setCurrentIndex(0);

    OnRadioCurrentProvider();
    OnRadioDemographic();

    for (const QString& name : SearchNames::Parse(demographicNames_)) {
        ui_->ctl293->addItem(CaptionForKey(name), name); // shown as the list's columns name it
    }
    ui_->ctl293->setCurrentIndex(-1);

    if (ownProvider_ == 0) {
        ui_->ctl237->setChecked(true); // before 236 can be cleared: the two are exclusive
        ui_->ctl236->setChecked(false);
        ui_->ctl236->setEnabled(false);
        ui_->ctl237->setEnabled(true);
        ui_->ctl270->clear();
        ui_->ctl271->setEnabled(true);
    }
    RestoreLastSearch();
}

void CDlgSearch::RestoreLastSearch() {
    const int item = last_.demographic.isEmpty() ? -1 : ui_->ctl293->findData(last_.demographic);
    if (item < 0) {
        return; // no search yet, or the server offers that name no more
    }
    ui_->ctl293->setCurrentIndex(item);
    ui_->ctl292->setText(last_.value);
    if (last_.scope != SearchChoice::Scope::Own) {
        ui_->ctl237->setChecked(true);
        OnRadioOtherProviders();
        const int provider = ui_->ctl271->findText(
            last_.scope == SearchChoice::Scope::All ? QStringLiteral("All") : last_.provider);
        if (provider >= 0) {
            ui_->ctl271->setCurrentIndex(provider);
        }
    }
    ui_->ctl241->setChecked(last_.dated);
    OnCheckTranscribed();
    if (last_.dated) {
        ui_->ctl238->setDate(last_.from);
        ui_->ctl239->setDate(last_.to);
    }
    ui_->ctl242->setChecked(last_.archive);
}

void CDlgSearch::OnRadioCurrentProvider() {
    ui_->ctl278->setChecked(true);
    ui_->ctl236->setChecked(true);
    ui_->ctl271->setEnabled(false);
    ownProvider_ = 0;
    const QString loginId = Session().LoggedUserId();
    for (const QString& id : Session().CareProviderIds()) {
        if (id.compare(loginId, Qt::CaseInsensitive) == 0) {
            ui_->ctl270->setText(Session().LoggedUserName() + QStringLiteral(" [") + loginId +
                                 QLatin1Char(']'));
            ownProvider_ = 1;
            return;
        }
    }
    const QComboBox* list = ui_->ctl271;
    if (list->count() > 0) {
        const int shown = IsAll(list->itemText(0)) && list->count() > 1 ? 1 : 0;
        ui_->ctl270->setText(list->itemText(shown).trimmed());
    }
}

void CDlgSearch::OnRadioOtherProviders() {
    ui_->ctl278->setChecked(true);
    ui_->ctl237->setChecked(true);
    ui_->ctl271->setEnabled(true);
    ui_->ctl270->clear();
}

void CDlgSearch::OnCheckTranscribed() {
    const bool on = ui_->ctl241->isChecked();
    ui_->ctl238->setEnabled(on);
    ui_->ctl239->setEnabled(on);
}

void CDlgSearch::OnRadioDemographic() {
    ui_->ctl278->setChecked(true);
    ui_->ctl280->setEnabled(false);
    ui_->ctl241->setEnabled(true);
    ui_->ctl241->setChecked(false);
    ui_->ctl236->setEnabled(true);
    ui_->ctl237->setEnabled(true);
    ui_->ctl293->setEnabled(true);
    ui_->ctl292->setEnabled(true);
}

void CDlgSearch::OnRadioFreeText() {
    ui_->ctl279->setChecked(true);
    ui_->ctl280->setEnabled(true);
    for (QWidget* w : std::initializer_list<QWidget*>{ui_->ctl241, ui_->ctl238, ui_->ctl239, ui_->ctl236,
                                                      ui_->ctl237, ui_->ctl271, ui_->ctl293, ui_->ctl292}) {
        w->setEnabled(false);
    }
}

void CDlgSearch::OnOK() {
    if (ui_->ctl278->isChecked()) {
        searchMode_ = 1;
        if (BuildDemographicURL()) {
            accept();
        }
    } else if (ui_->ctl279->isChecked()) {
        searchMode_ = 0;
        if (BuildFreeTextURL()) {
            accept();
        }
    } else {
        accept();
    }
}

bool CDlgSearch::BuildDemographicURL() {
    const QString loginId = Session().LoggedUserId();
    QString url = Session().ServerURL() + QStringLiteral("qm_search.php");
    WriteLog(QStringLiteral("DownloadFileList: URL for search, ") + url);
    WriteLog(QStringLiteral("DownloadFileList: Physician-ID, ") + loginId);

    if (ui_->ctl293->currentIndex() < 0) {
        Prompts::Information(QStringLiteral("Select a demographic to search."));
        return false;
    }
    const QString name = ui_->ctl293->currentData().toString();
    const QString value = ui_->ctl292->text().trimmed();
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
               ui_->ctl241->isChecked(),
               ui_->ctl238->date(),
               ui_->ctl239->date(),
               ui_->ctl242->isChecked()};
    if (ui_->ctl236->isChecked()) {
        scope = QStringLiteral("0");
        choice_.scope = SearchChoice::Scope::Own;
        choice_.provider = ui_->ctl270->text();
        WriteLog(QStringLiteral("DownloadFileList: Files to be searched for the current login"));
    } else if (ui_->ctl237->isChecked()) {
        const QString chosen = ui_->ctl271->currentText();
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

    const QString transcribed = ui_->ctl241->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    WriteLog(QStringLiteral("DownloadFileList: Search based on transcription, ") + transcribed);
    // The dates go with every search; the flag tells the server whether to use them.
    const QString start = ui_->ctl238->date().toString(QStringLiteral("MM-dd-yyyy"));
    const QString end = ui_->ctl239->date().toString(QStringLiteral("MM-dd-yyyy"));
    WriteLog(QStringLiteral("DownloadFileList: Fromdate, ") + start);
    WriteLog(QStringLiteral("DownloadFileList: Todate, ") + end);
    const QString archived = QString::number(ui_->ctl242->isChecked() ? 1 : 0);

    const QString locationId = Session().QueryLocationId();
    url += QStringLiteral("?loginid=") + loginId + QStringLiteral("&locationid=") + locationId +
           QStringLiteral("&txtDemographicName=") + name + QStringLiteral("&txtDemographicValue=") + value +
           QStringLiteral("&chktrdate=") + transcribed + QStringLiteral("&arrradio=") + scope +
           QStringLiteral("&txthid_stdate=") + start + QStringLiteral("&txthid_eddate=") + end +
           QStringLiteral("&archivedsearch=") + archived;

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
    const QString text = ui_->ctl280->text().trimmed();
    if (text.isEmpty()) {
        Prompts::Information(QStringLiteral("Please enter a search phrase/word."));
        return false;
    }
    const QString url = Session().ServerURL() + QStringLiteral("qm_searchfreetext.php") +
                        QStringLiteral("?searchtext=") + text + QStringLiteral("&loginuserid=") +
                        Session().LoggedUserId();
    WriteLog(QStringLiteral("FreeTextSearch: URL for search, ") + url);
    WriteLog(QStringLiteral("FreeTextSearch: Physician-ID, ") + Session().LoggedUserId());
    WriteLog(QStringLiteral("FreeTextSearch: Search string, ") + text);
    searchUrl_ = url;
    return true;
}
