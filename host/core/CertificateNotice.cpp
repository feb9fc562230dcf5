#include "host/core/CertificateNotice.h"

#include "host/core/Prompts.h"

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
    // The message boxes reach the GUI thread themselves; a worker waits for the user as it does
    // for any other message, so the message comes before whatever the worker says next.
    Prompts::Error(kText);
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
