#pragma once

// Shared by the action tests: a fake report list window, a recording Shell and a stand-in server
// per test (widget drivers and the window's fixture: DeskWindow.h).

#include "host/core/CUtility.h"
#include "host/core/Shell.h"
#include "reportlist/core/DeskContext.h"
#include "tests/support/DeskWindow.h"
#include "tests/support/WhenShown.h"
#include "transport/DocumentDownload.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>

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
    QStringList statusWrites;          // SetStatusForSelected: "column:name,name=text"
    QStringList downloaded;            // DownloadDocuments names in order
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
    void SetStatusForSelected(StatusColumn column, const QStringList& names, const QString& text) override {
        statusWrites.append(QString::number(int(column)) + ':' + names.join(',') + '=' + text);
    }
    void DeleteAllRows() override { ++deletions; }
    void ShowBusy(Busy which, bool shown) override { busy.append({which, shown}); }
    void RepaintNow() override { ++repaints; }
    void RunQuery() override { ++queries; }
    void ShowStatus(const QString& text) override { statuses.append(text); }
    void LoadFileList(const QString& path) override { loadedLists.append(path); }
    void LoadSearchResult(const QString& path, const QString&) override { loadedLists.append(path); }
    void DownloadDocuments(const QStringList& names) override {
        downloaded.append(names);
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

inline void AddProviders(const QList<std::pair<const char*, const char*>>& providers) {
    for (const auto& [id, name] : providers) {
        Session().AppendCareProvider(QString::fromLatin1(id), {}, QString::fromLatin1(name));
    }
}

// A session of the demo user (12) on the whole practice, against a stand-in server of its own;
// nothing reaches the desktop.
class ServerTest : public DemoServerTest {
protected:
    void SetUp() override {
        Shell::Install(&shell_);
        DemoServerTest::SetUp();
        Session().SetQueryPhysicianId(QStringLiteral("12"));
        Session().SetQueryLocationId(QStringLiteral("All"));
    }
    void TearDown() override {
        Shell::Install(nullptr);
        DemoServerTest::TearDown();
    }

    RecordingShell shell_;
};
