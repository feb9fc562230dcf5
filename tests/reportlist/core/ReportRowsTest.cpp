#include "reportlist/core/ReportRows.h"
#include "tests/reportlist/core/ListTestSupport.h"

namespace {

// Each row as "label/access/owner/activity/values.../dots".
QStringList Describe(const ReportRows& rows) {
    QStringList out;
    for (qsizetype row = 0; row < rows.Count(); ++row) {
        const ReportRecord r = rows.Record(row);
        out.append((QStringList{r.label, r.accessFlags, r.esignOwner, r.activityFlags} + r.values +
                    QStringList{QString::number(r.statusDots)})
                       .join('/'));
    }
    return out;
}

} // namespace

// Texts come back as stored whatever their length (a length takes a second byte from 128 bytes
// on, a third from 16384), their encoding or their place in the row, and a change rewrites its
// own row only.
TEST(ReportRows, TextsComeBackAsStoredAndAChangeRewritesOnlyItsRow) {
    const QByteArray a127(127, 'a'), b128(128, 'b'), c16384(16384, 'c');
    const QByteArrayView western[] = {"1", "", "10001", "Jos\xe9", b128};
    const QByteArrayView utf8[] = {a127, "Jos\xc3\xa9", "", c16384};
    ReportRows rows;
    rows.Append(western, 5, false, 0b10001);
    rows.Append(utf8, 4, true, 0);
    rows.Append("x", {"", "", "", QString::fromUtf8("Zo\xc3\xab")}, 0b100);
    const QString jose = QString::fromUtf8("Jos\xc3\xa9");
    QStringList expected = {"  1 /1//10001/" + jose + '/' + b128 + "/17",
                            "  2 /" + a127 + '/' + jose + "//" + c16384 + "/0",
                            QString::fromUtf8("x////Zo\xc3\xab/4")};
    EXPECT_EQ(Describe(rows), expected);
    EXPECT_EQ(rows.Text(1, 9), "") << "past the row's texts";

    rows.SetText(0, 6, QString::fromUtf8("\xe2\x82\xac")); // past its texts, and not Latin-1
    rows.SetText(1, ReportRows::kLabel, "L");
    rows.SetDots(2, 1);
    expected[0].replace("/17", QString::fromUtf8("//\xe2\x82\xac/17"));
    expected[1].replace("  2 /", "L/");
    expected[2].replace("/4", "/1");
    EXPECT_EQ(Describe(rows), expected);
}
