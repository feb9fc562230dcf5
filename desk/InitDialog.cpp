// The window's start: everything the first query needs, in the order the log documents it.
#include "desk/CVelmoPropPage.h"
#include "desk/StatusLine.h"
#include "documents/pending/PendingUploads.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/ServerGate.h"
#include "host/core/SessionSettings.h"
#include "reportlist/core/PhysicianLocationCache.h"
#include "reportlist/core/ProviderList.h"
#include "reportlist/core/ReportListModel.h"
#include "reportlist/core/SignaturePatterns.h"
#include "reportlist/listctrl/CReportListCtrl.h"
#include "ui_CVelmoPropPage.h"
#include "widgets/IconButton.h"
#include "widgets/SortHeader.h"

#include <QCoreApplication>
#include <QDir>

namespace {

const QString kLog = QStringLiteral("OnInitDialog: ");
const QString kBackgroundFile = QStringLiteral("BkImage.bmp");
constexpr int kDefaultColumnCount = 9;
constexpr int kFixedColumns = 6;            // "Sr.#" and the five status columns
constexpr qint64 kFromSecondsBack = 518400; // six days: where the From picker starts

// The desk's own folder for its picture and converter, found from the executable: /usr/bin/velmo
// gives /usr/lib/velmo, build/app/velmo gives build/lib/velmo (the build tree's own converter).
QString ApplicationFolder() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/velmo"));
}

// Where the installed package keeps them, for a velmo started from elsewhere.
QString SystemWideFolder() {
    return QStringLiteral("/usr/lib/velmo");
}

} // namespace

void CVelmoPropPage::OnInitDialog() {
    CReportListCtrl* list = ui_->reportList;

    // The list's images (row icon, status header images) come with its model.
    WriteLog(kLog + QStringLiteral("Created Image list..."));

    state_.SignaturePatterns.clear();
    state_.SignaturePatterns = DefaultSignaturePatterns();

    list->Initialise();

    PhysicianLocationCache::WriteComboFile(Session().LocationList(), PhysicianLocationCache::CacheFilePath());
    WriteLog(kLog + QStringLiteral("String parsed and stored..."));

    if (list->Model()->columnCount() != kDefaultColumnCount) {
        list->Model()->SetDefaultColumns();
        list->ApplyColumnWidths();
    }
    WriteLog(kLog + QStringLiteral("List column headers created..."));

    if (auto* header = qobject_cast<SortHeader*>(list->horizontalHeader())) {
        for (int column = 0; column < kFixedColumns; ++column) {
            header->LockColumn(column);
        }
        header->SetLocking(true);
    }

    CUtility::CreateFolderPath(CUtility::TempFolder() + QStringLiteral("VoiceFiles/"));

    SetBackgroundImage();
    WriteLog(kLog + QStringLiteral("Image list set..."));

    SetButtonImages();
    WriteLog(kLog + QStringLiteral("Icons set for controls..."));

    FillProviderBox();

    const QDateTime now = QDateTime::currentDateTime();
    ui_->fromDate->setDate(now.date());
    ui_->toDate->setDate(now.date());
    WriteLog(kLog + QStringLiteral("Present date and time"));

    ui_->pleaseWaitLabel->hide();
    state_.ReportTypeCode.clear();

    if (state_.DictationFlag.isEmpty()) {
        ui_->reportTypeBox->setCurrentIndex(1);
        state_.ReportTypeCode = QStringLiteral("t");
        WriteLog(kLog + QStringLiteral("Transcribed, default value being set..."));
    } else {
        ui_->reportTypeBox->setCurrentIndex(0);
        state_.ReportTypeCode = QStringLiteral("p");
    }
    state_.LastQuery.reportTypeCode = state_.ReportTypeCode;
    WriteLog(kLog +
             QStringLiteral("Transcribed documents should by default display the last 30 days from newest "
                            "to oldest..."));

    SetDefaultDates();

    SetActionButtonsEnabled({.search = true});
    state_.OpenDocumentName.clear();
    // Edits an earlier run could not deliver are offered before the list shows the server's state.
    PendingUploads(*this).OfferAtStart();
    PendingUploads::RemoveLeftoverFolders();

    PreselectProvider();
    OnSelchangeComboPhysician();
    ArrangeFilters(); // the boxes now hold what they offer
    statusLine_->SetServer(ServerGate::HostOf(Session().ServerURL()));

    startupPending_ = true;
    OnButtonViewlist();
    if (!noResultTimer_.isActive()) {
        FinishStartup(); // no list file came back: nothing more to wait for
    }
}

