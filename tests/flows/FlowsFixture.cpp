#include "tests/flows/FlowsFixture.h"

#include "documents/monitor/DocumentMonitor.h"
#include "transport/CFileDownloads.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

void FlowsFixture::SetUp() {
    Session().Reset();
    PromptsDouble::Current().Clear();
    Delays::ZeroAll();
    Delays::Get().monitorPoll = 10; // polls, but without spinning
    const CUtility util;
    QDir(util.TempFolder()).removeRecursively();
    QDir(PendingStore::Folder()).removeRecursively();
    ASSERT_TRUE(server_.Start()) << server_.Error().toStdString();
    Session().SetServerURL(server_.BaseUrl());
    Session().SetLoggedUserId(QStringLiteral("12"));
    Session().SetLoggedUserName(QStringLiteral("Dr. Amelia Hart"));
    Session().SetPhysicianList(QStringLiteral("12~Dr. Amelia Hart|15~Dr. Rafael Ortiz|18~Dr. Nina Kowalski"));
    Session().SetLocationList(
        QStringLiteral("[12]3~North Clinic|4~South Clinic[15]3~North Clinic|5~East Office[18]5~East Office"));
    Session().SetSignatureLine(QStringLiteral("12~Amelia Hart, MD"));
    desktop_ = std::make_unique<FakeDesktop>();
    desktop_->SetDefaultPrinter(QStringLiteral("PDF"));
}

void FlowsFixture::TearDown() {
    page_.reset();
    killed_.reset();
    desktop_.reset();
    if (restarted_) {
        restarted_->terminate();
        restarted_->waitForFinished(5000);
    }
}

bool FlowsFixture::RestartServerInPlace() {
    restarted_ = std::make_unique<QProcess>();
    restarted_->start(QStringLiteral(VELMO_REPORT_SERVER_PATH),
                      {QStringLiteral("--data"), server_.DataDir(), QStringLiteral("--bind"),
                       server_.Address(), QStringLiteral("--journal"), server_.JournalPath()});
    if (!restarted_->waitForStarted(15000)) {
        return false;
    }
    QByteArray output;
    return WaitFor([&] {
        restarted_->waitForReadyRead(50);
        output += restarted_->readAllStandardOutput();
        return output.contains("listening");
    });
}

CVelmoPropPage& FlowsFixture::Start() {
    page_ = std::make_unique<CVelmoPropPage>();
    page_->resize(1024, 700);
    page_->show();
    QSignalSpy finished(page_.get(), &CVelmoPropPage::StartupFinished);
    page_->OnInitDialog();
    if (finished.isEmpty()) {
        EXPECT_TRUE(finished.wait(kWaitMs));
    }
    // Every provider the user works for, over the last 60 days.
    auto* providers = page_->findChild<QComboBox*>(QStringLiteral("ctl209"));
    const int all = providers->findText(QStringLiteral("All Providers[All]"));
    EXPECT_GE(all, 0);
    providers->setCurrentIndex(all);
    emit providers->activated(all);
    auto* from = page_->findChild<QDateEdit*>(QStringLiteral("ctl220"));
    from->setDate(QDate::currentDate().addDays(-60));
    Click("ctl219");
    EXPECT_GE(page_->RowCount(), 30);
    return *page_;
}

int FlowsFixture::RowOf(const QString& name) const {
    for (int row = 0; row < page_->RowCount(); ++row) {
        if (page_->Filename(row) == name) {
            return row;
        }
    }
    return -1;
}

void FlowsFixture::Select(const QStringList& names) {
    CReportListCtrl* list = page_->List();
    list->clearSelection();
    for (const QString& name : names) {
        const int row = RowOf(name);
        ASSERT_GE(row, 0) << name.toStdString();
        list->selectionModel()->select(list->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

void FlowsFixture::Click(const char* button) {
    auto* b = page_->findChild<QPushButton*>(QString::fromLatin1(button));
    ASSERT_NE(b, nullptr) << button;
    b->setEnabled(true);
    QTest::mouseClick(b, Qt::LeftButton);
}

void FlowsFixture::OpenForEditing(const QString& name) {
    Select({name});
    Click("ctl210");
    ASSERT_TRUE(desktop_->WaitForEdit(Temp(name)));
    // Released before the monitor ever saw it held, an unchanged file would be waited for.
    ASSERT_TRUE(WaitFor([&] {
        const DocumentMonitor* monitor = DocumentMonitor::Find(page_.get());
        return monitor && monitor->Taken();
    }));
}

QStringList FlowsFixture::Fields(const QJsonObject& entry) {
    QStringList out;
    for (const QJsonValue& v : entry.value(QStringLiteral("fields")).toArray()) {
        const QJsonObject f = v.toObject();
        out.append(f.value(QStringLiteral("name")).toString() + QLatin1Char('=') +
                   f.value(QStringLiteral("value")).toString());
    }
    return out;
}

QStringList FlowsFixture::Entries(const QJsonObject& entry) {
    QStringList out;
    for (const QJsonValue& file : entry.value(QStringLiteral("files")).toArray()) {
        for (const QJsonValue& name : file.toObject().value(QStringLiteral("entries")).toArray()) {
            out.append(name.toString());
        }
    }
    return out;
}

QList<QJsonObject> FlowsFixture::Uploads(const QString& script) const {
    QList<QJsonObject> out;
    for (const QJsonObject& e : server_.JournalFor(script)) {
        if (!e.value(QStringLiteral("files")).toArray().isEmpty()) {
            out.append(e);
        }
    }
    return out;
}

bool FlowsFixture::WaitForRequests(const QString& script, int count) {
    return WaitFor([&] { return server_.JournalFor(script).size() >= count; });
}

QString FlowsFixture::ReadText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}

QString FlowsFixture::ServerDocument(const QString& name) const {
    QTemporaryDir dir;
    CFileDownloads download;
    download.SetURL(server_.BaseUrl() + QStringLiteral("qm_download_files.php?filename=") + name);
    download.SetTargetFolder(dir.path() + QLatin1Char('/'));
    return ReadText(download.DownloadFiles(name));
}

QString FlowsFixture::Status(const QString& name, DeskContext::StatusColumn column) const {
    const int row = RowOf(name);
    return row < 0 ? QString() : page_->List()->Model()->CellText(row, static_cast<int>(column));
}

void FlowsFixture::SetPrivileges(const QString& user, const QString& provider, const QString& flags) const {
    const QString sql = QStringLiteral("UPDATE user_providers SET privileges='%1' WHERE user_id='%2' AND "
                                       "provider_id='%3';")
                            .arg(flags, user, provider);
    QProcess sqlite;
    sqlite.start(QStringLiteral("sqlite3"),
                 {server_.DataDir() + QStringLiteral("/report-server.sqlite"), sql});
    ASSERT_TRUE(sqlite.waitForFinished(10000));
    ASSERT_EQ(sqlite.exitCode(), 0) << sqlite.readAllStandardError().toStdString();
}
