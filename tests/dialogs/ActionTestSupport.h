#pragma once

// Shared by the action tests: a fake report list window, a recording Shell, and helpers for
// driving the modal dialogs an action opens.

#include "host/core/Shell.h"
#include "reportlist/core/DeskContext.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

// A list of plain rows, every one of them selected; what the action asked of the window is
// recorded.
class FakeDesk final : public DeskContext {
public:
    struct Row {
        QString filename;
        QString flags;
    };
    QList<Row> rows;
    WindowState state;
    int queries = 0;
    int deletions = 0;
    QStringList loadedLists;

    WindowState& State() override { return state; }
    QList<int> SelectedRows() const override {
        QList<int> all;
        for (int i = 0; i < rows.size(); ++i) {
            all.append(i);
        }
        return all;
    }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    QString CellText(int row, const QString&) const override { return Filename(row); }
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
    QStringList opened;
    QList<QStringList> started; // program, then its arguments

    bool Open(const QString& fileOrUrl) override {
        opened.append(fileOrUrl);
        return true;
    }
    bool StartDetached(const QString& program, const QStringList& arguments) override {
        started.append(QStringList{program} + arguments);
        return true;
    }
    std::unique_ptr<ProgramHandle> Start(const QString& program, const QStringList& arguments) override {
        started.append(QStringList{program} + arguments);
        return nullptr;
    }
};

// Runs act on the first visible top-level T once it shows: a modal dialog's exec() returns to
// the test only when the dialog has closed.
template <class T> class WhenShown {
public:
    explicit WhenShown(std::function<void(T&)> act) : act_(std::move(act)) {
        QObject::connect(&poll_, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (T* dialog = qobject_cast<T*>(w); dialog != nullptr && dialog->isVisible()) {
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

template <class T = QWidget> T* In(QWidget& dialog, const char* name) {
    T* w = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// Picks an entry as the user does (the box's activation notification runs).
inline void Choose(QComboBox* box, const QString& text) {
    const int index = box->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    box->setCurrentIndex(index);
    emit box->activated(index);
}

inline QStringList Entries(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) {
        items.append(box->itemText(i));
    }
    return items;
}

// With VELMO_DIALOG_SHOTS set to a folder, saves the widget's picture there (docs/ pictures).
inline void SaveShot(QWidget& widget, const QString& name) {
    if (const QString folder = qEnvironmentVariable("VELMO_DIALOG_SHOTS"); !folder.isEmpty()) {
        widget.grab().save(QDir(folder).filePath(name));
    }
}
