#include "dialogs/customproperties/CDlgCustomProperties.h"

#include "dialogs/common/DialogButton.h"
#include "dialogs/customproperties/CDlgAddCustomProperty.h"
#include "dialogs/customproperties/CustomPropertyList.h"
#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "ui_CDlgCustomProperties.h"

#include <QFile>
#include <QTreeWidget>

namespace {

constexpr int kColumnWidth = 220;

QStringList Texts(const QTreeWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        texts.append(list->topLevelItem(i)->text(0));
    }
    return texts;
}

void Append(QTreeWidget* list, const QString& text) {
    list->addTopLevelItem(new QTreeWidgetItem(QStringList{text}));
}

int SelectedIndex(const QTreeWidget* list) {
    const QList<QTreeWidgetItem*> items = list->selectedItems();
    return items.isEmpty() ? -1 : list->indexOfTopLevelItem(items.first());
}

void Select(QTreeWidget* list, int index) {
    QTreeWidgetItem* item = list->topLevelItem(index);
    list->clearSelection();
    list->setCurrentItem(item);
    item->setSelected(true);
}

void MoveSelected(QTreeWidget* from, QTreeWidget* to) {
    const int index = SelectedIndex(from);
    if (index >= 0) {
        to->addTopLevelItem(from->takeTopLevelItem(index));
    }
}

void MoveAll(QTreeWidget* from, QTreeWidget* to) {
    while (from->topLevelItemCount() > 0) {
        to->addTopLevelItem(from->takeTopLevelItem(0));
    }
}

} // namespace

CDlgCustomProperties::CDlgCustomProperties(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CDlgCustomProperties>()) {
    ui_->setupUi(this);
    connect(ui_->addOneButton, &QPushButton::clicked, this, &CDlgCustomProperties::OnMoveRight);
    connect(ui_->removeOneButton, &QPushButton::clicked, this, &CDlgCustomProperties::OnMoveLeft);
    connect(ui_->addAllButton, &QPushButton::clicked, this, &CDlgCustomProperties::OnMoveAllRight);
    connect(ui_->removeAllButton, &QPushButton::clicked, this, &CDlgCustomProperties::OnMoveAllLeft);
    connect(ui_->upButton, &QPushButton::clicked, this, &CDlgCustomProperties::OnUp);
    connect(ui_->downButton, &QPushButton::clicked, this, &CDlgCustomProperties::OnDown);
    connect(ui_->newPropertyButton, &QPushButton::clicked, this, &CDlgCustomProperties::OnAddNew);
    connect(ui_->saveButton, &QPushButton::clicked, this, &CDlgCustomProperties::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &CDlgCustomProperties::reject);
    // Mouse and keyboard alike move the selection; the buttons follow it.
    connect(ui_->chosenList, &QTreeWidget::itemSelectionChanged, this,
            &CDlgCustomProperties::OnClickSelected);
}

CDlgCustomProperties::~CDlgCustomProperties() {
    QFile file(path_);
    if (file.exists()) {
        file.setPermissions(file.permissions() | QFileDevice::WriteOwner);
    }
    WriteLog(QStringLiteral("File, ") + path_ +
             (file.remove() ? QStringLiteral(" deleted") : QStringLiteral(" could not be deleted")));
}

QTreeWidget* CDlgCustomProperties::AvailableList() const {
    return ui_->availableList;
}

QTreeWidget* CDlgCustomProperties::SelectedList() const {
    return ui_->chosenList;
}

QStringList CDlgCustomProperties::Available() const {
    return Texts(ui_->availableList);
}

QStringList CDlgCustomProperties::Selected() const {
    return Texts(ui_->chosenList);
}

int CDlgCustomProperties::exec() {
    ui_->availableList->setColumnWidth(0, kColumnWidth);
    ui_->chosenList->setColumnWidth(0, kColumnWidth);
    const CustomPropertyList list = CustomPropertyList::Read(path_);
    for (const QString& name : list.available) {
        Append(ui_->availableList, name);
    }
    for (const QString& name : list.selected) {
        Append(ui_->chosenList, name);
    }
    SetUpDialogButton(ui_->upButton, QStringLiteral(":/icons/up.svg"));
    SetUpDialogButton(ui_->downButton, QStringLiteral(":/icons/down.svg"));
    SetUpDialogButton(ui_->newPropertyButton, QStringLiteral(":/icons/add.svg"));
    SetUpDialogButton(ui_->saveButton, kIconOk);
    SetUpDialogButton(ui_->cancelButton, kIconCancel);
    OnClickSelected();
    return QDialog::exec();
}

void CDlgCustomProperties::OnMoveRight() {
    MoveSelected(ui_->availableList, ui_->chosenList);
}

void CDlgCustomProperties::OnMoveLeft() {
    MoveSelected(ui_->chosenList, ui_->availableList);
}

void CDlgCustomProperties::OnMoveAllRight() {
    MoveAll(ui_->availableList, ui_->chosenList);
}

void CDlgCustomProperties::OnMoveAllLeft() {
    MoveAll(ui_->chosenList, ui_->availableList);
}

void CDlgCustomProperties::OnUp() {
    QTreeWidget* list = ui_->chosenList;
    const int index = SelectedIndex(list);
    if (index <= 0) {
        return;
    }
    const QString text = list->topLevelItem(index)->text(0);
    list->topLevelItem(index)->setText(0, list->topLevelItem(index - 1)->text(0));
    list->topLevelItem(index - 1)->setText(0, text);
    Select(list, index - 1);
    if (index - 1 == 0) {
        ui_->upButton->setEnabled(false);
    } else {
        ui_->downButton->setEnabled(true);
    }
}

void CDlgCustomProperties::OnDown() {
    QTreeWidget* list = ui_->chosenList;
    const int index = SelectedIndex(list);
    if (index < 0 || index + 1 >= list->topLevelItemCount()) {
        return;
    }
    const QString text = list->topLevelItem(index)->text(0);
    list->topLevelItem(index)->setText(0, list->topLevelItem(index + 1)->text(0));
    list->topLevelItem(index + 1)->setText(0, text);
    Select(list, index + 1);
    if (index + 1 == list->topLevelItemCount() - 1) {
        ui_->downButton->setEnabled(false);
    } else {
        ui_->upButton->setEnabled(true);
    }
}

void CDlgCustomProperties::OnClickSelected() {
    const int index = SelectedIndex(ui_->chosenList);
    const int last = ui_->chosenList->topLevelItemCount() - 1;
    if (index < 0) {
        ui_->upButton->setEnabled(false);
        ui_->downButton->setEnabled(false);
    } else if (index == 0) {
        ui_->upButton->setEnabled(false);
        ui_->downButton->setEnabled(true);
    } else if (index == last) {
        ui_->upButton->setEnabled(true);
        ui_->downButton->setEnabled(false);
    } else {
        ui_->upButton->setEnabled(true);
        ui_->downButton->setEnabled(true);
    }
}

void CDlgCustomProperties::OnAddNew() {
    CDlgAddCustomProperty add(this);
    if (add.exec() == QDialog::Accepted && add.SavedFlag() == 1) {
        QStringList names;
        CUtility::SplitString(add.Names(), QStringLiteral("~"), names);
        for (const QString& name : names) {
            Append(ui_->availableList, name);
        }
    }
}

void CDlgCustomProperties::accept() {
    QString keys;
    for (const QString& text : Selected()) {
        if (!text.trimmed().isEmpty()) {
            keys += text.trimmed() + QLatin1Char('~');
        }
    }
    keyList_ = keys;
    QDialog::accept();
}
