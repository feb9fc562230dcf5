#pragma once

#include <QLabel>

// Tracking tooltip owned by one control: plain text (no mnemonic processing), top-most, no
// margin above and below, never takes focus or input, so the control under it keeps working.
class TooltipWindow : public QLabel {
public:
    TooltipWindow(QWidget* owner, bool bordered);

    // Shows text with its top-left corner at globalPos, in the selection colours when
    // highlighted, else in the window colours.
    void ShowText(const QString& text, const QPoint& globalPos, const QFont& font, bool highlighted);
};
