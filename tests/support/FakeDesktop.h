#pragma once

#include "tests/support/ScopedEnv.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Puts recording stand-ins for soffice, xdg-open and lpstat first on PATH for the fixture's
// lifetime (see FakeDesktopTool.cpp for what each does) and reads back what they recorded.
// Restores PATH and the variables it set when destroyed.
class FakeDesktop final {
public:
    FakeDesktop();
    ~FakeDesktop();
    FakeDesktop(const FakeDesktop&) = delete;
    FakeDesktop& operator=(const FakeDesktop&) = delete;

    QString Folder() const { return dir_.path(); }

    // Every soffice start, its arguments in order.
    QList<QStringList> SofficeCalls() const;
    // What the desk asked the desktop to open.
    QStringList Opened() const { return Lines(QStringLiteral("xdg-open.log")); }
    // The files soffice was asked to print.
    QStringList Printed() const { return Lines(QStringLiteral("printed.log")); }

    // The default printer lpstat reports; empty: none is set up (the default).
    void SetDefaultPrinter(const QString& name);
    // The paragraph an edit appends; "-" makes the edit change nothing.
    void SetEditText(const QString& text) { env_.Set("VELMO_FAKE_SOFFICE_EDIT", text.toLocal8Bit()); }
    // By default an edit keeps its lock until ReleaseLock; false drops it at once.
    void SetHoldLock(bool hold) { env_.Set("VELMO_FAKE_SOFFICE_HOLD", hold ? "1" : "0"); }
    // Lets every edit that holds its lock close the document.
    void ReleaseLock();
    // Waits (processing events) until an edit of path has changed it and taken its lock, or
    // until it has let go of it again.
    bool WaitForEdit(const QString& path) const { return WaitForEditLine(QStringLiteral("edited\t") + path); }
    bool WaitForRelease(const QString& path) const {
        return WaitForEditLine(QStringLiteral("released\t") + path);
    }
    // Waits until soffice has been started count times (a detached start returns at once).
    bool WaitForSofficeCalls(int count, int timeoutMs = 20000) const;
    // Only the fakes on PATH, soffice removed: a desk without LibreOffice.
    void RemoveOffice();

private:
    QStringList Lines(const QString& file) const;
    bool WaitForEditLine(const QString& line) const;

    QTemporaryDir dir_;
    ScopedEnv env_;
};