void CVelmoPropPage::SetBackgroundImage() {
    QString folder = ApplicationFolder();
    QString path = folder + QLatin1Char('/') + kBackgroundFile;
    WriteLog(kLog + QStringLiteral("Text area background file, ") + path);
    if (!CUtility::FileExists(path)) {
        WriteLog(kLog + QStringLiteral("File, ") + path +
                 QStringLiteral(", doesnt exist. Checking in system 32 path..."));
        folder = SystemWideFolder();
    }
    Session().SetSystemFolder(folder);
    WriteLog(kLog + QStringLiteral("Winsys path, ") + folder);
    path = folder + QLatin1Char('/') + kBackgroundFile;
    WriteLog(kLog + QStringLiteral("Fetching file from, ") + path);
    ui_->reportList->SetBackgroundImage(path, true);
    WriteLog(kLog + QStringLiteral("Background image set..."));
}

void CVelmoPropPage::SetButtonImages() {
    struct ButtonImage {
        IconButton* button;
        const char* resource;
    };
    const ButtonImage buttons[] = {
        {ui_->openButton, ":/icons/open.svg"},     {ui_->demographicsButton, ":/icons/demographics.svg"},
        {ui_->searchButton, ":/icons/search.svg"}, {ui_->printButton, ":/icons/print.svg"},
        {ui_->playButton, ":/icons/play.svg"},     {ui_->forwardButton, ":/icons/forward.svg"},
        {ui_->faxButton, ":/icons/fax.svg"},       {ui_->esignButton, ":/icons/esign.svg"},
        {ui_->goButton, ":/icons/go.svg"},         {ui_->renameButton, ":/icons/rename.svg"},
    };
    for (const ButtonImage& b : buttons) {
        b.button->SetImage(QString::fromLatin1(b.resource), {}, true);
        b.button->SetImageSize(QSize(16, 16));
        b.button->SetHoverTextColour(true);
    }
}

void CVelmoPropPage::FillProviderBox() {
    QComboBox* box = ui_->providerBox;
    Session().ClearCareProviders();
    {
        const QSignalBlocker block(box);
        box->clear();
    }
    WriteLog(kLog + QStringLiteral("Values cleared from controls..."));

    QStringList items{ProviderList::AllProvidersText()};
    state_.DictationFlag = Session().FromDictationFlag();
    const ProviderList::Derived derived =
        ProviderList::DeriveProviders(Session().PhysicianEntries(), Session().LoggedUserId());
    for (const ProviderList::Provider& provider : derived.providers) {
        Session().AppendCareProvider(provider.id, QString(), provider.name);
    }
    items += derived.displayTexts;
    {
        const QSignalBlocker block(box);
        box->addItems(items);
        box->setCurrentIndex(0);
    }

    if (!state_.DictationFlag.isEmpty() && !derived.preferredText.isEmpty()) {
        const int preferred = ProviderList::FindItemAfter(items, 0, derived.preferredText);
        if (preferred >= 0) {
            const QSignalBlocker block(box);
            box->setCurrentIndex(preferred);
        }
        OnSelchangeComboPhysician();
    } else if (box->count() > 0) {
        {
            const QSignalBlocker block(box);
            box->setCurrentIndex(0);
        }
        WriteLog(kLog + QStringLiteral("Value being displayed"));
        OnSelchangeComboPhysician();
    }
}

void CVelmoPropPage::SetDefaultDates() {
    const QDate today = QDate::currentDate();
    ui_->toDate->setDate(today);
    state_.LastQuery.to = QDateTime(today, QTime(0, 0));
    WriteLog(kLog + QStringLiteral("Present date, ") + today.toString(QStringLiteral("yyyy-MM-dd")));

    const QDate from = QDateTime::currentDateTime().addSecs(-kFromSecondsBack).date();
    ui_->fromDate->setDate(from);
    state_.LastQuery.from = QDateTime(from, QTime(0, 0));
    WriteLog(kLog + QStringLiteral("Previous date, ") + from.toString(QStringLiteral("yyyy-MM-dd")));
}

void CVelmoPropPage::PreselectProvider() {
    QComboBox* box = ui_->providerBox;
    const QSignalBlocker block(box);
    if (box->count() == 2) {
        box->removeItem(0);
        box->setCurrentIndex(0);
        return;
    }
    QStringList items;
    for (int i = 0; i < box->count(); ++i) {
        items.append(box->itemText(i));
    }
    QList<ProviderList::Provider> providers;
    const QStringList ids = Session().CareProviderIds();
    const QStringList names = Session().CareProviderNames();
    for (qsizetype i = 0; i < ids.size() && i < names.size(); ++i) {
        providers.append({ids.at(i), names.at(i)});
    }
    const int item = ProviderList::LoggedUserItem(items, providers, Session().LoggedUserId());
    if (item >= 0) {
        box->setCurrentIndex(item);
    }
}
