#include "dialogs/fax/CDlgFax.h"

#include "dialogs/addressbook/AddressBookEntry.h"
#include "dialogs/common/DialogButton.h"
#include "dialogs/fax/ContactBook.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/NameGate.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "transport/gui/CDlgPleaseWait.h"
#include "transport/scripts/ServerScripts.h"
#include "ui_CDlgFax.h"

#include <QFile>
#include <QIdentityProxyModel>

namespace {

constexpr int kReportListWidth = 625;
const QString kChecked = QStringLiteral("1");

// Gives the contact list's first column a check box whose state lives in the row's hidden
// "checked" cell, so a check stays with its contact when the list is sorted.
class CheckColumnModel final : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags f = QIdentityProxyModel::flags(index);
        return index.column() == 0 ? f | Qt::ItemIsUserCheckable : f;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::CheckStateRole && index.column() == 0) {
            const bool on = Source()->CellText(index.row(), CDlgFax::Checked) == kChecked;
            return on ? Qt::Checked : Qt::Unchecked;
        }
        return QIdentityProxyModel::data(index, role);
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (role == Qt::CheckStateRole && index.column() == 0) {
            const bool on = value.toInt() == Qt::Checked;
            Source()->SetCellText(index.row(), CDlgFax::Checked, on ? kChecked : QString());
            emit dataChanged(index, index, {Qt::CheckStateRole});
            return true;
        }
        return QIdentityProxyModel::setData(index, value, role);
    }

private:
    ReportListModel* Source() const { return static_cast<ReportListModel*>(sourceModel()); }
};

} // namespace

CDlgFax::CDlgFax(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::CDlgFax>()) {
    ui_->setupUi(this);
    auto* checks = new CheckColumnModel(this);
    checks->setSourceModel(ui_->contactList->Model());
    ui_->contactList->setModel(checks);
    ui_->reportList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ui_->contactList->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(ui_->refreshContactsButton, &QPushButton::clicked, this, &CDlgFax::OnRefreshContacts);
    connect(ui_->sendFaxButton, &QPushButton::clicked, this, &CDlgFax::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &CDlgFax::reject);
}

CDlgFax::~CDlgFax() = default;

void CDlgFax::SetSelectedReports(const QStringList& lines, const QStringList& owners) {
    lines_ = lines;
    owners_ = owners;
}

QString CDlgFax::AddressBookPath() const {
    // The user id comes from the host page: the path is built so that it stays in TempFolder.
    return NameGate::PathInside(CUtility::TempFolder(),
                                Session().LoggedUserId() + QStringLiteral("_addressbook"),
                                QStringLiteral(".txt"));
}

CReportListCtrl* CDlgFax::Reports() const {
    return ui_->reportList;
}

CReportListCtrl* CDlgFax::Contacts() const {
    return ui_->contactList;
}

ReportListModel* CDlgFax::ContactModel() const {
    return ui_->contactList->Model();
}

