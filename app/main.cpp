// velmo: the desk. Takes the session from a host page and/or --param values, then shows the
// control (report list window) until the user closes it.
#include "app/CVelmoCtrl.h"
#include "desk/CVelmoPropPage.h"
#include "host/core/ControlProperties.h"
#include "host/core/Delays.h"
#include "host/core/DeskSettings.h"
#include "host/core/LaunchOptions.h"
#include "host/core/Registration.h"
#include "host/core/ServerGate.h"
#include "host/core/ServerTrust.h"
#include "host/core/SessionSettings.h"
#include "host/core/VelmoApp.h"
#include "host/gui/GuiPrompts.h"
#include "reportlist/core/SessionIds.h"

#include <QApplication>
#include <QPixmap>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

// How long --screenshot waits for the first list before giving up (a hung start-up must not
// hang a headless demo or CI job).
constexpr int kScreenshotTimeoutMs = 90000;

void SayError(const QString& text) {
    std::fprintf(stderr, "velmo: %s\n", qPrintable(text));
}

// --help, --version, --register and --unregister answer without a window. Answers the exit code,
// or nothing when the desk is to start.
std::optional<int> AnswerWithoutWindow(const LaunchOptions& options, int& argc, char** argv) {
    if (!options.error.isEmpty()) {
        SayError(options.error + QStringLiteral(" (see velmo --help)"));
        return 2;
    }
    if (options.help) {
        std::fputs(qPrintable(LaunchOptions::HelpText()), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(qPrintable(LaunchOptions::VersionText()), stdout);
        return 0;
    }
    if (!options.registerDesk && !options.unregisterDesk) {
        return std::nullopt;
    }
    const QCoreApplication app(argc, argv);
    const std::uint32_t result = options.registerDesk ? DllRegisterServer() : DllUnregisterServer();
    if (result != Registration::kOk) {
        SayError((options.registerDesk ? QStringLiteral("registration failed: ")
                                       : QStringLiteral("unregistration failed: ")) +
                 Registration::Describe(result));
        return 1;
    }
    return 0;
}

// Takes the session from the host page and --param values into Session(), through the server
// gates and the ids check. False (already said on stderr, and to the user where one is there)
// when the desk must not start.
bool TakeSession(const LaunchOptions& options, const DeskSettings& settings, bool headless) {
    // Where a link may point the desk: an administrator's list, or the user's word per server.
    const QStringList allowedServers = settings.AllowedServers();
    if (!ServerGate::AdmitPage(options.page, allowedServers)) {
        SayError(QStringLiteral("the host page's server is not allowed: ") + options.page);
        return false;
    }
    ControlProperties properties;
    QString loadError;
    if (!options.LoadProperties(properties, loadError)) {
        SayError(loadError);
        if (!headless) {
            Prompts::Error(QStringLiteral("The desk could not be started: ") + loadError);
        }
        return false;
    }
    ExchangeProperties(properties, Session());
    // The page's ids become file names and sections; a page with one the desk cannot trust ends here.
    if (const QString refusal = SessionIds::Refusal(Session()); !refusal.isEmpty()) {
        SayError(refusal);
        Prompts::Error(refusal);
        return false;
    }
    if (!ServerGate::Admit(Session().ServerURL(), allowedServers)) {
        SayError(QStringLiteral("the session's server was not admitted: ") + Session().ServerURL());
        return false;
    }
    return true;
}

// --screenshot: once the first list is in, grab the control to the PNG and end the run; a
// start-up that never finishes ends it with exit code 3.
void TakeScreenshotWhenLoaded(CVelmoCtrl& control, const QString& path) {
    auto taken = std::make_shared<bool>(false);
    QObject::connect(control.Page(), &CVelmoPropPage::StartupFinished, &control, [&control, path, taken] {
        if (*taken) {
            return;
        }
        *taken = true;
        // Let the last repaints of the loaded list through before grabbing.
        QTimer::singleShot(0, &control, [&control, path] {
            const QPixmap picture = control.grab();
            if (picture.isNull() || !picture.save(path, "PNG")) {
                SayError(QStringLiteral("cannot write the screenshot %1").arg(path));
                QCoreApplication::exit(1);
                return;
            }
            std::fprintf(stdout, "velmo: screenshot written to %s\n", qPrintable(path));
            QCoreApplication::exit(0);
        });
    });
    QTimer::singleShot(kScreenshotTimeoutMs, &control, [taken] {
        if (!*taken) {
            SayError(QStringLiteral("start-up did not finish within %1 s; no screenshot")
                         .arg(kScreenshotTimeoutMs / 1000));
            QCoreApplication::exit(3);
        }
    });
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    const LaunchOptions options = LaunchOptions::Parse(arguments);
    if (const auto answered = AnswerWithoutWindow(options, argc, argv)) {
        return *answered;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmo"));
    // What the toolkit's start-up left in errno is not the desk's error.
    errno = 0;
    const DeskSettings settings;
    VelmoApp::InitInstance(settings.LogRetentionDays());
    // Before the host page is fetched: it too comes only from a server whose certificate holds.
    ServerTrust::Configure(
        ServerTrust::ChooseCaFile(options.caFile, qEnvironmentVariable("VELMO_CA_FILE"), settings.CaFile()));

    // A headless run (--screenshot) must never wait for a click: its messages go to stderr
    // through the console prompts and are answered as an acknowledging user would.
    const bool headless = !options.screenshot.isEmpty();
    GuiPrompts guiPrompts;
    if (!headless) {
        Prompts::Install(&guiPrompts);
    }
    // Before anything waits: the desk runs lean unless this workstation's server needs pacing
    // (the option, or FixedWaits=true in the settings file).
    Delays::UseFixedWaits(options.fixedWaits || settings.FixedWaits());
    if (!TakeSession(options, settings, headless)) {
        Prompts::Install(nullptr);
        return 1;
    }

    int exitCode = 0;
    {
        CVelmoCtrl control;
        control.resize(options.size);
        if (headless) {
            TakeScreenshotWhenLoaded(control, options.screenshot);
        }
        control.show();
        exitCode = QApplication::exec();
    }
    Prompts::Install(nullptr);
    return exitCode;
}
