#include "reportlist/core/FileListFormat.h"
#include "tests/reportlist/core/ListTestSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Each record as "label|value,value,...".
QStringList Rows(const ParsedFileList& list) {
    QStringList rows;
    for (const ReportRecord& record : list.records) {
        rows.append(record.label + QLatin1Char('|') + record.values.join(QLatin1Char(',')));
    }
    return rows;
}

// Each data column as "caption:width".
QStringList Columns(const ParsedFileList& list) {
    QStringList columns;
    for (const FileListColumn& column : list.dataColumns) {
        columns.append(column.caption + QLatin1Char(':') + QString::number(column.width));
    }
    return columns;
}

const QByteArray kFirstLine = "Privileges~110011|Owner~12|Activity Indicator~10001|Filename~R1|FirstName~F1";

} // namespace

TEST(FileListFormat, TranscribedFirstRecordBuildsColumnsRowDotsAndLists) {
    const ParsedFileList list = Parse(kFirstLine + "\n");
    EXPECT_TRUE(list.fileFound);
    EXPECT_TRUE(list.hasRecords);
    EXPECT_EQ(Columns(list), QStringList({"Filename:100", "First Name:80"}));
    EXPECT_EQ(list.columnKeys, QStringList({"Filename", "FirstName"}));
    EXPECT_EQ(Rows(list), QStringList({"  1 |R1,F1"}));
    ASSERT_EQ(list.records.size(), 1);
    const ReportRecord& row = list.records[0];
    EXPECT_EQ(row.accessFlags, "110011");
    EXPECT_EQ(row.esignOwner, "12");
    EXPECT_EQ(row.activityFlags, "10001");
    EXPECT_EQ(row.statusDots, 0b10001) << "dots in the Opened and E-Signed columns only";
    EXPECT_EQ(list.esignedDocuments, QStringList({"R1"}));
}

TEST(FileListFormat, PendingShowsOnlyPositionsThreeAndFourAt400Pixels) {
    const ParsedFileList list = Parse(kFirstLine + "|LastName~L1|MRN~77\n" +
                                          "Privileges~1|Owner~2|Activity Indicator~00000|Filename~R2|"
                                          "FirstName~F2|LastName~L2|MRN~78\n",
                                      true);
    EXPECT_EQ(Columns(list), QStringList({"Filename:400", "First Name:400"}));
    EXPECT_EQ(list.columnKeys, QStringList({"Filename", "FirstName"}));
    EXPECT_EQ(Rows(list), QStringList({"  1 |R1,F1", "  2 |R2,F2"})) << "later positions have no column";
}

TEST(FileListFormat, CaptionsAndWidthsFollowTheKeys) {
    const struct {
        const char* key;
        const char* caption;
        int transcribedWidth; // pending: 400, except the record numbers
    } cases[] = {
        {"MRN", "MRN", 48},
        {"ssn", "ssn", 48}, // 16 px a character, pending too
        {"FILENAME", "FILENAME", 100},
        {"firstname", "First Name", 80},
        {"DateOfBirth", "Date of Birth", 104},
        {"CCDoctorName", "CC Doctor Name 1", 128},
        {"CCDOCTORNAME1", "CC Doctor Name 2", 128},
        {"AttendingPhysicianName", "Attending Doctor Name", 168},
        {"PatientList", "Patient Schedule Received", 200},
        {"Location", "Office Location", 120},
        {"ReportName", "ReportName", 80},
        {" FirstName", " FirstName", 80}, // a later key keeps its blank and is not mapped
    };
    for (const auto& c : cases) {
        const QString caption = CaptionForKey(c.key);
        EXPECT_EQ(caption, c.caption) << c.key;
        EXPECT_EQ(DataColumnWidth(caption, false), c.transcribedWidth) << c.key;
        EXPECT_EQ(DataColumnWidth(caption, true), c.transcribedWidth == 48 ? 48 : 400) << c.key;
    }
}

TEST(FileListFormat, FieldsWithoutKeyOrTildeAreSkippedAndDoNotCountAsPositions) {
    using Fields = QList<QPair<QString, QString>>;
    EXPECT_EQ(SplitRecordFields("Alpha|Beta~one||Gamma~two"), Fields({{"Beta", "one"}, {"Gamma", "two"}}));
    EXPECT_EQ(SplitRecordFields("|~nokey|Key~a~b|"), Fields({{"Key", "a~b"}})) << "split at the first tilde";
    EXPECT_EQ(SplitRecordFields("Empty~"), Fields({{"Empty", ""}}));

    // The positions move up: Beta is position 0 (Privileges), Gamma position 1 (Owner).
    const ParsedFileList list = Parse("Alpha|Beta~one||Gamma~two|Act~00100|File~R9\n");
    ASSERT_EQ(list.records.size(), 1);
    EXPECT_EQ(list.records[0].accessFlags, "one");
    EXPECT_EQ(list.records[0].esignOwner, "two");
    EXPECT_EQ(list.records[0].statusDots, 0b00100);
    EXPECT_EQ(list.records[0].values, QStringList({"R9"}));
}

