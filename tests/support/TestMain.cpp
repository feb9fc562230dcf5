// Shared main of every test executable: a QApplication (offscreen), a fresh profile folder
// under a temporary XDG_DATA_HOME (and settings folders beside it), zeroed waits and the
// Prompts double.
#include "host/core/Delays.h"
#include "tests/support/PromptsDouble.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir profile;
    qputenv("XDG_DATA_HOME", profile.path().toLocal8Bit());
    // The machine's and the user's settings files (velmo.conf) stay out of the tests.
    qputenv("XDG_CONFIG_HOME", (profile.path() + "/config").toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", (profile.path() + "/etc-xdg").toLocal8Bit());
    // The stand-in servers of this program share one local authority, made by the first of them;
    // the desk trusts it as a clinic's own.
    qputenv("VELMO_CA_FILE", (profile.path() + "/authority/ca.crt").toLocal8Bit());
    QApplication app(argc, argv);
    Delays::ZeroAll();
    Prompts::Install(&PromptsDouble::Current());
    const int rc = RUN_ALL_TESTS();
    Prompts::Install(nullptr);
    return rc;
}
