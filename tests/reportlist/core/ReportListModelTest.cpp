#include "reportlist/core/ReportListModel.h"
#include "tests/reportlist/core/ListTestSupport.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

QStringList Column(const ReportListModel& model, int column) {
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row) {
        texts.append(model.CellText(row, column));
    }
    return texts;
}

// Every per-row value must still belong to the file name shown in the same row.
void ExpectRowsCarryTheirValues(const ReportListModel& model) {
    const QStringList access = model.AccessFlags();
    const QStringList owners = model.EsignOwner();
    const QStringList flags = model.ActivityFlags();
    ASSERT_EQ(access.size(), model.rowCount());
    for (int row = 0; row < model.rowCount(); ++row) {
        const QString name = model.CellText(row, kFilenameColumn);
        const int n = name.mid(1).toInt();
        EXPECT_EQ(owners[row], QStringLiteral("u%1").arg(n)) << name.toStdString();
        EXPECT_EQ(access[row].count(u'1'), n) << name.toStdString();
        EXPECT_EQ(model.Record(row).values.first(), name);
        // The status cells are drawn from the row's own flags.
        for (int k = 0; k < 5; ++k) {
            EXPECT_EQ(model.CellText(row, 1 + k) == "O", flags[row][k] == u'1')
                << name.toStdString() << " flag " << k;
        }
    }
}

// Text order is the user's collation; these tests fix it to US English.
class ReportListModelTest : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

} // namespace

TEST_F(ReportListModelTest, DefaultColumns) {
    ReportListModel model;
    model.SetDefaultColumns();
    ASSERT_EQ(model.columnCount(), 9);
    const QStringList shown = {"Sr.#",         "", "", "", "", "", "Dictation Date/Time", "Report Name",
                               "Download Date"};
    const QList<int> widths = {40, 30, 30, 30, 30, 30, 152, 88, 104};
    const QStringList tips = {"", "Opened", "Printed", "Faxed", "Forwarded", "E-Signed", "", "", ""};
    for (int c = 0; c < 9; ++c) {
        EXPECT_EQ(model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), shown[c]) << c;
        EXPECT_EQ(model.ColumnWidth(c), widths[c]) << c;
        EXPECT_EQ(model.headerData(c, Qt::Horizontal, Qt::ToolTipRole).toString(), tips[c]) << c;
        const QString image = QStringLiteral(":/icons/status-%1.svg").arg(tips[c].toLower().remove(u'-'));
        EXPECT_EQ(model.headerData(c, Qt::Horizontal, Qt::DecorationRole).toString(),
                  tips[c].isEmpty() ? QString() : image)
            << c;
        EXPECT_EQ(model.IsImageColumn(c), c >= 1 && c <= 5) << c;
        // Screen readers get a name for every header section.
        EXPECT_FALSE(model.headerData(c, Qt::Horizontal, Qt::AccessibleTextRole).toString().isEmpty()) << c;
    }
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.FindFilenameColumn(), -1);
}

