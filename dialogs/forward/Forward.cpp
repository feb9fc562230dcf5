#include "dialogs/forward/Forward.h"

#include "host/core/Prompts.h"

void Forward::Run() {
    Prompts::Information(QStringLiteral("This feature is currently under development."));
}
