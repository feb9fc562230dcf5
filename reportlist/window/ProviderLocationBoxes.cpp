// The location box follows the provider box. (Each drop-down list widens itself to its
// widest entry when it opens: TooltipComboBox::showPopup.)
#include "reportlist/core/PhysicianLocationCache.h"
#include "reportlist/window/CVelmoPropPage.h"
#include "ui_CVelmoPropPage.h"

void CVelmoPropPage::OnSelchangeComboPhysician() {
    QStringList providerItems;
    providerItems.reserve(ui_->ctl209->count());
    for (int i = 0; i < ui_->ctl209->count(); ++i) {
        providerItems.append(ui_->ctl209->itemText(i));
    }
    const PhysicianLocationCache::LocationBox box = PhysicianLocationCache::LocationsForProvider(
        PhysicianLocationCache::CacheFilePath(), ui_->ctl209->currentText(), providerItems);

    QComboBox* locations = ui_->ctl211;
    const QSignalBlocker block(locations);
    locations->clear();
    locations->addItems(box.items);
    locations->setCurrentIndex(box.selected);
    emit CommandRouted(QStringLiteral("OnSelchangeComboPhysician"));
}

void CVelmoPropPage::SelectItemStartingWith(QComboBox* box, const QString& prefix) {
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemText(i).startsWith(prefix, Qt::CaseInsensitive)) {
            const QSignalBlocker block(box);
            box->setCurrentIndex(i);
            return;
        }
    }
}
