#include "reportlist/window/CVelmoPropPage.h"

CVelmoPropPage::CVelmoPropPage(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CVelmoPropPage"));
}

void CVelmoPropPage::OnInitDialog() {
    emit StartupFinished();
}