TEST(FileListFormat, OnlyTheFirstKeyLosesItsLeadingBlank) {
    const ParsedFileList list =
        Parse("  Privileges~1 |Owner~2|Activity Indicator~0|Filename~R| FirstName~F|LastName ~L\n");
    EXPECT_EQ(Columns(list), QStringList({"Filename:100", " FirstName:80", "LastName :72"}));
    EXPECT_EQ(list.columnKeys, QStringList({"Filename", " FirstName", "LastName "}));
    ASSERT_EQ(list.records.size(), 1);
    EXPECT_EQ(list.records[0].accessFlags, "1") << "the first field is trimmed at both ends";
    EXPECT_EQ(SplitRecordFields("A~1 | B~2 ").at(1).first, " B");
    EXPECT_EQ(SplitRecordFields("A~1 | B~2 ").at(1).second, "2 ");
}

TEST(FileListFormat, RecordEdgeCases) {
    const QByteArray r2 = "Privileges~1|Owner~2|Activity Indicator~01000|Filename~R2|FirstName~F2";
    const QByteArray r3 = "Privileges~1|Owner~3|Activity Indicator~00000|Filename~R3|FirstName~F3";
    const QByteArray signed4 = "Privileges~1|Owner~4|Activity Indicator~00001|Filename~R4|FirstName~F4";
    const struct {
        const char* what;
        QByteArray text;
        QStringList rows;
        QStringList esigned;
    } cases[] = {
        {"an empty line ends the list; carriage returns are dropped",
         kFirstLine + "\r\n" + r2 + "\r\n" + r3 + "\r\n\r\n" + signed4 + "\n",
         {"  1 |R1,F1", "  2 |R2,F2", "  3 |R3,F3"},
         {"R1"}},
        {"a first field of blanks gives no row and the numbers stay consecutive",
         kFirstLine + "\n   |Privileges~1|Owner~2|Activity Indicator~00001|Filename~RX\n" + r3 + "\n",
         {"  1 |R1,F1", "  2 |R3,F3"},
         {"R1"}},
        {"short records leave the missing columns empty",
         kFirstLine + "|LastName~L1\nPrivileges~1|Owner~2|Activity Indicator~0|Filename~R2\n",
         {"  1 |R1,F1,L1", "  2 |R2,,"},
         {"R1"}},
        {"a first line of blanks builds no data columns, so no values are kept",
         "   \n" + kFirstLine + "\n",
         {"  1 |"},
         {"R1"}},
        {"zero flags give no signed document", r3 + "\n", {"  1 |R3,F3"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const ParsedFileList list = Parse(c.text);
        EXPECT_TRUE(list.hasRecords);
        EXPECT_EQ(Rows(list), c.rows);
        EXPECT_EQ(list.esignedDocuments, c.esigned);
    }
    const ParsedFileList blankFirst = Parse(cases[3].text);
    EXPECT_TRUE(blankFirst.dataColumns.isEmpty());
    EXPECT_EQ(blankFirst.records.value(0).activityFlags, "10001");
    EXPECT_EQ(Parse(cases[0].text).records.value(1).statusDots, 1 << 1) << "bit n is flag n";
}

TEST(FileListFormat, OverlongLineIsCutAndItsRestDoesNotBecomeARow) {
    const QByteArray padding(FileListLimits::kMaxLineBytes + 5000, 'x');
    const ParsedFileList list =
        Parse(kFirstLine + "|Pad~" + padding + "|Tail~T1\n" +
              "Privileges~1|Owner~3|Activity Indicator~00001|Filename~R2|FirstName~F2\n");
    ASSERT_EQ(list.records.size(), 2);
    EXPECT_EQ(Rows(list).at(1), "  2 |R2,F2,") << "the cut-off Tail field makes no column";
    EXPECT_EQ(list.esignedDocuments, QStringList({"R1", "R2"}));
    EXPECT_LT(list.records[0].values.value(2).size(), FileListLimits::kMaxLineBytes);
}

TEST(FileListFormat, EmptyAndMissingFiles) {
    const ParsedFileList empty = Parse("");
    EXPECT_TRUE(empty.fileFound);
    EXPECT_FALSE(empty.hasRecords);
    EXPECT_FALSE(Parse("\nPrivileges~1|Owner~2\n").hasRecords) << "an empty first line means no records";

    QTemporaryDir dir;
    const QString path = dir.filePath("list.txt");
    const ParsedFileList missing = ParseFileListFile(path, false);
    EXPECT_FALSE(missing.fileFound);
    EXPECT_FALSE(missing.hasRecords);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(kFirstLine);
    file.close();
    const ParsedFileList read = ParseFileListFile(path, false);
    EXPECT_TRUE(read.fileFound);
    ASSERT_EQ(read.records.size(), 1) << "a last line without a line feed still counts";
    EXPECT_EQ(read.records[0].values, QStringList({"R1", "F1"}));
}

TEST(FileListFormat, TextIsUtf8WithWesternFallback) {
    for (const QByteArray& name : {QByteArray("Jos\xc3\xa9"), QByteArray("Jos\xe9")}) {
        const ParsedFileList list = Parse(kFirstLine.left(kFirstLine.size() - 2) + name + "\n");
        EXPECT_EQ(Rows(list), QStringList{QString::fromUtf8("  1 |R1,Jos\xc3\xa9")})
            << name.toHex().constData();
    }
}
