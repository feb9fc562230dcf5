#pragma once

#include "widgets/IconButton.h"

#include <QSize>
#include <QString>

// Every OK, Cancel and action button of the dialogs looks the same: the icon, its grey copy
// while the pointer is elsewhere, a frame, and a blue caption on hover.
inline void SetUpDialogButton(IconButton* button, const QString& resource) {
    button->SetImage(resource, {}, true);
    button->SetImageSize(QSize(16, 16));
    button->SetFlatLook(false);
    button->SetHoverTextColour(true);
}

// Icons of the dialogs' buttons.
inline const QString kIconOk = QStringLiteral(":/icons/ok.svg");         // OK, Search
inline const QString kIconCancel = QStringLiteral(":/icons/cancel.svg"); // Cancel, Close
inline const QString kIconView = QStringLiteral(":/icons/view.svg");     // View Document
