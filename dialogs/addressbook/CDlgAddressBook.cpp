#include "dialogs/addressbook/CDlgAddressBook.h"

#include "dialogs/addressbook/AddressBook.h"
#include "dialogs/addressbook/AddressBookEntry.h"
#include "dialogs/addressbook/CDlgAddEntry.h"
#include "dialogs/common/DialogButton.h"
#include "dialogs/common/ListRows.h"
#include "host/core/ActivityLog.h"
#include "host/core/AnswerLines.h"
#include "host/core/Prompts.h"
#include "transport/gui/CDlgPleaseWait.h"
#include "transport/scripts/ServerAnswer.h"
#include "ui_CDlgAddressBook.h"

#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>

namespace {

constexpr int kKeyColumn = 1;
constexpr int kCompanyColumn = 2;
constexpr int kFirstNameColumn = 3;
constexpr int kLastNameColumn = 5;
constexpr int kPhoneColumn = 8;

} // namespace

CDlgAddressBook::CDlgAddressBook(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CDlgAddressBook>()) {
    ui_->setupUi(this);
    connect(ui_->addButton, &QPushButton::clicked, this, &CDlgAddressBook::OnPopAdd);
    connect(ui_->editButton, &QPushButton::clicked, this, &CDlgAddressBook::OnPopEdit);
    connect(ui_->deleteButton, &QPushButton::clicked, this, &CDlgAddressBook::OnPopDelete);
    connect(ui_->closeButton, &QPushButton::clicked, this, &CDlgAddressBook::reject);
    // A double click edits its row (closing the book on it would throw the user out of the book
    // they were working in); Enter closes the book, as "Close" does (see eventFilter).
    connect(ui_->entryList, &CReportListCtrl::RowDoubleClicked, this, &CDlgAddressBook::OnPopEdit);
    connect(ui_->entryList, &CReportListCtrl::ContextMenuRequestedAt, this, [this](const QPoint& at) {
        const std::unique_ptr<QMenu> menu = BuildContextMenu();
        menu->exec(at);
    });
    ui_->entryList->installEventFilter(this);
}

CDlgAddressBook::~CDlgAddressBook() {
    QFile file(path_);
    if (file.exists()) {
        file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
    }
    WriteLog(file.remove() ? QStringLiteral("OnDestroy: Deleted address book")
                           : QStringLiteral("OnDestroy: Address book could not be deleted"));
}

ReportListModel* CDlgAddressBook::Model() const {
    return ui_->entryList->Model();
}

int CDlgAddressBook::exec() {
    Initialise();
    return QDialog::exec();
}

void CDlgAddressBook::Initialise() {
    ShowWait(false);
    SetUpDialogButton(ui_->addButton, QStringLiteral(":/icons/refresh.svg"));
    SetUpDialogButton(ui_->editButton, QStringLiteral(":/icons/edit.svg"));
    SetUpDialogButton(ui_->deleteButton, QStringLiteral(":/icons/delete.svg"));
    SetUpDialogButton(ui_->closeButton, kIconCancel);
    SetUpDialogButton(ui_->okButton, kIconOk);
    Model()->SetColumns({QString(), QStringLiteral("Key"), QStringLiteral("Company"),
                         QStringLiteral("Firstname"), QStringLiteral("Middlename"),
                         QStringLiteral("Lastname"), QStringLiteral("Fax"), QStringLiteral("E-Mail"),
                         QStringLiteral("Telephone")},
                        {10, 0, 100, 80, 80, 80, 80, 150, 0});
    // The key and the telephone travel with their rows but are not shown.
    ui_->entryList->setColumnHidden(kKeyColumn, true);
    ui_->entryList->setColumnHidden(kPhoneColumn, true);
    ReadFile();
}

void CDlgAddressBook::ReadFile() {
    QFile file(path_);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    // Every line is a row, an empty one too; field k goes to column k.
    int refused = 0;
    AnswerLines in(file, QStringLiteral("Address book"));
    QByteArray bytes;
    for (qsizetype lines = 0; lines < kMaxLines && in.Next(bytes); ++lines) {
        const QString line = QString::fromUtf8(bytes);
        const QStringList fields = AddressBookEntry::SplitLine(line);
        if (!AddressBookEntry::KeyAccepted(fields, lines + 1)) {
            ++refused;
            continue;
        }
        QStringList cells{QStringLiteral(" ")};
        cells += fields.mid(0, AddressBookEntry::kFields);
        Model()->AppendRow(cells);
    }
    if (refused > 0) {
        Prompts::Information(AddressBookEntry::RefusedContactsText(refused));
    }
}

