#pragma once

#include "documents/core/DocumentPaths.h"
#include "documents/monitor/DocumentMonitor.h"
#include "documents/pending/PendingRecord.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "host/core/SessionSettings.h"
#include "reportlist/listctrl/CReportListCtrl.h"
#include "reportlist/window/CVelmoPropPage.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/JournalFields.h"
#include "tests/support/PromptsDouble.h"
#include "tests/support/QStringPrinting.h"
#include "tests/support/ServerFixture.h"
#include "transport/CFileDownloads.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QJsonArray>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

inline const QString kResync = QStringLiteral("qm_resync.php");
inline const QString kEsign = QStringLiteral("qm_esign.php");
inline const QString kDownload = QStringLiteral("qm_download_files.php");

// The report list window of demo user 12 against its own stand-in server, the fakes first on PATH.
class FlowsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        Session().Reset();
        Answers();
        Delays::Get().monitorPoll = 10; // polls, but without spinning (the rest are zero)
        QDir(CUtility().TempFolder()).removeRecursively();
        QDir(PendingStore::Folder()).removeRecursively();
        ASSERT_TRUE(server_.Start()) << server_.Error().toStdString();
        Session().SetServerURL(server_.BaseUrl());
        Session().SetLoggedUserId(QStringLiteral("12"));
        Session().SetPhysicianList(
            QStringLiteral("12~Dr. Amelia Hart|15~Dr. Rafael Ortiz|18~Dr. Nina Kowalski"));
        Session().SetLocationList(QStringLiteral(
            "[12]3~North Clinic|4~South Clinic[15]3~North Clinic|5~East Office[18]5~East Office"));
        Session().SetSignatureLine(QStringLiteral("12~Amelia Hart, MD"));
        NewDesktop();
    }
    void NewDesktop(const QString& text = QStringLiteral("Edited in the word processor.")) {
        desktop_.reset();
        desktop_ = std::make_unique<FakeDesktop>();
        desktop_->SetDefaultPrinter(QStringLiteral("PDF"));
        desktop_->SetEditText(text);
    }

    // Starts the window (which offers owed uploads), then lists every provider's last 60 days.
    void Start() {
        page_ = std::make_unique<CVelmoPropPage>();
        page_->show();
        QSignalSpy finished(page_.get(), &CVelmoPropPage::StartupFinished);
        page_->OnInitDialog();
        EXPECT_TRUE(!finished.isEmpty() || finished.wait(20000));
        auto* providers = page_->findChild<QComboBox*>(QStringLiteral("ctl209"));
        const int all = providers->findText(QStringLiteral("All Providers[All]"));
        providers->setCurrentIndex(all);
        emit providers->activated(all);
        page_->findChild<QDateEdit*>(QStringLiteral("ctl220"))->setDate(QDate::currentDate().addDays(-60));
        Click("ctl219");
        EXPECT_GE(page_->RowCount(), 30);
    }
    void Close() { page_.reset(); }

    int RowOf(const QString& name) const {
        int row = page_->RowCount() - 1;
        while (row >= 0 && page_->Filename(row) != name) {
            --row;
        }
        return row;
    }
    void Select(const QStringList& names) {
        CReportListCtrl* list = page_->List();
        list->clearSelection();
        for (const QString& name : names) {
            ASSERT_GE(RowOf(name), 0) << name.toStdString();
            list->selectionModel()->select(list->model()->index(RowOf(name), 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    void Click(const char* button) {
        auto* b = page_->findChild<QPushButton*>(QString::fromLatin1(button));
        ASSERT_NE(b, nullptr) << button;
        b->setEnabled(true);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    // The refusal for a command the user's privileges do not cover.
    static QString Denied(const char* what) {
        return QStringLiteral("ACCESS DENIED: Your user account is not configured to ") +
               QLatin1String(what) +
               QStringLiteral(". For assistance, please contact technical support via email at "
                              "support@molve-reports.com or 1-800-555-0142.");
    }
    // Presses a command on each selection and expects just its message.
    void ExpectRefusals(const char* button, const QList<QPair<QStringList, QString>>& cases) {
        for (const auto& [rows, message] : cases) {
            Answers();
            Select(rows);
            Click(button);
            EXPECT_EQ(Shown(), QStringList{message}) << message.toStdString();
        }
    }
    // Opens the report and waits until the word processor has changed it and the monitor holds it.
    void OpenForEditing(const QString& name) {
        Select({name});
        Click("ctl210");
        ASSERT_TRUE(desktop_->WaitForEdit(Temp(name)));
        // Released before the monitor ever saw it held, an unchanged file would be waited for.
        ASSERT_TRUE(WaitFor([&] {
            const DocumentMonitor* monitor = DocumentMonitor::Find(page_.get());
            return monitor && monitor->Taken();
        }));
    }
    QStringList Shown() const { return PromptsDouble::Current().ShownTexts(); }
    // Forgets the boxes shown so far; the next questions get these answers.
    static void Answers(std::initializer_list<int> answers = {}) {
        PromptsDouble::Current().Clear();
        for (const int a : answers) {
            PromptsDouble::Current().QueueAnswer(a);
        }
    }
    QList<QJsonObject> Journal(const QString& script) const { return server_.JournalFor(script); }
    qsizetype Count(const QString& script) const { return Uploads(script).size(); }
    // The upload requests that carried a document (an upload first sends a bodiless probe).
    QList<QJsonObject> Uploads(const QString& script) const {
        QList<QJsonObject> out = server_.JournalFor(script);
        out.removeIf([](const QJsonObject& e) { return e[QStringLiteral("files")].toArray().isEmpty(); });
        return out;
    }
    // A request's form fields as "name=value" in order.
    static QStringList Fields(const QJsonObject& entry) { return JournalFields(entry); }
    // Whether a status request for the report with this action reached the server.
    bool StatusSent(const QString& name, const QString& field) {
        return WaitFor([&] {
            QString queries;
            for (const QJsonObject& e : Journal(QStringLiteral("qm_statusupdate.php"))) {
                queries += e[QStringLiteral("query")].toString() + QLatin1Char(' ');
            }
            return queries.contains(QStringLiteral("vfilename=%1&field=%2").arg(name, field));
        });
    }
    bool WaitFor(const std::function<bool()>& done, int ms = 20000) { return QTest::qWaitFor(done, ms); }

    static QString Temp(const QString& name) { return LocalDocumentPath(name); }
    static QString ReadText(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
    }
    // The report's document as the server holds it now.
    QString ServerDocument(const QString& name) const {
        QTemporaryDir dir;
        CFileDownloads download;
        download.SetURL(server_.BaseUrl() + kDownload + QStringLiteral("?filename=") + name);
        download.SetTargetFolder(dir.path() + QLatin1Char('/'));
        return ReadText(download.DownloadFiles(name));
    }
    QString Status(const QString& name, DeskContext::StatusColumn column) const {
        return page_->List()->Model()->CellText(RowOf(name), static_cast<int>(column));
    }

    // After server_.Stop(): the same server (address, data, journal) started again.
    bool RestartServerInPlace() {
        restarted_ = std::make_unique<QProcess>();
        restarted_->start(QStringLiteral(VELMO_REPORT_SERVER_PATH),
                          {QStringLiteral("--data"), server_.DataDir(), QStringLiteral("--bind"),
                           server_.Address(), QStringLiteral("--journal"), server_.JournalPath()});
        QByteArray output;
        return restarted_->waitForStarted(15000) && WaitFor([&] {
                   restarted_->waitForReadyRead(50);
                   output += restarted_->readAllStandardOutput();
                   return output.contains("listening");
               });
    }

    StandInServer server_;
    std::unique_ptr<QProcess> restarted_;  // QProcess's destructor kills it
    std::unique_ptr<FakeDesktop> desktop_; // members go in reverse: the windows first
    std::unique_ptr<CVelmoPropPage> page_;
    std::unique_ptr<CVelmoPropPage> killed_; // a window whose desk "was killed": never cleaned up in the test
};
