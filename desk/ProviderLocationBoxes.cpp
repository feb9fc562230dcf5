// The location box follows the provider box. (Each drop-down list widens itself to its
// widest entry when it opens: TooltipComboBox::showPopup.)
#include "desk/CVelmoPropPage.h"
#include "reportlist/core/PhysicianLocationCache.h"
#include "ui_CVelmoPropPage.h"

void CVelmoPropPage::OnSelchangeComboPhysician() {
    QStringList providerItems;
    providerItems.reserve(ui_->providerBox->count());
    for (int i = 0; i < ui_->providerBox->count(); ++i) {
        providerItems.append(ui_->providerBox->itemText(i));
    }
    const PhysicianLocationCache::LocationBox box = PhysicianLocationCache::LocationsForProvider(
        PhysicianLocationCache::CacheFilePath(), ui_->providerBox->currentText(), providerItems);

    QComboBox* locations = ui_->locationBox;
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
