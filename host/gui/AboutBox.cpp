#include "host/gui/AboutBox.h"

#include "host/core/ControlIdentity.h"
#include "host/gui/DeskIcon.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About Velmo Control"));
    setWindowIcon(DeskIcon());
    setModal(true);

    icon_ = new QLabel(this);
    icon_->setObjectName(QStringLiteral("iconLabel"));
    icon_->setPixmap(DeskIcon().pixmap(32, 32));
    icon_->setAccessibleName(QStringLiteral("Velmo Control icon"));

    version_ = new QLabel(QStringLiteral("Molve, Version ") + ControlIdentity::kVersion, this);
    version_->setObjectName(QStringLiteral("versionLabel"));
    version_->setAccessibleName(version_->text());

    second_ = new QLabel(QStringLiteral("Medical transcription report desk"), this);
    second_->setObjectName(QStringLiteral("secondLine"));
    second_->setAccessibleName(second_->text());

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("okButton"));
    ok_->setAccessibleName(QStringLiteral("OK"));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(16);
    grid->addWidget(icon_, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(version_, 0, 1);
    grid->addWidget(second_, 1, 1);
    grid->addWidget(ok_, 0, 2, Qt::AlignTop);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}
