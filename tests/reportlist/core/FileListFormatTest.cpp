#include "reportlist/core/FileListFormat.h"
#include "tests/reportlist/core/ListTestSupport.h"

#include <QTemporaryDir>

namespace {

// The list in one text: data columns "caption:width", ColumnKeys, rows "label/access/owner/dots/values"
// (dots as the five status columns, Opened first), EsignedDocuments.
QString Describe(const ParsedFileList& list) {
    QStringList columns;
    for (const FileListColumn& column : list.dataColumns) {
        columns.append(column.caption + ':' + QString::number(column.width));
    }
    QStringList rows;
    for (qsizetype i = 0; i < list.rows.Count(); ++i) {
        const ReportRecord r = list.rows.Record(i);
        QString dots;
        for (int k = 0; k < 5; ++k) {
            dots += (r.statusDots >> k & 1) != 0 ? 'O' : '.';
        }
        rows.append(QStringList{r.label, r.accessFlags, r.esignOwner, dots, r.values.join(',')}.join('/'));
    }
    return columns.join(',') + " | " + list.columnKeys.join(',') + " | " + rows.join(";") + " | " +
           list.esignedDocuments.join(',');
}

const QByteArray kR1 = "Privileges~110011|Owner~12|Activity Indicator~10001|Filename~R1|FirstName~F1";
const QByteArray kR2 = "Privileges~1|Owner~2|Activity Indicator~01000|Filename~R2|FirstName~F2";
const QByteArray kSpecialKeys =
    "Privileges~1|Owner~2|Activity Indicator~0|ssn~1|CCDoctorName~c|PatientList~p\n";
const QByteArray kR3 = "Privileges~1|Owner~3|Activity Indicator~00000|Filename~R3|FirstName~F3";

} // namespace

TEST(FileListFormat, RecordsColumnsAndListsFromTheLines) {
    const QString head = "Filename:100,First Name:80 | Filename,FirstName | ";
    const QString r1 = "  1 /110011/12/O...O/R1,F1";
    const struct {
        const char* why;
        QByteArray text;
        QString list;
        bool pending = false;
    } cases[] = {
        {"transcribed: columns from the first record, dots for the flags", kR1 + "\n", head + r1 + " | R1"},
        {"pending: only positions 3 and 4 get columns, 400 pixels each",
         kR1 + "|LastName~L1|MRN~77\n" + kR3 + "|LastName~L3\n",
         "Filename:400,First Name:400 | Filename,FirstName | " + r1 + ";  2 /1/3/...../R3,F3 | R1", true},
        {"fields without key or tilde do not count as positions; the first tilde splits",
         "Alpha|Beta~one||~nokey|Gamma~two|Act~00100|File~R9|Key~a~b\n",
         "File:32,Key:24 | Act,File,Key |   1 /one/two/..O../R9,a~b | "},
        {"only the first key loses its blanks; later keys keep them and are not mapped",
         "  Privileges~1 |Owner~2|Activity Indicator~0|Filename~R| FirstName~F|LastName ~L \n",
         "Filename:100, FirstName:80,LastName :72 | Filename, FirstName,LastName  |   1 /1/2/...../R,F,L  "
         "| "},
        {"an empty line ends the list; carriage returns are dropped",
         kR1 + "\r\n" + kR2 + "\r\n" + kR3 + "\r\n\r\n" + kR1 + "\n",
         head + r1 + ";  2 /1/2/.O.../R2,F2;  3 /1/3/...../R3,F3 | R1"},
        {"a first field of blanks gives no row and the numbers stay consecutive",
         kR1 + "\n   |Privileges~1|Owner~2|Activity Indicator~00001|Filename~RX\n" + kR3 + "\n",
         head + r1 + ";  2 /1/3/...../R3,F3 | R1"},
        {"a first line of blanks builds no data columns, so no values are kept", "   \n" + kR1 + "\n",
         " |  |   1 /110011/12/O...O/ | R1"},
        {"a flag past the five status columns shows in a data column the line gives no value",
         "Privileges~1|Owner~2|Activity Indicator~0|Filename~R|FirstName~F|LastName~L\n"
         "Privileges~1|Owner~3|Activity Indicator~00000111|Filename~S|FirstName~\n",
         "Filename:100,First Name:80,Last Name:72 | Filename,FirstName,LastName |   1 /1/2/...../R,F,L;  2 "
         "/1/3/...../S,,O | "},
        {"captions and widths follow the keys", kSpecialKeys,
         "ssn:48,CC Doctor Name 1:128,Patient Schedule Received:200 | ssn,CCDoctorName,PatientList |   1 "
         "/1/2/...../1,c,p | "},
        {"pending: 400 pixels, except 16 a character for ssn", kSpecialKeys,
         "ssn:48,CC Doctor Name 1:400 | ssn,CCDoctorName |   1 /1/2/...../1,c | ", true},
    };
    for (const auto& c : cases) {
        const ParsedFileList list = Parse(c.text, c.pending);
        EXPECT_TRUE(list.hasRecords) << c.why;
        EXPECT_EQ(Describe(list), c.list) << c.why;
    }
}

TEST(FileListFormat, OverlongLinesEmptyMissingAndUnterminatedFilesAndTheirEncoding) {
    const QByteArray padding(FileListLimits::kMaxLineBytes + 5000, 'x');
    // An overlong line is cut and its rest does not become a row.
    const ParsedFileList list = Parse(kR1 + "|Pad~" + padding + "|Tail~T1\n" + kR2 + "\n");
    ASSERT_EQ(list.rows.Count(), 2);
    EXPECT_EQ(list.rows.Record(1).values, QStringList({"R2", "F2", ""}))
        << "the cut-off Tail field makes no column";
    EXPECT_LT(list.rows.Record(0).values.value(2).size(), FileListLimits::kMaxLineBytes);
    // Empty, missing and unterminated files, and their encoding.
    EXPECT_TRUE(Parse("").fileFound);
    EXPECT_FALSE(Parse("").hasRecords);
    EXPECT_FALSE(Parse("\n" + kR1 + "\n").hasRecords) << "an empty first line means no records";
    QTemporaryDir dir;
    EXPECT_FALSE(ParseFileListFile(dir.filePath("list.txt"), false).fileFound);
    const ParsedFileList read = ParseFileListFile(WriteFile(dir.filePath("list.txt"), kR1), false);
    ASSERT_EQ(read.rows.Count(), 1) << "a last line without a line feed still counts";
    EXPECT_EQ(read.rows.Record(0).values, QStringList({"R1", "F1"}));
    // UTF-8, with a Western fallback for bytes that are not.
    for (const QByteArray& name : {QByteArray("Jos\xc3\xa9"), QByteArray("Jos\xe9")}) {
        EXPECT_EQ(Parse(kR1.chopped(2) + name + "\n").rows.Record(0).values.value(1),
                  QString::fromUtf8("Jos\xc3\xa9"))
            << name.toHex().constData();
    }
}