void CDlgFax::SetChecked(int row, bool checked) {
    ui_->contactList->model()->setData(ui_->contactList->model()->index(row, 0),
                                       checked ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

bool CDlgFax::IsChecked(int row) const {
    return ContactModel()->CellText(row, Checked) == kChecked;
}

int CDlgFax::exec() {
    Initialise();
    return QDialog::exec();
}

void CDlgFax::Initialise() {
    FillReports();
    ContactModel()->SetColumns({QStringLiteral("....."), QStringLiteral("Fax Number"),
                                QStringLiteral("Recipient Last Name"), QStringLiteral("Recipient First Name"),
                                QStringLiteral("Key"), QStringLiteral("Label"), QStringLiteral("Checked")},
                               {25, 200, 197, 197, 0, 0, 0});
    ApplyContactColumns();
    ui_->contactList->Sort(LastName, true);
    SetUpDialogButton(ui_->sendFaxButton, kIconOk);
    SetUpDialogButton(ui_->cancelButton, kIconCancel);
    SetUpDialogButton(ui_->refreshContactsButton, QStringLiteral(":/icons/refresh.svg"));
    OnRefreshContacts();
}

void CDlgFax::ApplyContactColumns() {
    // The check boxes sit on a view of the list's own rows, whose header lays its sections out
    // afresh when the columns change: the widths and the hidden columns are set after it.
    ui_->contactList->ApplyColumnWidths();
    for (const int hidden : {Key, Label, Checked}) {
        ui_->contactList->setColumnHidden(hidden, true);
    }
}

void CDlgFax::FillReports() {
    QList<QStringList> reports; // file name, first name, last name, report type
    for (const QString& line : lines_) {
        QStringList values;
        CUtility::SplitString(line, QStringLiteral("~"), values);
        reports.append(values);
    }
    // A column is shown when the first report has a value for it.
    const QStringList first = reports.value(0);
    const auto has = [&](int field) {
        return first.value(field).trimmed().compare(QStringLiteral("NA"), Qt::CaseInsensitive) != 0;
    };
    QStringList captions{QStringLiteral("....."), QStringLiteral("Selected Report(s)")};
    QList<int> fields{-1, 0};
    const struct {
        int field;
        const char* caption;
    } optional[] = {{2, "Last Name"}, {1, "First Name"}, {3, "Report Type"}};
    for (const auto& column : optional) {
        if (has(column.field)) {
            captions.append(QString::fromLatin1(column.caption));
            fields.append(column.field);
        }
    }
    QList<int> widths{2};
    const int width = kReportListWidth / static_cast<int>(captions.size() - 1);
    for (qsizetype c = 1; c < captions.size(); ++c) {
        widths.append(width);
    }
    ReportListModel* model = ui_->reportList->Model();
    model->SetColumns(captions, widths);
    for (const QStringList& values : reports) {
        QStringList cells{QString()};
        for (qsizetype c = 1; c < fields.size(); ++c) {
            cells.append(values.value(fields[c]));
        }
        model->AppendRow(cells);
    }
    ui_->reportList->Sort(2, true);
}

void CDlgFax::OnRefreshContacts() {
    const QString url = AddressBookRequest{Session().LoggedUserId()}.Address();
    WriteLog(QStringLiteral("OnFaxBook : Dpwnload address book URL :") + url);
    CDlgPleaseWait::DownloadList(url);
    const QString path = AddressBookPath();
    if (!CUtility::FileExists(path)) {
        WriteLog(QStringLiteral("OnFaxBook: Address book could not be downloaded..."));
        return;
    }
    int refused = 0;
    const QStringList lines = ContactBook::ReadLines(path, &refused);
    // Read once and gone: left behind, the book would be the last list a later failed download
    // falls back on.
    QFile::remove(path);
    if (Session().LastFileListName() == path) {
        Session().SetLastFileListName(QString());
    }
    if (refused > 0) {
        Prompts::Information(AddressBookEntry::RefusedContactsText(refused));
    }
    // Clearing the model puts the list back in file order; the refilled book keeps the sort
    // the list had (last name ascending unless the user clicked another header).
    const int sortColumn = ui_->contactList->SortedColumn();
    const bool ascending = ui_->contactList->SortedAscending();
    ContactModel()->ClearRows();
    if (lines.isEmpty()) {
        return;
    }
    ui_->contactList->setEnabled(true);
    for (const QString& line : lines) {
        const Contact contact = Contact::FromLine(line);
        ContactModel()->AppendRow({QString(), contact.FaxCell(),
                                   contact.fields >= Contact::kLastField ? contact.last : QString(),
                                   contact.fields >= Contact::kFirstField ? contact.first : QString(),
                                   contact.key, contact.label, QString()});
    }
    ui_->contactList->Sort(sortColumn, ascending);
}

void CDlgFax::accept() {
    const ReportListModel* reports = ui_->reportList->Model();
    QStringList documents;
    for (int row = 0; row < reports->rowCount(); ++row) {
        documents.append(reports->CellText(row, 1));
    }
    const QString documentText = documents.join(QLatin1Char(';'));
    const QString url = FaxQueueRequest::Address();
    WriteLog(QStringLiteral("CDlgFax::OnOK: URL for fax, ") + url);

    QStringList recipients;
    QStringList numbers;
    for (int row = 0; row < ContactModel()->rowCount(); ++row) {
        if (IsChecked(row)) {
            numbers.append(ContactModel()->CellText(row, FaxNumber).trimmed());
            // Key and label come from the row itself, so the sort order does not matter.
            recipients.append(ContactModel()->CellText(row, Key) + QLatin1Char('~') +
                              ContactModel()->CellText(row, Label) + QLatin1Char('~') +
                              ContactModel()->CellText(row, FaxNumber).trimmed());
        }
    }
    if (recipients.isEmpty()) {
        Prompts::Information(QStringLiteral("Please select a Recipient."));
        return;
    }
    Prompts::Box confirm;
    confirm.text = QStringLiteral("Please confirm if you want to send fax to the selected recipient(s)");
    confirm.buttons = Prompts::Ok | Prompts::Cancel;
    if (Prompts::Get().Show(confirm) != Prompts::Ok) {
        return;
    }
    const QString recipientText = recipients.join(QLatin1Char('|'));

    ScriptPost post(url);
    WriteLog(QStringLiteral("documents, ") + documentText);
    WriteLog(QStringLiteral("Recipients ") + recipientText);
    const ServerAnswer answer =
        FaxQueueRequest{recipientText, Session().LoggedUserId(), documentText}.Send(post);
    if (answer.sent) {
        const QString& response = answer.response;
        if (answer.Confirmed() || response.isEmpty()) {
            WriteLog(QStringLiteral("CDlgFax::OnOK: Response, ") + response);
            Prompts::Information(response.isEmpty()
                                     ? QStringLiteral("Documents failed to be queued successfully for faxing")
                                     : QStringLiteral("Documents queued successfully for faxing"));
            if (!response.isEmpty()) {
                queuedNote_ = QStringLiteral("Queued for faxing: ") + documents.join(QStringLiteral(", ")) +
                              QStringLiteral(" to ") + numbers.join(QStringLiteral(", "));
            }
        } else {
            Prompts::Information(response);
        }
    }
    QDialog::accept();
}
