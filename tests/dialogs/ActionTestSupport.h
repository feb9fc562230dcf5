#pragma once

// Shared by the action tests: a fake report list window, a recording Shell, a stand-in server per
// test, the server's journal as text, and helpers for driving the modal dialogs an action opens.

#include "host/core/CUtility.h"
#include "host/core/SessionSettings.h"
#include "host/core/Shell.h"
#include "reportlist/core/DeskContext.h"
#include "reportlist/core/ReportListModel.h"
#include "reportlist/listctrl/CReportListCtrl.h"
#include "tests/reportlist/window/LogCapture.h"
#include "tests/reportlist/window/WindowFixture.h"
#include "tests/support/JournalFields.h"
#include "tests/support/ProfileCheck.h"
#include "tests/support/PromptsDouble.h"
#include "tests/support/QStringPrinting.h"
#include "tests/support/ServerFixture.h"
#include "tests/support/WhenShown.h"
#include "transport/DocumentDownload.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

// The report list as the actions see it: a table of captions and rows; what the action asked of
// the window is recorded.
class FakeDesk final : public DeskContext {
public:
    struct Row {
        QStringList cells; // in captions order
        QString flags = QStringLiteral("111111");
        QString owner = QStringLiteral("12");
    };
    QStringList captions{QStringLiteral("Filename")};
    QList<Row> rows;
    QList<int> selected;
    WindowState state;
    int queries = 0;
    int deletions = 0;
    int repaints = 0;
    QStringList loadedLists;
    QStringList statuses;              // ShowStatus texts in order
    bool downloads = false;            // DownloadDocuments fetches for real (as the window does)
    QList<std::pair<Busy, bool>> busy; // ShowBusy calls in order

    // A list of this type whose rows are all selected.
    static FakeDesk Of(const char* type, const QList<Row>& rows, const QStringList& captions = {"Filename"}) {
        FakeDesk desk;
        desk.state.ReportTypeCode = QString::fromLatin1(type);
        desk.captions = captions;
        desk.rows = rows;
        for (int r = 0; r < rows.size(); ++r) {
            desk.selected.append(r);
        }
        return desk;
    }

    // Rows that carry only a file name.
    static QList<Row> Named(const QStringList& names, const QString& flags = QStringLiteral("111111")) {
        QList<Row> rows;
        for (const QString& name : names) {
            rows.append({{name}, flags});
        }
        return rows;
    }

    WindowState& State() override { return state; }
    QList<int> SelectedRows() const override { return selected; }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    QString CellText(int row, const QString& caption) const override {
        return rows.value(row).cells.value(captions.indexOf(caption));
    }
    QString Filename(int row) const override { return CellText(row, QStringLiteral("Filename")); }
    QString AccessFlags(int row) const override { return rows.value(row).flags; }
    QString EsignOwner(int row) const override { return rows.value(row).owner; }
    QStringList ColumnCaptions() const override { return captions; }
    void SetStatusForSelected(StatusColumn, const QStringList&, const QString&) override {}
    void DeleteAllRows() override { ++deletions; }
    void ShowBusy(Busy which, bool shown) override { busy.append({which, shown}); }
    void RepaintNow() override { ++repaints; }
    void RunQuery() override { ++queries; }
    void ShowStatus(const QString& text) override { statuses.append(text); }
    void LoadFileList(const QString& path) override { loadedLists.append(path); }
    void LoadSearchResult(const QString& path, const QString&) override { loadedLists.append(path); }
    void DownloadDocuments(const QStringList& names) override {
        if (downloads) {
            ::DownloadDocuments(names, nullptr, state.DocumentChecksum);
        }
    }
    QWidget* DialogParent() override { return nullptr; }
};

// Records what the desk asked the desktop to open or start. Programs run only when run is set
// (standIn, if given, in their place, without arguments).
class RecordingShell final : public Shell {
public:
    QStringList opened;
    QList<QStringList> started; // program, then its arguments
    bool run = false;
    QString standIn;
    QProcess* last = nullptr;

    bool refuse = false; // OpenWatched: the desktop has no program for it

