#include "dialogs/addressbook/CDlgAddEntry.h"

#include "dialogs/addressbook/AddressBookEntry.h"
#include "dialogs/common/DialogButton.h"
#include "host/core/Prompts.h"
#include "ui_CDlgAddEntry.h"

CDlgAddEntry::CDlgAddEntry(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::CDlgAddEntry>()) {
    ui_->setupUi(this);
    connect(ui_->ctl1, &QPushButton::clicked, this, &CDlgAddEntry::accept);
    connect(ui_->ctl2, &QPushButton::clicked, this, &CDlgAddEntry::reject);
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
    SetUpDialogButton(ui_->ctl1, kIconOk);
    SetUpDialogButton(ui_->ctl2, kIconCancel);
    if (editFlag_ == 1) {
        const QStringList pieces = AddressBookEntry::SplitLine(entryText_);
        QLineEdit* const edits[] = {ui_->ctl286, ui_->ctl240, ui_->ctl231, ui_->ctl230,
                                    ui_->ctl249, ui_->ctl234, ui_->ctl235};
        for (int i = 0; i < 7; ++i) {
            edits[i]->setText(pieces.value(i));
        }
        key_ = pieces.value(7).trimmed();
        editFlag_ = 0;
    }
}

void CDlgAddEntry::accept() {
    const QString company = ui_->ctl286->text().trimmed();
    const QString first = ui_->ctl240->text().trimmed();
    const QString middle = ui_->ctl231->text().trimmed();
    const QString last = ui_->ctl230->text().trimmed();
    const QString fax = ui_->ctl249->text().trimmed();
    const QString email = ui_->ctl234->text().trimmed();
    const QString phone = ui_->ctl235->text().trimmed();
    // The first missing required field is named and gets the focus; the dialog stays open.
    const struct {
        const QString& value;
        QLineEdit* edit;
        const char* message;
    } required[] = {{first, ui_->ctl240, "Please enter First name."},
                    {last, ui_->ctl230, "Please enter Last name."},
                    {fax, ui_->ctl249, "Please enter Fax Number."},
                    {email, ui_->ctl234, "Please enter EMail-ID."}};
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
