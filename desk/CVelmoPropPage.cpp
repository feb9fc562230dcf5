#include "desk/CVelmoPropPage.h"

#include "desk/SearchBar.h"
#include "desk/StatusLine.h"
#include "host/core/CertificateNotice.h"
#include "reportlist/listctrl/CReportListCtrl.h"
#include "ui_CVelmoPropPage.h"
#include "widgets/IconButton.h"

#include <QIcon>
#include <QPainter>

namespace {

const QColor kBackground(248, 248, 248);

} // namespace

CVelmoPropPage::CVelmoPropPage(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CVelmoPropPage>()) {
    ui_->setupUi(this);
    setObjectName(QStringLiteral("CVelmoPropPage"));
    // A child of the control, not a window of its own.
    setWindowFlags(parent ? Qt::Widget : Qt::Window);
    SetupControls();
    ConnectCommands();
    // Each command is a new action: its first request refused for the server's certificate tells
    // the user again, its further ones do not.
    connect(this, &CVelmoPropPage::CommandRouted, this, [] { CertificateNotice::BeginAction(); });
}

CReportListCtrl* CVelmoPropPage::List() const {
    return ui_->reportList;
}

void CVelmoPropPage::SetupControls() {
    struct LabelImage {
        QLabel* label;
        const char* resource;
    };
    const LabelImage labels[] = {
        {ui_->lblProviderImage, ":/icons/label-provider.svg"},
        {ui_->lblLocationImage, ":/icons/label-location.svg"},
        {ui_->lblFromImage, ":/icons/label-from.svg"},
        {ui_->lblToImage, ":/icons/label-to.svg"},
        {ui_->lblReportTypeImage, ":/icons/label-reporttype.svg"},
    };
    for (const LabelImage& l : labels) {
        l.label->setPixmap(QIcon(QString::fromLatin1(l.resource)).pixmap(QSize(16, 16)));
    }
    // A mnemonic underline splits the text into runs that are drawn without kerning, so the
    // label needs a little more room than it measures.
    for (QLabel* label : {ui_->lblProvider, ui_->lblLocation, ui_->lblFrom, ui_->lblTo, ui_->lblReportType}) {
        label->setMinimumWidth(label->sizeHint().width() + label->fontMetrics().averageCharWidth());
    }
    ui_->documentBusyPicture->setPixmap(QIcon(QStringLiteral(":/icons/busy.svg")).pixmap(QSize(16, 16)));
    ui_->signPrintBusyPicture->setPixmap(QIcon(QStringLiteral(":/icons/busy.svg")).pixmap(QSize(16, 16)));

    // Hidden status pictures keep their room so the list does not jump when one is shown.
    for (QWidget* w :
         {static_cast<QWidget*>(ui_->documentBusyPicture), static_cast<QWidget*>(ui_->signPrintBusyPicture),
          static_cast<QWidget*>(ui_->pleaseWaitLabel)}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
    }

    // Enter in a filter runs the query.
    ui_->goButton->setDefault(true);

    searchBar_ = new SearchBar(this);
    ui_->pageLayout->insertWidget(ui_->pageLayout->indexOf(ui_->reportList), searchBar_);
    connect(searchBar_, &SearchBar::BackRequested, this, &CVelmoPropPage::OnButtonViewlist);
    statusLine_ = new StatusLine(this);
    ui_->statusRow->addWidget(statusLine_, 1);
    setTabOrder(ui_->goButton, searchBar_->BackButton());
    setTabOrder(searchBar_->BackButton(), ui_->reportList);

    // (Enter on a row and the context-menu key are the list's own: it reports them as a
    // double click and a context-menu request.)

    noResultTimer_.setObjectName(QStringLiteral("timer%1").arg(kNoResultTimerId));
    connect(&noResultTimer_, &QTimer::timeout, this, &CVelmoPropPage::OnTimer);
}

void CVelmoPropPage::paintEvent(QPaintEvent* event) {
    Q_UNUSED(event);
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
}

void CVelmoPropPage::reject() {}
