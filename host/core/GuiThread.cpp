#include "host/core/GuiThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

void RunOnGuiThread(const std::function<void()>& fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(app, fn, Qt::BlockingQueuedConnection);
}