void CDlgAddressBook::Reload() {
    const QString path = CDlgPleaseWait::DownloadList(AddressBook::BookUrl(), this);
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        WriteLog(QStringLiteral("OnPopAddressbook: Address book could not be downloaded..."));
        return;
    }
    if (path != path_) {
        QFile::remove(path_);
        path_ = path;
    }
    Model()->ClearRows();
    ReadFile();
}

bool CDlgAddressBook::ConfirmDelete(int row) {
    QStringList name;
    for (const int column : {kFirstNameColumn, kLastNameColumn}) {
        if (!Model()->CellText(row, column).trimmed().isEmpty()) {
            name.append(Model()->CellText(row, column).trimmed());
        }
    }
    const QString who = name.isEmpty() ? Model()->CellText(row, kCompanyColumn).trimmed() : name.join(u' ');
    return Prompts::Get().Show({QStringLiteral("Delete ") + who + QStringLiteral(" from the address book?"),
                                QStringLiteral("Molve"), Prompts::Icon::Question,
                                Prompts::Yes | Prompts::No}) == Prompts::Yes;
}

std::unique_ptr<QMenu> CDlgAddressBook::BuildContextMenu() {
    auto menu = std::make_unique<QMenu>(this);
    menu->setAccessibleName(QStringLiteral("Address Book"));
    QAction* insert = menu->addAction(QStringLiteral("&Insert"));
    insert->setEnabled(false);
    menu->addAction(QStringLiteral("&Add"), this, &CDlgAddressBook::OnPopAdd);
    menu->addAction(QStringLiteral("&Edit"), this, &CDlgAddressBook::OnPopEdit);
    menu->addAction(QStringLiteral("&Delete"), this, &CDlgAddressBook::OnPopDelete);
    return menu;
}

bool CDlgAddressBook::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->entryList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            reject();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CDlgAddressBook::ShowWait(bool shown) {
    ui_->updatingLabel->setVisible(shown);
    if (shown) {
        ui_->updatingLabel->repaint();
    }
}

int CDlgAddressBook::SelectedRow() const {
    return ui_->entryList->FirstSelectedRow();
}

bool CDlgAddressBook::SendUpdate(const QString& url, const QString& operation, const Prompts::Box& success,
                                 const QString& failure) {
    ShowWait(true); // only while the request runs
    const ServerAnswer answer = GetShortAnswer(url, false);
    ShowWait(false);
    if (!answer.opened) {
        return false;
    }
    WriteLog(operation + QStringLiteral(": Response, ") + answer.response);
    if (!answer.Confirmed()) {
        Prompts::Plain(failure);
        return false;
    }
    Prompts::Get().Show(success);
    return true;
}

void CDlgAddressBook::RunEntryDialog(const QString& text, int mode, const QString& operation,
                                     const Prompts::Box& success, const QString& failure) {
    CDlgAddEntry entry(this);
    entry.SetEntryText(text, mode);
    if (entry.exec() == QDialog::Accepted &&
        SendUpdate(AddressBookEntry::UpdateUrl(entry.EntryText(), false), operation, success, failure)) {
        Reload();
    }
}

void CDlgAddressBook::OnPopAdd() {
    RunEntryDialog({}, 0, QStringLiteral("OnPopAdd"), {QStringLiteral("Entry added successfully.")},
                   QStringLiteral("Entry could not be added successfully."));
}

void CDlgAddressBook::OnPopEdit() {
    const int row = SelectedRow();
    if (row < 0) {
        return;
    }
    QStringList fields;
    for (int column = kKeyColumn; column <= kPhoneColumn; ++column) {
        fields.append(Model()->CellText(row, column));
    }
    RunEntryDialog(AddressBookEntry::TextForEdit(fields), 1, QStringLiteral("OnPopEdit"),
                   {QStringLiteral("Entry edited successfully"), QStringLiteral("Quillet")},
                   QStringLiteral("Entry could not be edited successfully."));
}

void CDlgAddressBook::OnPopDelete() {
    const int row = SelectedRow();
    if (row < 0) {
        return;
    }
    if (!ConfirmDelete(row)) {
        return;
    }
    if (SendUpdate(AddressBookEntry::UpdateUrl(Model()->CellText(row, kKeyColumn), true),
                   QStringLiteral("OnPopDelete"), {QStringLiteral("Entry deleted successfully.")},
                   QStringLiteral("Entry could not be deleted successfully"))) {
        RemoveListRow(Model(), row);
    }
}
