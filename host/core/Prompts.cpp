#include "host/core/Prompts.h"

#include <atomic>
#include <cstdio>

namespace {

// Used before a GUI exists and by command-line tools: says the text on stderr and answers
// as a user who only acknowledges.
class ConsolePrompts final : public Prompts {
public:
    int Show(const Box& box) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(box.title), qPrintable(box.text));
        if (box.buttons & Ok) {
            return Ok;
        }
        return (box.buttons & Cancel) ? Cancel : No;
    }
    CredentialAnswer AskCredentials(const QString&, const QString&, bool, Credentials&) override {
        return CredentialAnswer::Cancel;
    }
};

ConsolePrompts& Fallback() {
    static ConsolePrompts fallback;
    return fallback;
}

std::atomic<Prompts*> installed{nullptr};

} // namespace

Prompts& Prompts::Get() {
    Prompts* p = installed.load();
    return p ? *p : Fallback();
}

void Prompts::Install(Prompts* p) {
    installed.store(p);
}

int Prompts::Information(const QString& text, const QString& title) {
    return Get().Show(Box{text, title, Icon::Information, Ok});
}

int Prompts::Error(const QString& text, const QString& title) {
    return Get().Show(Box{text, title, Icon::Error, Ok});
}

int Prompts::Plain(const QString& text, const QString& title) {
    return Get().Show(Box{text, title, Icon::None, Ok});
}