TEST_F(ReportListModelTest, LoadReplacesColumnsRowsAndListsAndAnEmptyFileKeepsThem) {
    ReportListModel model;
    model.SetDefaultColumns();
    model.Load(Parse(kFourReports), false);
    ASSERT_EQ(model.columnCount(), 10);
    EXPECT_EQ(model.ColumnCaption(0), "Sr.#");
    EXPECT_EQ(model.ColumnWidth(0), 50);
    EXPECT_EQ(model.ColumnWidth(3), 30);
    EXPECT_EQ(model.ColumnCaption(kLastNameColumn), "Last Name");
    EXPECT_EQ(model.ColumnWidth(kLastNameColumn), 72);
    EXPECT_EQ(model.FindFilenameColumn(), kFilenameColumn);
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(Column(model, 0), QStringList({"  1 ", "  2 ", "  3 ", "  4 "}));
    EXPECT_EQ(model.data(model.index(1, 5), ReportListModel::StatusDotRole).toBool(), true);
    EXPECT_EQ(model.data(model.index(1, 5), Qt::AccessibleTextRole).toString(), "E-Signed");
    EXPECT_EQ(model.data(model.index(0, 5), ReportListModel::StatusDotRole).toBool(), false);
    EXPECT_EQ(model.data(model.index(0, kFilenameColumn), ReportListModel::StatusDotRole).toBool(), false);
    ExpectRowsCarryTheirValues(model);

    // An empty file changes nothing.
    model.Load(Parse(""), false);
    EXPECT_EQ(model.rowCount(), 4);
    EXPECT_EQ(model.columnCount(), 10);

    // A new list replaces everything, including the per-row lists.
    model.Load(Parse("Privileges~1|Owner~u9|Activity Indicator~00001|Filename~R9\n", true), true);
    EXPECT_EQ(model.columnCount(), 7);
    EXPECT_EQ(model.ColumnWidth(kFilenameColumn), 400);
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.EsignOwner(), QStringList({"u9"}));

    // A first line that yields no fields still replaces the columns and empties the list.
    model.Load(Parse("   \n"), false);
    EXPECT_EQ(model.columnCount(), 6);
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(ReportListModelTest, SortingByDateNumberTextAndStatusKeepsEachRowsValues) {
    ReportListModel model;
    model.Load(Parse(kFourReports), false);
    const struct {
        const char* why;
        int column;
        bool ascending;
        QStringList files;
    } cases[] = {
        {"dates chronologically", kDateColumn, true, {"R3", "R4", "R1", "R2"}},
        {"numbers by value, empty as 0", kPagesColumn, true, {"R2", "R3", "R1", "R4"}},
        {"numbers descending", kPagesColumn, false, {"R4", "R1", "R3", "R2"}},
        {"text by collation", kLastNameColumn, true, {"R3", "R2", "R4", "R1"}},
        {"no dot before a dot, ties keep their order", 1, true, {"R3", "R1", "R2", "R4"}},
        {"a dot before no dot", 1, false, {"R2", "R4", "R3", "R1"}},
        {"row numbers as numbers", 0, false, {"R4", "R3", "R2", "R1"}},
    };
    for (const auto& c : cases) {
        model.Sort(c.column, c.ascending);
        EXPECT_EQ(Column(model, kFilenameColumn), c.files) << c.why;
        ExpectRowsCarryTheirValues(model);
    }
    EXPECT_EQ(Column(model, 0), QStringList({"  4 ", "  3 ", "  2 ", "  1 "}))
        << "labels travel with their rows";
}

TEST_F(ReportListModelTest, StatusDotsFollowCellTextsAndOutOfRangeCellsReadEmpty) {
    ReportListModel model;
    model.Load(Parse(kFourReports), false);
    model.SetCellText(0, 2, "O");
    EXPECT_TRUE(model.data(model.index(0, 2), ReportListModel::StatusDotRole).toBool());
    model.SetCellText(0, 2, "");
    EXPECT_FALSE(model.data(model.index(0, 2), ReportListModel::StatusDotRole).toBool());
    EXPECT_EQ(model.CellText(3, 99), "");
    EXPECT_EQ(model.CellText(-1, 0), "");
    EXPECT_TRUE(model.Record(4).label.isEmpty());
}

TEST_F(ReportListModelTest, FilenameColumnIsFoundByTrimmedCaseSensitiveCaption) {
    ReportListModel model;
    model.SetColumns({"Sr.#", "Name", " Filename ", "Filename"}, {40, 80, 100, 100});
    EXPECT_EQ(model.FindFilenameColumn(), 2);
    model.SetColumns({"Sr.#", "filename", "FileName"}, {40, 80, 100});
    EXPECT_EQ(model.FindFilenameColumn(), -1);
}

TEST_F(ReportListModelTest, PlainListsOfTheDialogs) {
    ReportListModel model;
    model.SetColumns({"Sr.#", "Version", "Date"}, {40, 60, 120});
    EXPECT_EQ(model.StatusColumnCount(), 0);
    EXPECT_FALSE(model.IsImageColumn(1));
    model.AppendRow({"  1 ", "3", "01/02/2024"});
    model.AppendRow({"  2 ", "12", "12/30/2023"});
    model.AppendRow({"  3 ", "O"});
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(model.CellText(2, 2), "");
    EXPECT_FALSE(model.data(model.index(2, 1), ReportListModel::StatusDotRole).toBool())
        << "no image columns here";
    EXPECT_EQ(model.headerData(2, Qt::Horizontal, ReportListModel::ColumnWidthRole).toInt(), 120);
    model.Sort(2, true);
    EXPECT_EQ(Column(model, 1), QStringList({"O", "12", "3"}));
    model.Sort(1, true);
    EXPECT_EQ(Column(model, 1), QStringList({"3", "12", "O"}));
    model.ClearRows();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 3);
}
