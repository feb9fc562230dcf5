#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// A program the desk started and may wait for. Dropping the handle does not stop the program:
// it runs on until it ends by itself.
class ProgramHandle {
public:
    explicit ProgramHandle(std::shared_ptr<QProcess> process);
    ~ProgramHandle();
    ProgramHandle(const ProgramHandle&) = delete;
    ProgramHandle& operator=(const ProgramHandle&) = delete;

    // Waits up to msecs (-1: no limit) for the program to end; true when it has ended.
    bool Wait(int msecs = -1);
    bool Running() const;
    qint64 Pid() const;
    // The process object, for callers that want its finished signal (event-loop waits).
    QProcess* Process() const { return process_.get(); }

private:
    std::shared_ptr<QProcess> process_;
};

// The desktop: starting programs and opening files or addresses with their default
// application. The product's implementation finds programs on PATH (soffice, xdg-open), so
// tests can put recording fakes first on PATH; a test may also install its own Shell.
class Shell {
public:
    virtual ~Shell() = default;

    // Opens a file path or URL with the desktop's default application (xdg-open). False when
    // the opener could not be started; what the application does afterwards is not known.
    virtual bool Open(const QString& fileOrUrl) = 0;
    // Opens as Open does, and runs refused (on this thread, later) when the opener ends saying
    // that nothing could open it: the desktop has no program for the file or address. Without
    // a way to know, a Shell only opens.
    virtual bool OpenWatched(const QString& fileOrUrl, const std::function<void()>& refused) {
        Q_UNUSED(refused);
        return Open(fileOrUrl);
    }
    // Starts program with these arguments, detached from the desk: it outlives the desk.
    virtual bool StartDetached(const QString& program, const QStringList& arguments) = 0;
    // Starts program with these arguments and returns a handle to wait on; null when it could
    // not be started.
    virtual std::unique_ptr<ProgramHandle> Start(const QString& program, const QStringList& arguments) = 0;

    static Shell& Get();
    // Installs s (not owned); nullptr restores the desktop's.
    static void Install(Shell* s);
};
