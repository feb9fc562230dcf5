#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>

// Runs act on the first visible top-level T once it shows: a modal dialog's exec() returns to
// the test only when the dialog has closed. Declare it before the code that opens the dialog.
template <class T> class WhenShown {
public:
    explicit WhenShown(std::function<void(T&)> act) : act_(std::move(act)) {
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (T* dialog = qobject_cast<T*>(w); dialog != nullptr && dialog->isVisible()) {
                    poll_.stop();
                    ++runs_;
                    act_(*dialog);
                    return;
                }
            }
        });
        poll_.start(5);
    }
    int Runs() const { return runs_; }

private:
    std::function<void(T&)> act_;
    QTimer poll_;
    int runs_ = 0;
};
