#pragma once

// Shared by the action tests of tests/dialogs/*: a small fake of the report list window, a
// recording Shell, and a driver for the modal dialogs an action opens.

#include "host/core/Shell.h"
#include "reportlist/core/DeskContext.h"

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <ostream>

// Readable failures for texts and lists of texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// A report list of plain rows: (Filename, AccessFlags); what the action asked of the window
// is recorded.
class FakeDesk final : public DeskContext {
public:
    struct Row {
        QString filename;
        QString flags;
    };

    QList<Row> rows;
    QList<int> selected;
    WindowState state;
    int queries = 0;
    int deletions = 0;
    QStringList loadedLists;

    WindowState& State() override { return state; }
    QList<int> SelectedRows() const override { return selected; }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    QString CellText(int row, const QString& caption) const override {
        return caption == QStringLiteral("Filename") ? Filename(row) : QString();
    }
    QString Filename(int row) const override { return rows.value(row).filename; }
    QString AccessFlags(int row) const override { return rows.value(row).flags; }
    QString EsignOwner(int) const override { return {}; }
    QStringList ColumnCaptions() const override { return {QString(), QStringLiteral("Filename")}; }
    void SetStatusForSelected(StatusColumn, const QStringList&, const QString&) override {}
    void DeleteAllRows() override { ++deletions; }
    void ShowBusy(Busy, bool) override {}
    void RepaintNow() override {}
    void RunQuery() override { ++queries; }
    void LoadFileList(const QString& path) override { loadedLists.append(path); }
    void DownloadDocuments(const QStringList&) override {}
    QWidget* DialogParent() override { return nullptr; }
};

// Records what the desk asked the desktop to open or start, and starts nothing.
class RecordingShell final : public Shell {
public:
    struct Started {
        QString program;
        QStringList arguments;
    };
    QStringList opened;
    QList<Started> started;

    bool Open(const QString& fileOrUrl) override {
        opened.append(fileOrUrl);
        return true;
    }
    bool StartDetached(const QString& program, const QStringList& arguments) override {
        started.append({program, arguments});
        return true;
    }
    std::unique_ptr<ProgramHandle> Start(const QString& program, const QStringList& arguments) override {
        started.append({program, arguments});
        return nullptr;
    }
};

// Runs act on the first visible top-level T once it shows (a modal dialog's exec() does not
// return to the test until the dialog closes). Keep the object alive across the action.
template <class T> class WhenShown {
public:
    explicit WhenShown(std::function<void(T&)> act) : act_(std::move(act)) {
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                T* dialog = qobject_cast<T*>(w);
                if (dialog != nullptr && dialog->isVisible()) {
                    poll_.stop();
                    ++runs_;
                    act_(*dialog);
                    return;
                }
            }
        });
        poll_.start(5);
    }
    int Runs() const { return runs_; }

private:
    std::function<void(T&)> act_;
    QTimer poll_;
    int runs_ = 0;
};

// With VELMO_DIALOG_SHOTS set to a folder, saves what widget shows there as name (the pictures
// in docs/ are made this way).
inline void SaveShot(QWidget& widget, const QString& name) {
    const QString folder = qEnvironmentVariable("VELMO_DIALOG_SHOTS");
    if (!folder.isEmpty()) {
        widget.grab().save(QDir(folder).filePath(name));
    }
}
