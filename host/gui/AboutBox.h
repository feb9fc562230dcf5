#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The control's About dialog: its icon, name and version, one more line, and OK.
class AboutBox final : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);

    QLabel* IconLabel() const { return icon_; }
    QLabel* VersionLine() const { return version_; }

private:
    QLabel* icon_ = nullptr;
    QLabel* version_ = nullptr;
    QLabel* second_ = nullptr;
    QPushButton* ok_ = nullptr;
};
