#include "reportlist/core/ReportListModel.h"
#include "tests/reportlist/core/ListTestSupport.h"

#include <QLocale>

namespace {

QString Column(const ReportListModel& model, int column) {
    return Texts(&model, column, column).join('|');
}

// Each header section as "caption:width:tooltip:image", "|" between them.
QString Header(const ReportListModel& model) {
    QStringList sections;
    for (int c = 0; c < model.columnCount(); ++c) {
        QStringList parts{model.ColumnCaption(c), QString::number(model.ColumnWidth(c))};
        for (const int role : {int(Qt::ToolTipRole), int(Qt::DecorationRole)}) {
            parts.append(model.headerData(c, Qt::Horizontal, role).toString().remove(":/icons/"));
        }
        sections.append(parts.join(':'));
    }
    return sections.join('|');
}

const QString kStatusHeader = "Op:30:Opened:status-opened.svg|Pr:30:Printed:status-printed.svg|"
                              "Fa:30:Faxed:status-faxed.svg|Fo:30:Forwarded:status-forwarded.svg|"
                              "Es:30:E-Signed:status-esigned.svg";

// Every per-row value must still belong to the file name shown in the same row.
void ExpectRowsCarryTheirValues(const ReportListModel& model) {
    ASSERT_EQ(model.AccessFlags().size(), model.rowCount());
    for (int row = 0; row < model.rowCount(); ++row) {
        const QString name = model.CellText(row, kFilenameColumn);
        EXPECT_EQ(model.EsignOwner()[row], "u" + name.mid(1)) << name.toStdString();
        EXPECT_EQ(model.AccessFlags()[row].count(u'1'), name.mid(1).toInt()) << name.toStdString();
        EXPECT_EQ(model.Record(row).values.first(), name);
        for (int k = 0; k < 5; ++k) { // the status cells are drawn from the row's own flags
            EXPECT_EQ(model.data(model.index(row, 1 + k), ReportListModel::StatusDotRole).toBool(),
                      model.ActivityFlags()[row][k] == u'1')
                << name.toStdString();
        }
    }
}

// Text order is the user's collation; these tests fix it to US English.
class ReportListModelTest : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
    ReportListModel model;
};

} // namespace

TEST_F(ReportListModelTest, DefaultColumnsThenLoadsThatReplaceThemUnlessTheFileIsEmpty) {
    model.SetDefaultColumns();
    EXPECT_EQ(Header(model), "Sr.#:40::|" + kStatusHeader +
                                 "|Dictation Date/Time:152::|Report Name:88::|Download Date:104::");
    EXPECT_EQ(model.FindFilenameColumn(), -1);

    model.Load(Parse(kFourReports), false);
    EXPECT_EQ(Header(model),
              "Sr.#:50::|" + kStatusHeader + "|Filename:100::|DictationDate:104::|Pages:40::|Last Name:72::");
    EXPECT_EQ(model.FindFilenameColumn(), kFilenameColumn);
    EXPECT_EQ(Column(model, 0), "  1 |  2 |  3 |  4 ");
    EXPECT_FALSE(model.data(model.index(0, kFilenameColumn), ReportListModel::StatusDotRole).toBool());
    ExpectRowsCarryTheirValues(model);

    model.Load(Parse(""), false);
    EXPECT_EQ(model.rowCount(), 4) << "an empty file changes nothing";
    EXPECT_EQ(model.columnCount(), 10);
    model.Load(Parse("Privileges~1|Owner~u9|Activity Indicator~00001|Filename~R9\n", true), true);
    EXPECT_EQ(Header(model), "Sr.#:50::|" + kStatusHeader + "|Filename:400::");
    EXPECT_EQ(model.EsignOwner(), QStringList({"u9"})) << "a new list replaces the per-row lists";
    model.Load(Parse("   \n"), false);
    EXPECT_EQ(model.columnCount(), 6) << "a first line without fields still replaces the columns";
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(ReportListModelTest, SortingByNumberAndTextKeepsEachRowsValues) {
    model.Load(Parse(kFourReports), false);
    const struct {
        const char* why;
        int column;
        bool ascending;
        const char* files;
    } cases[] = {
        {"numbers descending, empty as 0", kPagesColumn, false, "R4|R1|R3|R2"},
        {"text by collation", kLastNameColumn, true, "R3|R2|R4|R1"},
    };
    for (const auto& c : cases) {
        model.Sort(c.column, c.ascending);
        EXPECT_EQ(Column(model, kFilenameColumn), c.files) << c.why;
        ExpectRowsCarryTheirValues(model);
    }
    EXPECT_EQ(Column(model, 0), "  3 |  2 |  4 |  1 ") << "labels travel with their rows";
}

TEST_F(ReportListModelTest, KeptSortKeysFollowAChangedCellTellEncodingsApartAndPlainLists) {
    // The second line is not UTF-8 (its owner): the same name bytes read as Latin-1 there, another name.
    model.Load(Parse("Privileges~1|Owner~u1|Activity Indicator~0|Filename~R1|LastName~Jos\xc3\xa9\n"
                     "Privileges~1|Owner~u\xff|Activity Indicator~0|Filename~R2|LastName~Jos\xc3\xa9\n"
                     "Privileges~1|Owner~u3|Activity Indicator~0|Filename~R3|LastName~Josf\n"),
               false);
    model.Sort(kFilenameColumn + 1, true);
    EXPECT_EQ(Column(model, kFilenameColumn), "R2|R1|R3");
    model.SetCellText(2, kFilenameColumn + 1, "Abe");
    model.Sort(kFilenameColumn + 1, true);
    EXPECT_EQ(Column(model, kFilenameColumn), "R3|R2|R1") << "the changed name sorts as it is now";
    // Status cells, and the plain lists of the dialogs.
    model.Load(Parse(kFourReports), false);
    model.SetCellText(0, 2, "O");
    EXPECT_TRUE(model.data(model.index(0, 2), ReportListModel::StatusDotRole).toBool());

    model.SetColumns({"Sr.#", "Version", "Date"}, {40, 60, 120});
    EXPECT_EQ(model.StatusColumnCount(), 0);
    model.AppendRow({"  1 ", "3", "01/02/2024"});
    model.AppendRow({"  2 ", "12", "12/30/2023"});
    model.AppendRow({"  3 ", "O"});
    EXPECT_FALSE(model.data(model.index(2, 1), ReportListModel::StatusDotRole).toBool())
        << "no image columns";
    model.Sort(1, true);
    EXPECT_EQ(Column(model, 1), "3|12|O");
}
