#include "transport/gui/CDlgPleaseWait.h"

#include <QCloseEvent>
#include <QMetaObject>

#include <QCoreApplication>

#include <atomic>
#include <thread>

CDlgPleaseWait::CDlgPleaseWait(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    // The window has no title. Qt shows the program name for an empty one, so a blank stands in.
    setWindowTitle(QStringLiteral(" "));
    setModal(true);
    label_.setText(QStringLiteral("Please wait, request in progress..."));
    label_.setAccessibleName(label_.text());
    layout_.setContentsMargins(46, 22, 46, 22);
    layout_.addWidget(&label_);
    setLayout(&layout_);
    setAccessibleName(label_.text());
}

void CDlgPleaseWait::SetURL(const QString& url) {
    job_.url = url;
}

void CDlgPleaseWait::SetUserId(const QString& id) {
    job_.userId = id;
}

void CDlgPleaseWait::SetJobMode(int mode) {
    mode_ = mode;
}

QString CDlgPleaseWait::ResultPath() const {
    return job_.resultPath;
}

int CDlgPleaseWait::exec() {
    job_.resultPath.clear();
    job_.receiver = this;
    jobRunning_ = true;
    // The worker's last act is the close request; it runs the job only in file-list mode.
    std::atomic<bool> workerDone{false};
    std::thread worker([this, &workerDone] {
        if (mode_ == kDownloadFileList) {
            try {
                DownloadFileList(job_);
            } catch (...) {
                // The dialog must close whatever happened to the job.
            }
        }
        workerDone.store(true);
        // Also wakes the wait below when the modal loop has already ended.
        QMetaObject::invokeMethod(
            this,
            [this] {
                jobRunning_ = false;
                done(QDialog::Accepted);
            },
            Qt::QueuedConnection);
    });
    const int result = QDialog::exec();
    // The modal loop can end before the job does (the program quitting). The worker may be
    // waiting on a message box or the login dialog, which run on this thread: keep serving
    // them until it has finished, or joining it would hang the desk.
    while (!workerDone.load()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    worker.join();
    jobRunning_ = false;
    return result;
}

void CDlgPleaseWait::reject() {
    // Escape and the window manager cannot end the wait: the job fills the result first.
    if (!jobRunning_) {
        QDialog::reject();
    }
}

void CDlgPleaseWait::closeEvent(QCloseEvent* event) {
    if (jobRunning_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

QString CDlgPleaseWait::DownloadList(const QString& url, QWidget* parent) {
    CDlgPleaseWait wait(parent);
    wait.SetURL(url);
    wait.SetJobMode(kDownloadFileList);
    wait.exec();
    return wait.ResultPath();
}
