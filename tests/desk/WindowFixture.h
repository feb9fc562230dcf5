#pragma once

#include "reportlist/core/ReportListModel.h"
#include "tests/reportlist/core/ListTestSupport.h"
#include "tests/support/DeskWindow.h"

// The cache file the window writes for the demo practice's locations.
inline const QByteArray kDemoCacheFile = "[12]\r\nAll=All Locations\r\n3=North Clinic\r\n4=South Clinic\r\n"
                                         "[15]\r\nAll=All Locations\r\n3=North Clinic\r\n5=East Office\r\n"
                                         "[18]\r\nAll=All Locations\r\n5=East Office\r\n";
// The action buttons in their row: Open, Print, Fax, Forward, E-Sign, Version, Search, Play, Rename.
inline const char* const kActionButtons[] = {"openButton",    "printButton", "faxButton",
                                             "forwardButton", "esignButton", "demographicsButton",
                                             "searchButton",  "playButton",  "renameButton"};

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
        PromptsDouble::Current().Clear();
        DemoSession(server_);
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

    StandInServer server_;
    std::unique_ptr<CVelmoPropPage> page_;
};