    bool Open(const QString& fileOrUrl) override {
        opened.append(fileOrUrl);
        return true;
    }
    bool OpenWatched(const QString& fileOrUrl, const std::function<void()>& refused) override {
        if (refuse) {
            refused();
        }
        return Open(fileOrUrl);
    }
    bool StartDetached(const QString& program, const QStringList& arguments) override {
        started.append(QStringList{program} + arguments);
        return true;
    }
    std::unique_ptr<ProgramHandle> Start(const QString& program, const QStringList& arguments) override {
        started.append(QStringList{program} + arguments);
        if (!run) {
            return nullptr;
        }
        auto process = std::make_shared<QProcess>();
        process->setProgram(standIn.isEmpty() ? program : standIn);
        process->setArguments(standIn.isEmpty() ? arguments : QStringList{});
        process->start();
        if (!process->waitForStarted()) {
            return nullptr;
        }
        last = process.get();
        return std::make_unique<ProgramHandle>(std::move(process));
    }
};

template <class T = QWidget> T* In(QWidget& dialog, const char* name) {
    T* w = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}
inline void Click(QWidget* w) {
    QTest::mouseClick(w, Qt::LeftButton);
}
inline void Click(QWidget& dialog, const char* name) {
    Click(In(dialog, name));
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

// A list's rows, the cells of columns first to last (-1: the last one) with "~" between them.
inline QStringList Texts(const ReportListModel* model, int first = 0, int last = -1) {
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int c = first; c <= (last < 0 ? model->columnCount() - 1 : last); ++c) {
            cells.append(model->CellText(row, c));
        }
        texts.append(cells.join('~'));
    }
    return texts;
}

inline QStringList Shown() {
    return PromptsDouble::Current().ShownTexts();
}

// Exactly one message box was shown, with this text and icon.
inline void ExpectOneBox(const QString& text, Prompts::Icon icon) {
    ASSERT_EQ(Shown(), QStringList{text});
    EXPECT_EQ(PromptsDouble::Current().Shown()[0].icon, icon);
}

// The decoded query strings a server received for a script, in order.
inline QStringList JournalQueries(const StandInServer& server, const QString& script) {
    QStringList out;
    for (const QJsonObject& entry : server.JournalFor(script)) {
        out.append(QUrl::fromPercentEncoding(entry.value(QStringLiteral("query")).toString().toUtf8()));
    }
    return out;
}

// The multipart fields of each post to a script, as name=value (the bodiless probe left out).
inline QList<QStringList> JournalFields(const StandInServer& server, const QString& script) {
    QList<QStringList> out;
    for (const QJsonObject& entry : server.JournalFor(script)) {
        const QStringList fields = JournalFields(entry);
        if (!fields.isEmpty()) {
            out.append(fields);
        }
    }
    return out;
}

inline QString WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) << path.toStdString();
    return file.fileName();
}

inline void AddProviders(const QList<std::pair<const char*, const char*>>& providers) {
    for (const auto& [id, name] : providers) {
        Session().AppendCareProvider(QString::fromLatin1(id), {}, QString::fromLatin1(name));
    }
}

// A session of the demo user (12) on the whole practice, against a stand-in server of its own;
// nothing reaches the desktop.
class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Session().Reset();
        PromptsDouble::Current().Clear();
        Shell::Install(&shell_);
        ASSERT_TRUE(server_.Start()) << server_.Error().toStdString();
        Session().SetServerURL(server_.BaseUrl());
        Session().SetLoggedUserId(QStringLiteral("12"));
        Session().SetQueryPhysicianId(QStringLiteral("12"));
        Session().SetQueryLocationId(QStringLiteral("All"));
    }
    void TearDown() override {
        Shell::Install(nullptr);
        // Whatever the action wrote under the profile folder stays the user's alone.
        EXPECT_EQ(NotPrivate(CUtility().ProfileFolder()), QStringList());
    }
    QStringList Queries(const QString& script) const { return JournalQueries(server_, script); }

    RecordingShell shell_;
    StandInServer server_;
};

// With VELMO_DIALOG_SHOTS set to a folder, saves the widget's picture there (docs/ pictures).
inline void SaveShot(QWidget& widget, const QString& name) {
    if (const QString folder = qEnvironmentVariable("VELMO_DIALOG_SHOTS"); !folder.isEmpty()) {
        widget.grab().save(QDir(folder).filePath(name));
    }
}
