#include "documents/demographics/CDlgEditDemographics.h"

#include "host/core/ActivityLog.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "ui_CDlgEditDemographics.h"

#include <QBrush>
#include <QEvent>
#include <QHeaderView>
#include <QPalette>
#include <QPixmap>

namespace {

enum Column { Marker = 0, Name = 1, Value = 2, OpenedValue = 3, Spare = 4 };

QString Blank(const QString& value) {
    return value.isEmpty() ? QStringLiteral(" ") : value;
}

bool IsFixedField(const QString& name) {
    for (const char* fixed : {"filename", "uploaded date/time", "transcribed date/time"}) {
        if (name.trimmed().compare(QLatin1String(fixed), Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

CDlgEditDemographics::CDlgEditDemographics(const QStringList& names, const QStringList& values,
                                           const QString& report, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CDlgEditDemographics>()), report_(report) {
    ui_->setupUi(this);
    QTableWidget* list = ui_->fieldTable;
    list->setColumnWidth(Marker, 20);
    list->setColumnWidth(Name, 140);
    list->setColumnWidth(Value, 140);
    list->setColumnHidden(OpenedValue, true);
    list->setColumnHidden(Spare, true);
    list->horizontalHeader()->setEnabled(false);
    // The list background picture of the system folder, tiled, as the other lists have it.
    if (const QPixmap picture(Session().SystemFolder() + QStringLiteral("/BkImage.bmp")); !picture.isNull()) {
        QPalette palette = list->palette();
        palette.setBrush(QPalette::Base, QBrush(picture));
        list->setPalette(palette);
    }

    // Fields with a value first, then the empty ones, each group in field order.
    QList<int> order;
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < names.size(); ++i) {
            const bool empty = i >= values.size() || values.at(i).isEmpty();
            if (empty == (pass == 1)) {
                order.append(i);
            }
        }
    }
    list->setRowCount(static_cast<int>(order.size()));
    for (int row = 0; row < order.size(); ++row) {
        const int i = order.at(row);
        const QString value = Blank(i < values.size() ? values.at(i) : QString());
        list->setItem(row, Marker, new QTableWidgetItem());
        list->setItem(row, Name, new QTableWidgetItem(names.at(i)));
        list->setItem(row, Value, new QTableWidgetItem(value));
        list->setItem(row, OpenedValue, new QTableWidgetItem(value));
        list->setItem(row, Spare, new QTableWidgetItem());
    }

    ui_->valueEdit->hide();
    ui_->setValueButton->hide();
    list->viewport()->installEventFilter(this);
    connect(ui_->setValueButton, &QPushButton::clicked, this, &CDlgEditDemographics::OnSetValue);
    connect(ui_->okButton, &QPushButton::clicked, this, &CDlgEditDemographics::OnSetDemographics);
    connect(ui_->discardButton, &QPushButton::clicked, this, &QDialog::reject);
    // Keyboard users take a row up with Enter.
    connect(list, &QTableWidget::itemActivated, this, &CDlgEditDemographics::OnClickListCp);
}

CDlgEditDemographics::~CDlgEditDemographics() = default;

bool CDlgEditDemographics::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->fieldTable->viewport() && event->type() == QEvent::MouseButtonRelease) {
        OnClickListCp();
    }
    return QDialog::eventFilter(watched, event);
}

void CDlgEditDemographics::OnClickListCp() {
    QTableWidget* list = ui_->fieldTable;
    const QList<QTableWidgetItem*> selected = list->selectedItems();
    if (selected.isEmpty()) {
        Prompts::Information(QStringLiteral("Click on a particular row to edit "));
        return;
    }
    const int row = selected.first()->row();
    const QString value = Blank(list->item(row, Value)->text());
    ui_->valueEdit->show();
    ui_->setValueButton->show();
    ui_->valueEdit->setText(value);
    WriteLog(QStringLiteral("OnClickListCp: CP Value, ") + value);
}

void CDlgEditDemographics::OnSetValue() {
    QTableWidget* list = ui_->fieldTable;
    const QList<QTableWidgetItem*> selected = list->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    const int row = selected.first()->row();
    if (IsFixedField(list->item(row, Name)->text())) {
        Prompts::Information(QStringLiteral("Cannot change the contents of the field."));
        return;
    }
    list->item(row, Value)->setText(ui_->valueEdit->text());
}

void CDlgEditDemographics::OnSetDemographics() {
    QTableWidget* list = ui_->fieldTable;
    changed_.clear();
    for (int row = 0; row < list->rowCount(); ++row) {
        const QString name = list->item(row, Name)->text();
        if (name.isEmpty()) {
            break;
        }
        const QString value = list->item(row, Value)->text().trimmed();
        if (value != list->item(row, OpenedValue)->text().trimmed()) {
            changed_.append({name, Blank(value)});
        }
    }
    accept();
}
