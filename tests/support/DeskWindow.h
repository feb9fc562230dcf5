#pragma once

// The report list window as a user drives it, on the demo practice's session.
#include "desk/CVelmoPropPage.h"
#include "host/core/SessionSettings.h"
#include "reportlist/core/ReportListModel.h"
#include "reportlist/listctrl/CReportListCtrl.h"
#include "tests/reportlist/core/ListTestSupport.h"
#include "tests/support/JournalFields.h"
#include "tests/support/ProfileCheck.h"
#include "tests/support/PromptsDouble.h"
#include "tests/support/QStringPrinting.h"
#include "tests/support/ServerFixture.h"
#include "tests/support/TodaysLog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QJsonObject>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// Driving widgets as the user does, and what the user was shown.
template <class T = QWidget> T* In(QWidget& parent, const char* name) {
    T* w = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}
// A disabled button ignores the click: the test says so rather than carrying on.
inline void Click(QWidget* w) {
    ASSERT_TRUE(w->isEnabled()) << w->objectName().toStdString() << " is disabled";
    QTest::mouseClick(w, Qt::LeftButton);
}
inline void Click(QWidget& parent, const char* name) {
    Click(In(parent, name));
}
// What the window system delivers for a double click: press, release, double click, release.
inline void DoubleClick(QWidget* w, QPoint at) {
    QTest::mousePress(w, Qt::LeftButton, {}, at);
    QTest::mouseRelease(w, Qt::LeftButton, {}, at);
    QTest::mouseDClick(w, Qt::LeftButton, {}, at);
    QTest::mouseRelease(w, Qt::LeftButton, {}, at);
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
inline QStringList Shown() {
    return PromptsDouble::Current().ShownTexts();
}
// Exactly one message box was shown, with this text and icon.
inline void ExpectOneBox(const QString& text, Prompts::Icon icon) {
    ASSERT_EQ(Shown(), QStringList{text});
    EXPECT_EQ(PromptsDouble::Current().Shown()[0].icon, icon);
}
// With VELMO_DIALOG_SHOTS set to a folder, saves the widget's picture there (docs/ pictures).
inline void SaveShot(QWidget& widget, const QString& name) {
    if (const QString folder = qEnvironmentVariable("VELMO_DIALOG_SHOTS"); !folder.isEmpty()) {
        widget.grab().save(QDir(folder).filePath(name));
    }
}

// The refusal for a command the user's privileges do not cover.
inline QString Denied(const QString& what) {
    return "ACCESS DENIED: Your user account is not configured to " + what +
           ". For assistance, please contact technical support via email at support@molve-reports.com or "
           "1-800-555-0142.";
}

inline const QString kDemoLocations =
    "[12]3~North Clinic|4~South Clinic[15]3~North Clinic|5~East Office[18]5~East Office";

// User 12 of the demo practice against this server.
inline void DemoSession(const StandInServer& server) {
    Session().Reset();
    Session().SetServerURL(server.BaseUrl());
    Session().SetLoggedUserId(QStringLiteral("12"));
    Session().SetPhysicianList(QStringLiteral("12~Dr. Amelia Hart|15~Dr. Rafael Ortiz|18~Dr. Nina Kowalski"));
    Session().SetLocationList(kDemoLocations);
}
// Shows a new window and runs its start (query, list, owed uploads) to the end, exactly once.
inline std::unique_ptr<CVelmoPropPage> ShowDesk() {
    auto page = std::make_unique<CVelmoPropPage>();
    page->resize(1024, 700);
    page->show();
    QSignalSpy finished(page.get(), &CVelmoPropPage::StartupFinished);
    page->OnInitDialog();
    EXPECT_TRUE(!finished.isEmpty() || finished.wait(20000));
    EXPECT_EQ(finished.size(), 1);
    return page;
}

// A fresh session of demo user 12 against a stand-in server of its own, which nothing reaches in
// the clear; whatever the test wrote under the profile folder stays the user's alone.
class DemoServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Start()) << server_.Error().toStdString();
        ResetSession();
    }
    void TearDown() override {
        for (const QJsonObject& request : server_.Journal()) {
            EXPECT_EQ(request["scheme"].toString() + ':' + QString::number(request["port"].toInt()),
                      "https:443")
                << request["path"].toString().toStdString();
        }
        EXPECT_EQ(NotPrivate(CUtility::ProfileFolder()), QStringList());
    }
    void ResetSession() {
        PromptsDouble::Current().Clear();
        DemoSession(server_);
    }
    QStringList Queries(const QString& script) const { return JournalQueries(server_, script); }

    StandInServer server_;
};

// The cache file the window writes for the demo practice's locations.
inline const QByteArray kDemoCacheFile = "[12]\r\nAll=All Locations\r\n3=North Clinic\r\n4=South Clinic\r\n"
                                         "[15]\r\nAll=All Locations\r\n3=North Clinic\r\n5=East Office\r\n"
                                         "[18]\r\nAll=All Locations\r\n5=East Office\r\n";
// The action buttons in their row: Open, Print, Fax, Forward, E-Sign, Version, Search, Play, Rename.
inline const char* const kActionButtons[] = {"openButton",    "printButton", "faxButton",
                                             "forwardButton", "esignButton", "demographicsButton",
                                             "searchButton",  "playButton",  "renameButton"};

// A report list window on a fresh session against its own stand-in server (demo practice).
class WindowFixture : public DemoServerTest {
public:
    static QString Iso(const QDate& d) { return d.toString("yyyy-MM-dd"); }
    // The default range: six days (518,400 s) back to today.
    static QDate DefaultFrom() { return QDateTime::currentDateTime().addSecs(-518400).date(); }
    // The start-up request's query for user 12 over the default range.
    static QString DefaultQuery(const QString& provider, const QString& location, const QString& type) {
        return QStringLiteral(
                   "loginuserid=12&physicianid=%1&locationid=%2&fromdate=%3&todate=%4&reporttype=%5")
            .arg(provider, location, Iso(DefaultFrom()), Iso(QDate::currentDate()), type);
    }

protected:
    static constexpr int kWaitMs = 20000;

    void TearDown() override {
        DemoServerTest::TearDown(); // with the window still open
        page_.reset();
    }

    CVelmoPropPage& Start() {
        page_.reset();
        page_ = ShowDesk();
        return *page_;
    }

    bool WaitForNoResultCheck() {
        return QTest::qWaitFor([&] { return !page_->NoResultCheckPending(); }, kWaitMs);
    }

    QComboBox* Box(const char* name) const { return In<QComboBox>(*page_, name); }
    QPushButton* Button(const char* name) const { return In<QPushButton>(*page_, name); }
    QDateEdit* Date(const char* name) const { return In<QDateEdit>(*page_, name); }
    static QString Items(const QComboBox* box) { return Entries(box).join('|'); }
    QStringList ListQueries() const { return JournalQueries(server_, "qm_download_filelist.php", true); }
    QStringList Filenames() const {
        QStringList names;
        for (int r = 0; r < page_->RowCount(); ++r) {
            names.append(page_->Filename(r));
        }
        return names;
    }
    void ChooseProvider(const QString& text) { Choose(Box("providerBox"), text); }
    void ClickGo() { Click(Button("goButton")); }
    void SelectRow(int row, bool add = false) {
        CReportListCtrl* list = page_->List();
        list->selectionModel()->select(
            list->model()->index(row, 0),
            (add ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect) |
                QItemSelectionModel::Rows);
        if (!add) {
            list->setCurrentIndex(list->model()->index(row, 0));
        }
    }

    std::unique_ptr<CVelmoPropPage> page_;
};
