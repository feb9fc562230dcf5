// Document history: who may see it, the version list in the dialog, and viewing a version.
#include "dialogs/history/DocumentHistory.h"
#include "dialogs/history/CDlgDocumentHistory.h"
#include "documents/core/OfficeProgram.h"

#include "tests/support/FakeDesk.h"

namespace {

using HistoryTest = ServerTest;

QStringList Rows(QWidget& dialog) {
    return Texts(In<CReportListCtrl>(dialog, "versionList")->Model());
}

void ViewVersion(QWidget& dialog, int row) {
    CReportListCtrl* list = In<CReportListCtrl>(dialog, "versionList");
    if (row >= 0) {
        list->selectRow(row);
    }
    Click(dialog, "viewDocumentButton");
}

TEST_F(HistoryTest, OneReadableOrEditableReportOpensItsHistory) {
    const QString tooMany = QStringLiteral("Select only one file to view document history.");
    const struct {
        const char* type;
        QList<FakeDesk::Row> selected;
        QStringList messages;
        QString requested; // the report whose version list is fetched; null: none
    } cases[] = {
        {"p", {{{"R260001"}}}, {"Click on Play to play voice files"}, {}},
        {"t", {}, {"Select a document to view previous version."}, {}},
        {"t", {{{"R260001"}}, {{"R260004"}}}, {tooMany}, {}},
        {"T", {{{""}, ""}, {{"R260004"}, "1"}}, {}, QStringLiteral("R260004")},
        {"t", {{{"R260001"}, "0000"}}, {Denied("see the \"Document History\" for this document")}, {}},
        {"t", {{{"R260001"}, "00001"}}, {}, QStringLiteral("R260001")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.messages.join(u' ').toStdString() + c.requested.toStdString());
        PromptsDouble::Current().Clear();
        const qsizetype before = Queries("qm_versionlist.php").size();
        FakeDesk desk = FakeDesk::Of(c.type, c.selected);
        QStringList shown;
        WhenShown<CDlgDocumentHistory> driver([&](CDlgDocumentHistory& d) {
            shown = Rows(d);
            QTest::keyClick(&d, Qt::Key_Escape);
        });
        DocumentHistory(desk).Run();
        EXPECT_EQ(Shown(), c.messages);
        EXPECT_EQ(Queries("qm_versionlist.php").mid(before),
                  c.requested.isNull()
                      ? QStringList()
                      : QStringList{"physicianid=12&filename=" + c.requested + "&locationid=All"});
        EXPECT_EQ(shown.size(), c.requested.isNull() ? 0 : 2); // each demo history has two versions
    }
}

TEST_F(HistoryTest, VersionListFillsTheColumnsIsDeletedEvenWhenReadOnlyAndBadRowsOpenNothing) {
    const QTemporaryDir folder;
    const QString path = WriteFile(folder.filePath("R1_versions.txt"),
                                   "R1_Version1|01/02/2026 09:00 AM|01/03/2026 10:00 AM|R1.v1|extra\n"
                                   "R1_Version2|01/04/2026 11:00 AM\nno separator\nR1_Version9|a|b|R1.v9\n");
    QFile::setPermissions(path, QFileDevice::ReadOwner);
    CDlgDocumentHistory dialog;
    dialog.SetVersionListPath(path);
    dialog.show();
    EXPECT_EQ(Rows(dialog),
              (QStringList{"1~R1_Version1~01/02/2026 09:00 AM~01/03/2026 10:00 AM~R1.v1",
                           "2~R1_Version2~01/04/2026 11:00 AM~~", "3~~~~", "4~R1_Version9~a~b~R1.v9"}));
    EXPECT_FALSE(QFile::exists(path));

    ViewVersion(dialog, -1);
    ViewVersion(dialog, 1); // the short line has no server name: nothing happens
    EXPECT_TRUE(server_.Journal().isEmpty());
    ViewVersion(dialog, 3); // a version the server does not have
    const QList<Prompts::Box> shown = PromptsDouble::Current().Shown();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0].text, QStringLiteral("Select a document to view."));
    EXPECT_EQ(shown[1].text, QStringLiteral("Unable to open file. Please contact Technical support at "
                                            "support@molve-reports.com or 1-800-555-0142 for assistance."));
    EXPECT_EQ(shown[1].icon, Prompts::Icon::Error);
    EXPECT_TRUE(shell_.started.isEmpty());
}

TEST_F(HistoryTest, ViewDocumentFetchesTheVersionOnceAndOpensItReadOnly) {
    FakeDesk desk = FakeDesk::Of("t", {{{"R260001"}}});
    const QString local = CUtility::TempFolder() + QStringLiteral("R260001_Version1.doc");
    // An earlier desk's LibreOffice listed a report among its Recent Documents, with a picture of it.
    const QString xcu = OfficeProgram::EditingProfile() + "/user/registrymodifications.xcu";
    OfficeProgram::EditingArguments();
    WriteFile(xcu,
              "<oor:items>\n<item oor:path=\"/org.openoffice.Office.Common/History\"><prop "
              "oor:name=\"PickListSize\" oor:op=\"fuse\"><value>25</value></prop></item>\n<item "
              "oor:path=\"/org.openoffice.Office.Histories/Histories/org.openoffice.Office.Histories:"
              "HistoryInfo['PickList']/ItemList\"><node oor:name=\"file:///R9.doc\"/></item>\n</oor:items>");
    WhenShown<CDlgDocumentHistory> driver([&](CDlgDocumentHistory& d) {
        ViewVersion(d, 0);
        ViewVersion(d, 0); // now in the temporary folder: no second download
        const std::unique_ptr<QMenu> menu = d.BuildContextMenu();
        ASSERT_EQ(menu->actions().size(), 1);
        EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("View Document"));
        menu->actions()[0]->trigger();
        SaveShot(d, QStringLiteral("dialog-history.png"));
        Click(d, "closeButton");
    });
    DocumentHistory(desk).Run();
    ASSERT_EQ(driver.Runs(), 1);
    EXPECT_EQ(Queries("qm_download_versionfiles.php"), QStringList{"filename=R260001.v1"});
    // In the desk's own profile, which keeps no Recent Documents; read-only on disk (the protection
    // for form fields is the view-only sequence's, tested with the engine).
    QFile settings(xcu);
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QByteArray kept = settings.readAll();
    EXPECT_FALSE(kept.contains("R9.doc"));
    EXPECT_EQ(kept.count("PickListSize"), 1);
    EXPECT_TRUE(kept.contains("\"PickListSize\" oor:op=\"fuse\"><value>0</value>"));
    EXPECT_EQ(shell_.started,
              QList<QStringList>(3, QStringList{"soffice"} + OfficeProgram::EditingArguments() +
                                        QStringList{"--view", local}));
    constexpr QFileDevice::Permissions kUser = // what this account may do; root may do anything
        QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser;
    EXPECT_EQ(QFile::permissions(local) & ~kUser, QFileDevice::ReadOwner);
    EXPECT_TRUE(Shown().isEmpty());
    EXPECT_TRUE(QFile::remove(local)); // as the window empties its folder
}

} // namespace
