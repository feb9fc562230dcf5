// Document history: who may see it, the version list in the dialog, and viewing a version.
#include "dialogs/history/DocumentHistory.h"
#include "dialogs/history/CDlgDocumentHistory.h"

#include "host/core/CUtility.h"
#include "tests/dialogs/ActionTestSupport.h"
#include "tests/reportlist/window/WindowFixture.h"

#include <QFile>
#include <QMenu>
#include <QTemporaryDir>

namespace {

CReportListCtrl* Versions(QWidget& dialog) {
    auto* list = dialog.findChild<CReportListCtrl*>(QStringLiteral("ctl235"));
    EXPECT_NE(list, nullptr);
    return list;
}

QList<QStringList> Rows(QWidget& dialog) {
    const ReportListModel* model = Versions(dialog)->Model();
    QList<QStringList> rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < model->columnCount(); ++column) {
            cells.append(model->CellText(row, column));
        }
        rows.append(cells);
    }
    return rows;
}

void SelectVersion(QWidget& dialog, int row) {
    CReportListCtrl* list = Versions(dialog);
    list->selectionModel()->select(list->model()->index(row, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ClickView(QWidget& dialog) {
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("ctl260")), Qt::LeftButton);
}

class HistoryTest : public ::testing::Test {
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
        desk_.state.ReportTypeCode = QStringLiteral("t");
    }
    void TearDown() override { Shell::Install(nullptr); }

    QStringList Queries(const char* script) const {
        QStringList queries;
        for (const QJsonObject& entry : server_.JournalFor(QString::fromLatin1(script))) {
            queries.append(entry.value(QStringLiteral("query")).toString());
        }
        return queries;
    }

    RecordingShell shell_;
    StandInServer server_;
    FakeDesk desk_;
};

const QString kDenied = QStringLiteral(
    "ACCESS DENIED: Your user account is not configured to see the \"Document History\" for this document. "
    "For assistance, please contact technical support via email at support@molve-reports.com or "
    "1-800-555-0142.");

TEST_F(HistoryTest, OneReadableOrEditableReportOpensItsHistory) {
    struct Case {
        const char* name;
        const char* type;
        QList<FakeDesk::Row> selected;
        QStringList messages;
        QString requested; // the file name of the version list request; null: none
    };
    const QList<Case> cases{
        {"pending list", "p", {{"R260001", "111111"}}, {"Click on Play to play voice files"}, {}},
        {"nothing selected", "t", {}, {"Select a document to view previous version."}, {}},
        {"two named rows",
         "t",
         {{"R260001", "111111"}, {"R260004", "111111"}},
         {"Select only one file to view document history."},
         {}},
        {"named row first",
         "t",
         {{"R260001", "111111"}, {"", ""}},
         {"Select only one file to view document history."},
         {}},
        {"unnamed row first", "T", {{"", ""}, {"R260004", "1"}}, {}, QStringLiteral("R260004")},
        {"no rights", "t", {{"R260001", "0000"}}, {kDenied}, {}},
        {"may edit", "t", {{"R260001", "00001"}}, {}, QStringLiteral("R260001")},
        {"one unnamed row", "t", {{"", "111111"}}, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PromptsDouble::Current().Clear();
        const qsizetype before = Queries("qm_versionlist.php").size();
        desk_.state.ReportTypeCode = QString::fromLatin1(c.type);
        desk_.rows = c.selected;
        desk_.selected.clear();
        for (int i = 0; i < c.selected.size(); ++i) {
            desk_.selected.append(i);
        }
        QList<QStringList> shown;
        WhenShown<CDlgDocumentHistory> driver([&](CDlgDocumentHistory& d) {
            shown = Rows(d);
            QTest::keyClick(&d, Qt::Key_Escape);
        });
        DocumentHistory(desk_).Run();
        EXPECT_EQ(PromptsDouble::Current().ShownTexts(), c.messages);
        const QStringList requests = Queries("qm_versionlist.php").mid(before);
        if (c.requested.isNull()) {
            EXPECT_TRUE(requests.isEmpty());
            EXPECT_EQ(driver.Runs(), 0);
        } else {
            EXPECT_EQ(requests, QStringList{"physicianid=12&filename=" + c.requested + "&locationid=All"});
            ASSERT_EQ(driver.Runs(), 1);
            // Two earlier versions of each demo report with a history, oldest first.
            ASSERT_EQ(shown.size(), 2);
            EXPECT_EQ(shown[0][1], c.requested + "_Version1");
            EXPECT_EQ(shown[1][4], c.requested + ".v2");
        }
    }
}

TEST_F(HistoryTest, VersionListFillsTheColumnsAndIsDeletedEvenWhenReadOnly) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("R1_versions.txt"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("R1_Version1|01/02/2026 09:00 AM|01/03/2026 10:00 AM|R1.v1|extra\n"
                   "R1_Version2|01/04/2026 11:00 AM\n"
                   "no separator\n");
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    CDlgDocumentHistory dialog;
    dialog.SetVersionListPath(path);
    dialog.show();
    EXPECT_EQ(Rows(dialog),
              (QList<QStringList>{{"1", "R1_Version1", "01/02/2026 09:00 AM", "01/03/2026 10:00 AM", "R1.v1"},
                                  {"2", "R1_Version2", "01/04/2026 11:00 AM", "", ""},
                                  {"3", "", "", "", ""}}));
    const ReportListModel* model = Versions(dialog)->Model();
    QStringList captions;
    for (int column = 0; column < model->columnCount(); ++column) {
        captions.append(model->ColumnCaption(column));
    }
    EXPECT_EQ(captions, (QStringList{"...", "Filename", "Transcribed Date/Time", "Revised Date/Time", ""}));
    EXPECT_TRUE(Versions(dialog)->isColumnHidden(4));
    EXPECT_FALSE(QFile::exists(path));

    ClickView(dialog); // nothing selected
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(), QStringList{"Select a document to view."});
    SelectVersion(dialog, 1); // the short line has no server name: nothing happens
    ClickView(dialog);
    EXPECT_EQ(PromptsDouble::Current().ShownTexts().size(), 1);
    EXPECT_TRUE(shell_.started.isEmpty());
    EXPECT_TRUE(server_.Journal().isEmpty());
}

