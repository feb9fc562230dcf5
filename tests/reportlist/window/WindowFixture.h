#pragma once

#include "host/core/SessionSettings.h"
#include "reportlist/core/ReportListModel.h"
#include "reportlist/listctrl/CReportListCtrl.h"
#include "reportlist/window/CVelmoPropPage.h"
#include "tests/support/PromptsDouble.h"
#include "tests/support/ServerFixture.h"

#include <QComboBox>
#include <QDateEdit>
#include <QJsonObject>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// The demo practice's locations per provider, and the cache file the window writes for them.
inline const QString kDemoLocations =
    "[12]3~North Clinic|4~South Clinic[15]3~North Clinic|5~East Office[18]5~East Office";
inline const QByteArray kDemoCacheFile = "[12]\r\nAll=All Locations\r\n3=North Clinic\r\n4=South Clinic\r\n"
                                         "[15]\r\nAll=All Locations\r\n3=North Clinic\r\n5=East Office\r\n"
                                         "[18]\r\nAll=All Locations\r\n5=East Office\r\n";
// The action buttons in their row: Open, Print, Fax, Forward, E-Sign, Version, Search, Play, Rename.
inline const char* const kActionButtons[] = {"ctl210", "ctl201", "ctl202", "ctl203", "ctl204",
                                             "ctl207", "ctl206", "ctl208", "ctl212"};

// A report list window on a fresh session against its own stand-in server (demo practice).
class WindowFixture : public ::testing::Test {
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

    void SetUp() override {
        ASSERT_TRUE(server_.Start()) << server_.Error().toStdString();
        ResetSession();
    }
    void TearDown() override { page_.reset(); }

    void ResetSession() {
        Session().Reset();
        PromptsDouble::Current().Clear();
        Session().SetServerURL(server_.BaseUrl());
        Session().SetLoggedUserId("12");
        Session().SetPhysicianList("12~Dr. Amelia Hart|15~Dr. Rafael Ortiz|18~Dr. Nina Kowalski");
        Session().SetLocationList(kDemoLocations);
    }

    // Creates and shows the window and runs its start-up to the end (query, list, check).
    CVelmoPropPage& Start() {
        page_.reset();
        page_ = std::make_unique<CVelmoPropPage>();
        page_->resize(1024, 700);
        page_->show();
        QSignalSpy finished(page_.get(), &CVelmoPropPage::StartupFinished);
        page_->OnInitDialog();
        if (finished.isEmpty()) {
            EXPECT_TRUE(finished.wait(kWaitMs));
        }
        EXPECT_EQ(finished.size(), 1);
        return *page_;
    }

    bool WaitForNoResultCheck() {
        return QTest::qWaitFor([&] { return !page_->NoResultCheckPending(); }, kWaitMs);
    }

    template <typename T> T* Child(const char* name) const {
        T* w = page_->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QComboBox* Box(const char* name) const { return Child<QComboBox>(name); }
    QPushButton* Button(const char* name) const { return Child<QPushButton>(name); }
    QDateEdit* Date(const char* name) const { return Child<QDateEdit>(name); }

    // The box's items, "|" between them.
    static QString Items(const QComboBox* box) {
        QStringList items;
        for (int i = 0; i < box->count(); ++i) {
            items.append(box->itemText(i));
        }
        return items.join('|');
    }

    QStringList ListQueries() const {
        QStringList queries;
        for (const QJsonObject& entry : server_.JournalFor("qm_download_filelist.php")) {
            queries.append(entry.value("query").toString());
        }
        return queries;
    }

    // Chooses a provider as the user does (the box's selection notification runs).
    void ChooseProvider(const QString& text) {
        QComboBox* box = Box("ctl209");
        const int index = box->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    void ClickGo() { QTest::mouseClick(Button("ctl219"), Qt::LeftButton); }
    void SelectRow(int row) {
        CReportListCtrl* list = page_->List();
        list->selectionModel()->select(list->model()->index(row, 0),
                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        list->setCurrentIndex(list->model()->index(row, 0));
    }

    StandInServer server_;
    std::unique_ptr<CVelmoPropPage> page_;
};
