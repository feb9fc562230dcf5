#include "host/core/Shell.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStandardPaths>

#include <atomic>
#include <mutex>
#include <vector>

namespace {

// Processes whose handles were dropped while they still ran. QProcess kills its program when
// it is destroyed, so the object is kept until the program ends by itself.
class OrphanKeeper {
public:
    void Keep(std::shared_ptr<QProcess> process) {
        const std::lock_guard<std::mutex> lock(mutex_);
        std::erase_if(kept_,
                      [](const std::shared_ptr<QProcess>& p) { return p->state() == QProcess::NotRunning; });
        kept_.push_back(std::move(process));
    }

private:
    std::mutex mutex_;
    std::vector<std::shared_ptr<QProcess>> kept_;
};

OrphanKeeper& Keeper() {
    static auto* keeper = new OrphanKeeper; // never destroyed: programs may outlive the desk
    return *keeper;
}

// xdg-open without a desktop environment runs the program it finds and ends only with it, so an
// end long after the start is that program's own; a refusal ("no method available") comes at once.
constexpr qint64 kOpenerVerdictMs = 30000;

// Started with its output to nowhere: a program that outlives the desk must not hold the desk's
// output open (a caller reading it, a terminal or a test runner, would wait for the program too).
void Silence(QProcess& process) {
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
}

class DesktopShell final : public Shell {
public:
    bool Open(const QString& fileOrUrl) override {
        return StartDetached(QStringLiteral("xdg-open"), {fileOrUrl});
    }
    bool OpenWatched(const QString& fileOrUrl, const std::function<void()>& refused) override {
        auto process = std::make_shared<QProcess>();
        process->setProgram(QStringLiteral("xdg-open"));
        process->setArguments({fileOrUrl});
        Silence(*process);
        QElapsedTimer clock;
        clock.start();
        QObject::connect(process.get(), &QProcess::finished, process.get(),
                         [refused, clock](int code, QProcess::ExitStatus status) {
                             const bool failed = status != QProcess::NormalExit || code != 0;
                             if (failed && clock.elapsed() < kOpenerVerdictMs && refused) {
                                 refused();
                             }
                         });
        process->start();
        if (!process->waitForStarted()) {
            return false;
        }
        Keeper().Keep(std::move(process)); // until it ends, however long the program it runs stays
        return true;
    }
    bool StartDetached(const QString& program, const QStringList& arguments) override {
        QProcess process;
        process.setProgram(program);
        process.setArguments(arguments);
        Silence(process);
        return process.startDetached();
    }
    std::unique_ptr<ProgramHandle> Start(const QString& program, const QStringList& arguments) override {
        auto process = std::make_shared<QProcess>();
        process->setProgram(program);
        process->setArguments(arguments);
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start();
        if (!process->waitForStarted()) {
            return nullptr;
        }
        return std::make_unique<ProgramHandle>(std::move(process));
    }
};

DesktopShell& Desktop() {
    static DesktopShell shell;
    return shell;
}

std::atomic<Shell*> installed{nullptr};

} // namespace

ProgramHandle::ProgramHandle(std::shared_ptr<QProcess> process) : process_(std::move(process)) {}

ProgramHandle::~ProgramHandle() {
    if (process_ && process_->state() != QProcess::NotRunning) {
        Keeper().Keep(std::move(process_));
    }
}

bool ProgramHandle::Wait(int msecs) {
    if (!process_ || process_->state() == QProcess::NotRunning) {
        return true;
    }
    return process_->waitForFinished(msecs);
}

bool ProgramHandle::Running() const {
    return process_ && process_->state() != QProcess::NotRunning;
}

qint64 ProgramHandle::Pid() const {
    return process_ ? process_->processId() : 0;
}

Shell& Shell::Get() {
    Shell* s = installed.load();
    return s ? *s : Desktop();
}

void Shell::Install(Shell* s) {
    installed.store(s);
}