TEST_F(HistoryTest, ViewDocumentFetchesTheVersionOnceAndOpensItReadOnly) {
    desk_.rows = {{QStringLiteral("R260001"), QStringLiteral("111111")}};
    desk_.selected = {0};
    const QString local = CUtility().TempFolder() + QStringLiteral("R260001_Version1.doc");
    QFile::remove(local);
    int menuItems = 0;
    WhenShown<CDlgDocumentHistory> driver([&](CDlgDocumentHistory& d) {
        SelectVersion(d, 0);
        ClickView(d);
        ClickView(d); // already in the temporary folder: no second download
        const std::unique_ptr<QMenu> menu = d.BuildContextMenu();
        menuItems = static_cast<int>(menu->actions().size());
        ASSERT_EQ(menu->actions().value(0)->text(), QStringLiteral("View Document"));
        menu->actions()[0]->trigger();
        SaveShot(d, QStringLiteral("dialog-history.png"));
        d.accept();
    });
    DocumentHistory(desk_).Run();
    ASSERT_EQ(driver.Runs(), 1);
    EXPECT_EQ(menuItems, 1);
    EXPECT_EQ(Queries("qm_download_versionfiles.php"), QStringList{"filename=R260001.v1"});
    ASSERT_EQ(shell_.started.size(), 3);
    for (const RecordingShell::Started& s : shell_.started) {
        EXPECT_EQ(s.program, QStringLiteral("soffice"));
        EXPECT_EQ(s.arguments, (QStringList{"--view", local}));
    }
    QFile version(local);
    ASSERT_TRUE(version.open(QIODevice::ReadOnly));
    EXPECT_TRUE(version.read(6).startsWith("{\\rtf1"));
    EXPECT_TRUE(PromptsDouble::Current().ShownTexts().isEmpty());
}

TEST_F(HistoryTest, AVersionTheServerCannotFindCannotBeOpened) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("list.txt"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("R260001_Version9|a|b|R260001.v9\n");
    }
    CDlgDocumentHistory dialog;
    dialog.SetVersionListPath(path);
    dialog.show();
    SelectVersion(dialog, 0);
    ClickView(dialog);
    const QList<Prompts::Box> shown = PromptsDouble::Current().Shown();
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.last().text,
              QStringLiteral("Unable to open file. Please contact Technical support at "
                             "support@molve-reports.com or 1-800-555-0142 for assistance."));
    EXPECT_EQ(shown.last().icon, Prompts::Icon::Error);
    EXPECT_TRUE(shell_.started.isEmpty());
}

// From the window's menu command, on a report of the list that has earlier versions.
using HistoryWindowTest = WindowFixture;

TEST_F(HistoryWindowTest, MenuCommandShowsTheSelectedReportsVersions) {
    CVelmoPropPage& page = Start();
    const QStringList withHistory{"R260001", "R260004", "R260010", "R260017"};
    int row = -1;
    for (int r = 0; r < page.RowCount() && row < 0; ++r) {
        row = withHistory.contains(page.Filename(r)) ? r : -1;
    }
    ASSERT_GE(row, 0);
    SelectRow(row);
    QList<QStringList> shown;
    WhenShown<CDlgDocumentHistory> driver([&](CDlgDocumentHistory& d) {
        shown = Rows(d);
        QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("ctl1")), Qt::LeftButton);
    });
    page.OnPopDocumentHistory();
    ASSERT_EQ(driver.Runs(), 1);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[1][1], page.Filename(row) + QStringLiteral("_Version2"));
}

} // namespace
