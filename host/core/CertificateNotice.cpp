#include "host/core/CertificateNotice.h"

#include "host/core/Prompts.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>

namespace CertificateNotice {
namespace {

std::atomic<unsigned> currentAction{1};
std::atomic<unsigned> shownForAction{0};
thread_local bool lastRefused = false;

} // namespace

void Refused() {
    lastRefused = true;
    const unsigned action = currentAction.load();
    if (shownForAction.exchange(action) == action) {
        return;
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) {
        Prompts::Error(kText);
        return;
    }
    // A worker does not wait for the user: its request has failed either way.
    QMetaObject::invokeMethod(
        app, [] { Prompts::Error(kText); }, Qt::QueuedConnection);
}

void BeginAction() {
    currentAction.fetch_add(1);
}

bool LastRequestRefused() {
    return lastRefused;
}

void RequestStarted() {
    lastRefused = false;
}

} // namespace CertificateNotice
