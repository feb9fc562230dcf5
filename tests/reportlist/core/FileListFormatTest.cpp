#include "reportlist/core/FileListFormat.h"
#include "tests/reportlist/core/QtPrinters.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

ParsedFileList Parse(const QByteArray& text, bool pending = false) {
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    return ParseFileList(buffer, pending);
}

QStringList Captions(const ParsedFileList& list) {
    QStringList captions;
    for (const FileListColumn& column : list.dataColumns) {
        captions.append(column.caption);
    }
    return captions;
}

QList<int> Widths(const ParsedFileList& list) {
    QList<int> widths;
    for (const FileListColumn& column : list.dataColumns) {
        widths.append(column.width);
    }
    return widths;
}

const QByteArray kFirstLine = "Privileges~110011|Owner~12|Activity Indicator~10001|Filename~R1|FirstName~F1";

} // namespace

TEST(FileListFormat, TranscribedFirstRecordBuildsColumnsRowDotsAndLists) {
    const ParsedFileList list = Parse(kFirstLine + "\n");
    EXPECT_TRUE(list.fileFound);
    EXPECT_TRUE(list.hasRecords);
    EXPECT_EQ(Captions(list), QStringList({"Filename", "First Name"}));
    EXPECT_EQ(Widths(list), QList<int>({100, 80}));
    EXPECT_EQ(list.columnKeys, QStringList({"Filename", "FirstName"}));
    ASSERT_EQ(list.records.size(), 1);
    const ReportRecord& row = list.records[0];
    EXPECT_EQ(row.label, "  1 ");
    EXPECT_EQ(row.accessFlags, "110011");
    EXPECT_EQ(row.esignOwner, "12");
    EXPECT_EQ(row.activityFlags, "10001");
    EXPECT_EQ(row.statusDots, 0b10001) << "dots in the Opened and E-Signed columns only";
    EXPECT_EQ(row.values, QStringList({"R1", "F1"}));
    EXPECT_EQ(list.esignedDocuments, QStringList({"R1"}));
}

TEST(FileListFormat, PendingShowsOnlyPositionsThreeAndFourAt400Pixels) {
    const ParsedFileList list = Parse(kFirstLine + "|LastName~L1|MRN~77\n" +
                                          "Privileges~1|Owner~2|Activity Indicator~00000|Filename~R2|"
                                          "FirstName~F2|LastName~L2|MRN~78\n",
                                      true);
    EXPECT_EQ(Captions(list), QStringList({"Filename", "First Name"}));
    EXPECT_EQ(Widths(list), QList<int>({400, 400}));
    EXPECT_EQ(list.columnKeys, QStringList({"Filename", "FirstName"}));
    ASSERT_EQ(list.records.size(), 2);
    EXPECT_EQ(list.records[1].values, QStringList({"R2", "F2"})) << "later positions have no column";
}

TEST(FileListFormat, ColumnWidthsFollowTheCaptionRules) {
    EXPECT_EQ(DataColumnWidth("MRN", false), 48);
    EXPECT_EQ(DataColumnWidth("ssn", true), 48) << "record numbers keep 16 px a character when pending";
    EXPECT_EQ(DataColumnWidth("FILENAME", false), 100);
    EXPECT_EQ(DataColumnWidth("Filename", true), 400);
    EXPECT_EQ(DataColumnWidth("Date of Birth", false), 104);
    EXPECT_EQ(DataColumnWidth("Date of Birth", true), 400);

    const ParsedFileList list =
        Parse("Privileges~1|Owner~2|Activity Indicator~0|Filename~R|MRN~5|DateOfBirth~x|"
              "Location~North|CCDoctorName1~Dr B\n");
    EXPECT_EQ(Captions(list),
              QStringList({"Filename", "MRN", "Date of Birth", "Office Location", "CC Doctor Name 2"}));
    EXPECT_EQ(Widths(list), QList<int>({100, 48, 104, 120, 128}));
}

TEST(FileListFormat, CaptionsMapKnownKeysWithoutRegardToCase) {
    EXPECT_EQ(CaptionForKey("firstname"), "First Name");
    EXPECT_EQ(CaptionForKey("CCDoctorName"), "CC Doctor Name 1");
    EXPECT_EQ(CaptionForKey("CCDOCTORNAME1"), "CC Doctor Name 2");
    EXPECT_EQ(CaptionForKey("AttendingPhysicianName"), "Attending Doctor Name");
    EXPECT_EQ(CaptionForKey("PatientList"), "Patient Schedule Received");
    EXPECT_EQ(CaptionForKey("ReportName"), "ReportName");
    EXPECT_EQ(CaptionForKey(" FirstName"), " FirstName");
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
    EXPECT_EQ(Captions(list), QStringList({"Filename", " FirstName", "LastName "}));
    EXPECT_EQ(list.columnKeys, QStringList({"Filename", " FirstName", "LastName "}));
    ASSERT_EQ(list.records.size(), 1);
    EXPECT_EQ(list.records[0].accessFlags, "1") << "the first field is trimmed at both ends";
    EXPECT_EQ(SplitRecordFields("A~1 | B~2 ").at(1).first, " B");
    EXPECT_EQ(SplitRecordFields("A~1 | B~2 ").at(1).second, "2 ");
}

