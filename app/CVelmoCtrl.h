#pragma once

#include <QWidget>

class CVelmoPropPage;
class QAction;
class QMenuBar;

// The control: the desk's top-level window. Its client area (below the menu bar) is covered
// exactly by its one report list window, created with it; the report list window is
// initialised once, after the control is first shown and the event loop runs.
class CVelmoCtrl final : public QWidget {
    Q_OBJECT
public:
    explicit CVelmoCtrl(QWidget* parent = nullptr);
    ~CVelmoCtrl() override;

    CVelmoPropPage* Page() const { return page_; }
    // The part of the window that belongs to the report list window.
    QRect ClientRect() const;

public slots:
    // Shows the modal About dialog.
    void AboutBox();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Layout();

    QMenuBar* menuBar_ = nullptr;
    QAction* aboutAction_ = nullptr;
    QAction* addressBookAction_ = nullptr;
    CVelmoPropPage* page_ = nullptr;
    bool initStarted_ = false;
};
