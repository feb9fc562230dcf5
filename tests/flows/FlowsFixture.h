#pragma once

#include "documents/core/DocumentPaths.h"
#include "documents/demographics/CDlgEditDemographics.h"
#include "documents/monitor/DocumentMonitor.h"
#include "documents/pending/PendingRecord.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "tests/support/DeskWindow.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/Files.h"
#include "transport/CFileDownloads.h"

#include <QApplication>
#include <QJsonArray>
#include <QLineEdit>
#include <QTableWidget>
#include <QTimer>

using namespace Qt::StringLiterals;

inline const QString kResync = u"qm_resync.php"_s;
inline const QString kEsign = u"qm_esign.php"_s;
inline const QString kDownload = u"qm_download_files.php"_s;

// The demo's reports, as user 12 sees them.
inline const QString kOwn = u"R260019"_s;         // provider 12, not signed: the demo's report
inline const QString kOwnA = u"R260006"_s;        // provider 12, not signed
inline const QString kOwnB = u"R260011"_s;        // provider 12, not signed
inline const QString kOwnSigned = u"R260001"_s;   // provider 12, e-signed by user 12
inline const QString kOther = u"R260004"_s;       // provider 18: user 12 may print and edit, not sign
inline const QString kOtherSigned = u"R260014"_s; // provider 18, e-signed
inline const QString kReadOnly = u"R260007"_s;    // provider 15: user 12 may only read

// What the physician is told (%1: the report).
inline const QString kAttention = u"ATTENTION:  You are opening an esigned document. An addendum "
                                  u"statement will be added if it is edited and saved."_s;
inline const QString kUpdated = u"Document updated."_s;
inline const QString kSigned = u"Document E-Signed successfully."_s;
inline const QString kStillOpen = u"%1 is still open in LibreOffice. Its edit is kept: it will be sent when "
                                  u"LibreOffice closes it and the desk next starts."_s;
inline const QString kOfferedAtStart = u"1 edited report has not reached the server yet: %1. Send it now?"_s;
inline const QString kKeptAbove = u"Text typed after the signature statement of %1 was kept and now stands "
                                  u"above the revision statement: %2"_s;
inline const QString kAnotherOpen =
    u"Currently opened document, %1, needs to be closed before opening another one."_s;

// Sets a row's value as the user does: a click on the row, the box, "Set Value".
inline void SetRow(CDlgEditDemographics* dialog, const QString& name, const QString& value) {
    auto* list = dialog->findChild<QTableWidget*>(u"fieldTable"_s);
    list->clearSelection();
    for (int row = 0; row < list->rowCount(); ++row) {
        if (list->item(row, 1)->text() == name) {
            list->selectRow(row);
        }
    }
    dialog->OnClickListCp();
    dialog->findChild<QLineEdit*>(u"valueEdit"_s)->setText(value);
    dialog->OnSetValue();
}
// The report list window of demo user 12 against its own stand-in server, the fakes first on PATH.
class FlowsFixture : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        Session().SetSignatureLine(u"12~Amelia Hart, MD"_s);
        Delays::Get().monitorPoll = 10; // polls, but without spinning (the rest are zero)
        QDir(CUtility::TempFolder()).removeRecursively();
        QDir(PendingStore::Folder()).removeRecursively();
        NewDesktop();
    }
    void NewDesktop(const QString& text = u"Edited in the word processor."_s) {
        desktop_.reset();
        desktop_ = std::make_unique<FakeDesktop>();
        desktop_->SetDefaultPrinter(u"PDF"_s);
        desktop_->SetEditText(text);
    }

    void ShowWindow() { WindowFixture::Start(); }
    // Starts the window, then lists every provider's last 60 days.
    void Start() {
        ShowWindow();
        ChooseProvider(u"All Providers[All]"_s);
        Date("fromDate")->setDate(QDate::currentDate().addDays(-60));
        Click("goButton");
        EXPECT_GE(page_->RowCount(), 30);
    }
    void Close() { page_.reset(); }
    // The desk "killed": none of its own clean-up runs, the monitor and the window just vanish.
    void KillDesk() {
        delete DocumentMonitor::Find(page_.get());
        page_->hide();
        killed_ = std::move(page_);
    }

    int RowOf(const QString& name) const { return static_cast<int>(Filenames().indexOf(name)); }
    void Select(const QStringList& names) {
        page_->List()->clearSelection();
        for (const QString& name : names) {
            ASSERT_GE(RowOf(name), 0) << name.toStdString();
            SelectRow(RowOf(name), true);
        }
    }
    void Click(const char* button) { ::Click(Button(button)); }
    void ExpectMessages(const char* button, const QList<QPair<QStringList, QString>>& cases) {
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
        Click("openButton");
        ASSERT_TRUE(desktop_->WaitForEdit(Handed(name)));
        // Released before the monitor ever saw it held, an unchanged file would be waited for.
        ASSERT_TRUE(WaitFor([&] {
            const DocumentMonitor* monitor = DocumentMonitor::Find(page_.get());
            return monitor && monitor->Taken();
        }));
    }
    // Waits until the window holds no open document (the monitor is done with it).
    bool NothingOpen() {
        return WaitFor([&] { return page_->State().OpenDocumentName.isEmpty(); }, 60000);
    }
    // Drives the Edit Demographics dialog once it is up: the edits, then OK.
    static void WhenDemographicsShow(const QList<QPair<QString, QString>>& edits = {}) {
        QTimer::singleShot(0, [edits] {
            auto* dialog = qobject_cast<CDlgEditDemographics*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            for (const auto& [name, value] : edits) {
                SetRow(dialog, name, value);
            }
            QTest::mouseClick(dialog->findChild<QPushButton*>(u"okButton"_s), Qt::LeftButton);
        });
    }

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
        out.removeIf([](const QJsonObject& e) { return e["files"].toArray().isEmpty(); });
        return out;
    }
    bool StatusSent(const QString& name, const QString& field) {
        return WaitFor([&] {
            return JournalQueries(server_, u"qm_statusupdate.php"_s, true)
                .join(' ')
                .contains(u"vfilename=%1&field=%2"_s.arg(name, field));
        });
    }
    bool WaitFor(const std::function<bool()>& done, int ms = 20000) { return QTest::qWaitFor(done, ms); }

    static QString Temp(const QString& name) { return LocalDocumentPath(name); }
    // The file handed to the word processor for editing: the report, or the protected flat-ODT
    // copy of an e-signed one.
    static QString Handed(const QString& name) {
        const QString copy = Temp(name).chopped(4) + u".fodt"_s;
        return QFile::exists(copy) ? copy : Temp(name);
    }
    QString ServerDocument(const QString& name) const {
        QTemporaryDir dir;
        CFileDownloads download;
        download.SetURL(server_.BaseUrl() + kDownload + "?filename=" + name);
        download.SetTargetFolder(dir.path() + '/');
        return ReadText(download.DownloadFiles(name));
    }
    QString Status(const QString& name, DeskContext::StatusColumn column) const {
        return page_->List()->Model()->CellText(RowOf(name), static_cast<int>(column));
    }

    std::unique_ptr<FakeDesktop> desktop_;   // members go in reverse: the windows first
    std::unique_ptr<CVelmoPropPage> killed_; // a window whose desk "was killed": never cleaned up in the test
};
