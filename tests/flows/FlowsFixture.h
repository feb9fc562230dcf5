#pragma once

#include "documents/core/DocumentPaths.h"
#include "documents/pending/PendingRecord.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "host/core/SessionSettings.h"
#include "reportlist/core/ReportListModel.h"
#include "reportlist/listctrl/CReportListCtrl.h"
#include "reportlist/window/CVelmoPropPage.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/PromptsDouble.h"
#include "tests/support/ServerFixture.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable failure output for texts and lists of texts.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

// The report list window of demo user 12 against its own stand-in server, with the fake
// soffice / xdg-open / lpstat first on PATH, the list widened to every transcribed report.
class FlowsFixture : public ::testing::Test {
protected:
    static constexpr int kWaitMs = 20000;

    void SetUp() override;
    void TearDown() override;

    // Creates, shows and starts the window (a start runs the offer of owed uploads), then lists
    // the transcribed reports of the last 60 days.
    CVelmoPropPage& Start();
    // The window goes as when the page is closed.
    void Close() { page_.reset(); }

    int RowOf(const QString& name) const;
    // Selects exactly these reports' rows (in list order).
    void Select(const QStringList& names);
    void Click(const char* button);
    // Selects the report, presses "Open" and waits until the word processor has changed it and
    // holds it.
    void OpenForEditing(const QString& name);

    QStringList Shown() const { return PromptsDouble::Current().ShownTexts(); }
    QList<QJsonObject> Journal(const QString& script) const { return server_.JournalFor(script); }
    // The upload requests that carried a document (an upload first sends a bodiless probe).
    QList<QJsonObject> Uploads(const QString& script) const;
    // A request's form fields as "name=value" in order.
    static QStringList Fields(const QJsonObject& entry);
    // The names inside a request's zipped file parts.
    static QStringList Entries(const QJsonObject& entry);
    // Waits, serving the event loop, until the journal holds count requests for script.
    bool WaitForRequests(const QString& script, int count);
    bool WaitFor(const std::function<bool()>& done, int ms = kWaitMs) { return QTest::qWaitFor(done, ms); }

    static QString Temp(const QString& name) { return LocalDocumentPath(name); }
    static QString ReadText(const QString& path);
    // The report's document as the server holds it now.
    QString ServerDocument(const QString& name) const;
    // The status cell of a report's row ("O" when marked).
    QString Status(const QString& name, DeskContext::StatusColumn column) const;

    // Changes the user's privileges on a provider's reports in the server's database.
    void SetPrivileges(const QString& user, const QString& provider, const QString& flags) const;

    // After server_.Stop(): the same server (address, data, journal) started again.
    bool RestartServerInPlace();

    StandInServer server_;
    std::unique_ptr<QProcess> restarted_;
    std::unique_ptr<FakeDesktop> desktop_;
    std::unique_ptr<CVelmoPropPage> page_;
    std::unique_ptr<CVelmoPropPage> killed_; // a window whose desk "was killed": never cleaned up in the test
};
