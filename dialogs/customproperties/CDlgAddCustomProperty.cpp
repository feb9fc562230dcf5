#include "dialogs/customproperties/CDlgAddCustomProperty.h"

#include "dialogs/common/DialogButton.h"
#include "dialogs/common/ListRows.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "transport/scripts/ServerScripts.h"
#include "ui_CDlgAddCustomProperty.h"

CDlgAddCustomProperty::CDlgAddCustomProperty(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CDlgAddCustomProperty>()) {
    ui_->setupUi(this);
    connect(ui_->addButton, &QPushButton::clicked, this, &CDlgAddCustomProperty::OnAdd);
    connect(ui_->removeButton, &QPushButton::clicked, this, &CDlgAddCustomProperty::OnRemove);
    connect(ui_->saveButton, &QPushButton::clicked, this, &CDlgAddCustomProperty::OnSave);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &CDlgAddCustomProperty::reject);
}

CDlgAddCustomProperty::~CDlgAddCustomProperty() = default;

ReportListModel* CDlgAddCustomProperty::Model() const {
    return ui_->propertyList->Model();
}

int CDlgAddCustomProperty::exec() {
    Model()->SetColumns({QStringLiteral("Custom Property")}, {300});
    SetUpDialogButton(ui_->addButton, QStringLiteral(":/icons/add.svg"));
    SetUpDialogButton(ui_->removeButton, QStringLiteral(":/icons/delete.svg"));
    SetUpDialogButton(ui_->saveButton, kIconOk);
    SetUpDialogButton(ui_->cancelButton, kIconCancel);
    names_.clear();
    savedFlag_ = 1;
    return QDialog::exec();
}

void CDlgAddCustomProperty::OnAdd() {
    const QString name = ui_->propertyNameEdit->text().trimmed();
    if (name.isEmpty()) {
        Prompts::Information(QStringLiteral("Blank entries cannot be inserted."));
        return;
    }
    // As the list's own search does: an entry that begins with the name counts as present.
    for (int row = 0; row < Model()->rowCount(); ++row) {
        if (Model()->CellText(row, 0).startsWith(name, Qt::CaseInsensitive)) {
            Prompts::Information(name + QStringLiteral(" already present."));
            return;
        }
    }
    Model()->AppendRow({name});
}

void CDlgAddCustomProperty::OnRemove() {
    const int row = ui_->propertyList->FirstSelectedRow();
    if (row < 0) {
        Prompts::Information(QStringLiteral("Click on a particular row to edit."));
        return;
    }
    RemoveListRow(Model(), row);
}

void CDlgAddCustomProperty::OnSave() {
    QString names;
    for (int row = 0; row < Model()->rowCount(); ++row) {
        names += Model()->CellText(row, 0) + QLatin1Char('~');
    }
    names_ = names;
    ScriptPost post(CustomPropertyAddRequest::Address());
    const ServerAnswer answer =
        CustomPropertyAddRequest{CUtility::CredentialScramble(Session().LoggedUserId().toUtf8(), true), names}
            .Send(post);
    if (answer.sent) {
        WriteLog(QStringLiteral("CDlgForward::OnOK: Response, ") + answer.response);
        if (answer.Confirmed()) {
            Prompts::Information(QStringLiteral("CP's successfully added."));
            savedFlag_ = 1;
        } else {
            Prompts::Plain(QStringLiteral("CP's could not be added successfully."));
            savedFlag_ = 0;
        }
    }
    accept();
}