TEST(FileListFormat, EmptyLineEndsTheListAndCarriageReturnsAreDropped) {
    const QByteArray text =
        kFirstLine + "\r\n" + "Privileges~1|Owner~2|Activity Indicator~01000|Filename~R2|FirstName~F2\r\n" +
        "Privileges~1|Owner~3|Activity Indicator~00000|Filename~R3|FirstName~F3\r\n" + "\r\n" +
        "Privileges~1|Owner~4|Activity Indicator~00001|Filename~R4|FirstName~F4\n";
    const ParsedFileList list = Parse(text);
    ASSERT_EQ(list.records.size(), 3);
    EXPECT_EQ(list.records[2].label, "  3 ");
    EXPECT_EQ(list.records[2].values, QStringList({"R3", "F3"}))
        << "no carriage return left in the last value";
    EXPECT_EQ(list.esignedDocuments, QStringList({"R1"})) << "R4 comes after the empty line";
}

TEST(FileListFormat, ZeroActivityFlagsGiveNoDotsAndNoSignedDocument) {
    const ParsedFileList list = Parse("Privileges~1|Owner~2|Activity Indicator~00000|Filename~R1\n");
    ASSERT_EQ(list.records.size(), 1);
    EXPECT_EQ(list.records[0].statusDots, 0);
    EXPECT_TRUE(list.esignedDocuments.isEmpty());
}

TEST(FileListFormat, FirstFieldOfBlanksGivesNoRowAndNumbersStayConsecutive) {
    const ParsedFileList list =
        Parse(kFirstLine + "\n" + "   |Privileges~1|Owner~2|Activity Indicator~00001|Filename~RX\n" +
              "Privileges~1|Owner~3|Activity Indicator~00000|Filename~R2|FirstName~F2\n");
    ASSERT_EQ(list.records.size(), 2);
    EXPECT_EQ(list.records[1].label, "  2 ");
    EXPECT_EQ(list.records[1].values.first(), "R2");
    EXPECT_EQ(list.esignedDocuments, QStringList({"R1"}));
}

TEST(FileListFormat, FirstLineOfBlanksCountsAsRecordsButBuildsNoDataColumns) {
    const ParsedFileList list = Parse("   \n" + kFirstLine + "\n");
    EXPECT_TRUE(list.hasRecords);
    EXPECT_TRUE(list.dataColumns.isEmpty());
    ASSERT_EQ(list.records.size(), 1);
    EXPECT_TRUE(list.records[0].values.isEmpty()) << "values without a column are not kept";
    EXPECT_EQ(list.records[0].activityFlags, "10001");
}

TEST(FileListFormat, ShortRecordsLeaveMissingColumnsEmpty) {
    const ParsedFileList list =
        Parse(kFirstLine + "|LastName~L1\nPrivileges~1|Owner~2|Activity Indicator~0|Filename~R2\n");
    ASSERT_EQ(list.records.size(), 2);
    EXPECT_EQ(list.records[1].values, QStringList({"R2", "", ""}));
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

TEST(FileListFormat, OverlongLineIsCutAndItsRestDoesNotBecomeARow) {
    const QByteArray padding(FileListLimits::kMaxLineBytes + 5000, 'x');
    const QByteArray text = kFirstLine + "|Pad~" + padding + "|Tail~T1\n" +
                            "Privileges~1|Owner~3|Activity Indicator~00001|Filename~R2|FirstName~F2\n";
    const ParsedFileList list = Parse(text);
    ASSERT_EQ(list.records.size(), 2);
    EXPECT_EQ(list.records[1].label, "  2 ");
    EXPECT_EQ(list.records[1].values.mid(0, 2), QStringList({"R2", "F2"}));
    EXPECT_EQ(list.esignedDocuments, QStringList({"R1", "R2"}));
    EXPECT_LT(list.records[0].values.value(2).size(), FileListLimits::kMaxLineBytes);
}

TEST(FileListFormat, TextIsUtf8WithWesternFallback) {
    const ParsedFileList utf8 = Parse(kFirstLine.left(kFirstLine.size() - 2) + "Jos\xc3\xa9\n");
    ASSERT_EQ(utf8.records.size(), 1);
    EXPECT_EQ(utf8.records[0].values.at(1), QString::fromUtf8("Jos\xc3\xa9"));
    const ParsedFileList latin = Parse(kFirstLine.left(kFirstLine.size() - 2) + "Jos\xe9\n");
    ASSERT_EQ(latin.records.size(), 1);
    EXPECT_EQ(latin.records[0].values.at(1), QString::fromUtf8("Jos\xc3\xa9"));
}

TEST(FileListFormat, RepeatedValuesAreSharedBetweenRows) {
    QByteArray text;
    for (int i = 0; i < 3; ++i) {
        text += "Privileges~111111|Owner~12|Activity Indicator~10001|Filename~R" + QByteArray::number(i) +
                "|Location~North Clinic\n";
    }
    const ParsedFileList list = Parse(text);
    ASSERT_EQ(list.records.size(), 3);
    EXPECT_EQ(list.records[0].values.at(1), "North Clinic");
    EXPECT_TRUE(list.records[2].values.at(1).isSharedWith(list.records[0].values.at(1)));
    EXPECT_TRUE(list.records[2].accessFlags.isSharedWith(list.records[1].accessFlags));
    EXPECT_FALSE(list.records[2].values.at(0).isSharedWith(list.records[1].values.at(0)));
}
