#include "dialogs/addressbook/CDlgAddEntry.h"

#include "dialogs/addressbook/AddressBookEntry.h"
#include "dialogs/common/DialogButton.h"
#include "host/core/Prompts.h"
#include "ui_CDlgAddEntry.h"

CDlgAddEntry::CDlgAddEntry(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::CDlgAddEntry>()) {
    ui_->setupUi(this);
    connect(ui_->okButton, &QPushButton::clicked, this, &CDlgAddEntry::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &CDlgAddEntry::reject);
}

CDlgAddEntry::~CDlgAddEntry() = default;

void CDlgAddEntry::SetEntryText(const QString& text, int editFlag) {
    entryText_ = text;
    editFlag_ = editFlag;
}

int CDlgAddEntry::exec() {
    Initialise();
    return QDialog::exec();
}

void CDlgAddEntry::Initialise() {
    key_.clear();
    SetUpDialogButton(ui_->okButton, kIconOk);
    SetUpDialogButton(ui_->cancelButton, kIconCancel);
    if (editFlag_ == 1) {
        const QStringList pieces = AddressBookEntry::SplitLine(entryText_);
        QLineEdit* const edits[] = {ui_->companyEdit,  ui_->firstNameEdit, ui_->middleNameEdit,
                                    ui_->lastNameEdit, ui_->faxEdit,       ui_->emailEdit,
                                    ui_->phoneEdit};
        for (int i = 0; i < 7; ++i) {
            edits[i]->setText(pieces.value(i));
        }
        key_ = pieces.value(7).trimmed();
        editFlag_ = 0;
    }
}

void CDlgAddEntry::accept() {
    const QString company = ui_->companyEdit->text().trimmed();
    const QString first = ui_->firstNameEdit->text().trimmed();
    const QString middle = ui_->middleNameEdit->text().trimmed();
    const QString last = ui_->lastNameEdit->text().trimmed();
    const QString fax = ui_->faxEdit->text().trimmed();
    const QString email = ui_->emailEdit->text().trimmed();
    const QString phone = ui_->phoneEdit->text().trimmed();
    // The first missing required field is named and gets the focus; the dialog stays open.
    const struct {
        const QString& value;
        QLineEdit* edit;
        const char* message;
    } required[] = {{first, ui_->firstNameEdit, "Please enter First name."},
                    {last, ui_->lastNameEdit, "Please enter Last name."},
                    {fax, ui_->faxEdit, "Please enter Fax Number."},
                    {email, ui_->emailEdit, "Please enter EMail-ID."}};
    for (const auto& check : required) {
        if (check.value.isEmpty()) {
            Prompts::Information(QString::fromLatin1(check.message));
            check.edit->setFocus();
            return;
        }
    }
    entryText_ = AddressBookEntry::Build(key_, {company, first, middle, last, fax, email, phone});
    QDialog::accept();
}
