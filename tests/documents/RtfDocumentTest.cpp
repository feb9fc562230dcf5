#include "documents/core/RtfDocument.h"
#include "documents/core/WordHoldsFile.h"
#include "tests/documents/DocumentsTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct TextCase {
    const char* what;
    QByteArray rtf;
    QString text;
};

QString MainTextOf(const QByteArray& rtf) {
    RtfDocument doc(rtf);
    return doc.MainText();
}

TEST(RtfDocument, ReadsTheMainTextAsAWordProcessorShowsIt) {
    const QByteArray deep = QByteArray(5000, '{') + "deep" + QByteArray(5000, '}');
    const QList<TextCase> cases = {
        {"tables of fonts and colours, info, generator",
         R"({\rtf1\ansi{\fonttbl{\f0 Times;}}{\colortbl;\red0\green0\blue0;}{\info{\title T}}{\*\generator G;}A\par})",
         u"A\r"_qs},
        {"header, footer, picture, hidden destination",
         R"({\rtf1{\header H}{\footer F}{\pict 0a0b}{\*\foo X}B{\*\bkmkstart N}C{\*\bkmkend N}})", u"BC"_qs},
        {"field result shown, instruction not",
         R"({\rtf1{\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}} end})", u"link end"_qs},
        {"tab, line, cell and row marks", R"({\rtf1 a\tab b\line c\cell d\row})", u"a\tb\vc\ad\a"_qs},
        {"section and page breaks", R"({\rtf1 a\sect b\page c})", u"a\fb\fc"_qs},
        {"hex escapes in the code page", R"({\rtf1\ansi\ansicpg1252 caf\'e9 \'80})", u"café €"_qs},
        {"another code page", R"({\rtf1\ansi\ansicpg1251 \'c0\'e1})", u"Аб"_qs},
        {"unicode with its fallback skipped", R"({\rtf1 \u8364\'80 x\u252?y})", u"€ xüy"_qs},
        {"unicode with a two-character fallback", R"({\rtf1\uc2 \u21488\'ba\'c3!})", u"台!"_qs},
        {"unicode without fallback", R"({\rtf1\uc0 \u21488!})", u"台!"_qs},
        {"fallback count is per group", R"({\rtf1{\uc2 \u252??}\u252?x})", u"üüx"_qs},
        {"negative unicode", R"({\rtf1 \u-3913?})", QString(QChar(char16_t(65536 - 3913)))},
        {"escaped braces and backslash", R"({\rtf1 \{a\}\\b})", u"{a}\\b"_qs},
        {"control word delimiter blank is not text", R"({\rtf1\b bold\b0  two})", u"bold two"_qs},
        {"line ends in the source are not text", "{\\rtf1 a\r\nb\\\nc}", u"ab\rc"_qs},
        {"binary data skipped", R"({\rtf1 {\pict\bin4 }}{x}z})", u"z"_qs},
        {"groups nested deep", "{\\rtf1 " + deep + "}", u"deep"_qs},
        {"text after the document is ignored", R"({\rtf1 a}b)", u"a"_qs},
        {"list numbers are not text", R"({\rtf1{\listtext 1.\tab}Item})", u"Item"_qs},
    };
    for (const TextCase& c : cases) {
        EXPECT_EQ(MainTextOf(c.rtf), c.text) << c.what;
    }
}

TEST(RtfDocument, ReadsALibreOfficeReport) {
    RtfDocument doc(DocTest::Fixture(QStringLiteral("report_lo.rtf")));
    const QString text = doc.MainText();
    EXPECT_TRUE(text.startsWith(u"CONSULTATION REPORT\rPatient: John Doe\r"_qs)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"Dr. José Müller {cc}"_qs));
    EXPECT_TRUE(text.contains(u"Blood pressure\a120/80\a"_qs));
    EXPECT_TRUE(text.contains(u"Assessment: stable.\tPlan: follow up in two weeks."_qs));
    EXPECT_FALSE(text.contains(u"North Clinic Header"_qs));
    EXPECT_FALSE(text.contains(u"Times New Roman"_qs));
    EXPECT_EQ(doc.Find(u"regards, DOE"_qs), text.indexOf(u"Regards, Doe"_qs));
    EXPECT_EQ(doc.Find(u"regards, DOE"_qs, Qt::CaseSensitive), -1);
}

struct DeleteCase {
    const char* what;
    QByteArray rtf;
    QString from; // delete from the first occurrence of this text
    QByteArray result;
};

TEST(RtfDocument, DeletesToTheEndKeepingGroupsBalanced) {
    const QList<DeleteCase> cases = {
        {"inside a group", R"({\rtf1 Keep {\b this and} that\par more})", u"and"_qs,
         R"({\rtf1 Keep {\b this }})"},
        {"nested groups after the point go whole", R"({\rtf1 A{\i B{\b C}}D{\*\bkmkend x}E\par})", u"B"_qs,
         R"({\rtf1 A{\i }})"},
        {"a table and a picture after the point", R"({\rtf1 Top\par\trowd\cellx10 c\cell\row{\pict ff}end})",
         u"Top"_qs, R"({\rtf1 })"},
        {"escaped braces are not groups", R"({\rtf1 x\}y{\b \{z}})", u"y"_qs, R"({\rtf1 x\}})"},
        {"a hex escape is one character", R"({\rtf1 caf\'e9 bar})", u"é"_qs, R"({\rtf1 caf})"},
        {"a unicode character goes with its fallback", R"({\rtf1 a\u8364\'80 b})", u"€"_qs, R"({\rtf1 a})"},
    };
    for (const DeleteCase& c : cases) {
        RtfDocument doc(c.rtf);
        doc.DeleteToEnd(doc.Find(c.from));
        EXPECT_EQ(doc.Source(), c.result) << c.what;
        EXPECT_TRUE(DocTest::Balanced(doc.Source())) << c.what;
    }
}

TEST(RtfDocument, DeletesFromTheMiddleOfALibreOfficeReport) {
    RtfDocument doc(DocTest::Fixture(QStringLiteral("report_lo.rtf")));
    const QString before = doc.MainText();
    const qsizetype at = doc.Find(u"Blood pressure"_qs);
    doc.DeleteToEnd(at);
    EXPECT_TRUE(DocTest::Balanced(doc.Source()));
    EXPECT_EQ(doc.MainText(), before.left(at));
    // The document's tables survive: the fonts, and the user properties.
    EXPECT_TRUE(doc.Source().contains("{\\fonttbl"));
    EXPECT_TRUE(doc.Source().contains("{\\propname LastName}"));
}

TEST(RtfDocument, AppendsARunInBlackAtTheGivenSize) {
    struct Case {
        const char* what;
        QByteArray rtf;
        QByteArray expected;
    };
    const QList<Case> cases = {
        {"black already in the colour table", R"({\rtf1{\colortbl;\red0\green0\blue0;}Text})",
         R"({\rtf1{\colortbl;\red0\green0\blue0;}Text{\uc1\fs16\cf1 Signed \{by\} M\u252?ller\par x}})"},
        {"black added to the colour table", R"({\rtf1{\colortbl;\red255\green0\blue0;}Text})",
         R"({\rtf1{\colortbl;\red255\green0\blue0;\red0\green0\blue0;}Text{\uc1\fs16\cf2 Signed \{by\} M\u252?ller\par x}})"},
        {"no colour table", R"({\rtf1{\fonttbl{\f0 T;}}Text})",
         R"({\rtf1{\fonttbl{\f0 T;}}{\colortbl;\red0\green0\blue0;}Text{\uc1\fs16\cf1 Signed \{by\} M\u252?ller\par x}})"},
    };
    for (const Case& c : cases) {
        RtfDocument doc(c.rtf);
        doc.AppendRun(u"Signed {by} Müller\nx"_qs, 8);
        EXPECT_EQ(doc.Source(), c.expected) << c.what;
        EXPECT_TRUE(doc.MainText().endsWith(u"TextSigned {by} Müller\rx"_qs)) << c.what;
    }
}

TEST(RtfDocument, SectionBreakStartsANewSectionAtTheEnd) {
    RtfDocument doc(QByteArray(R"({\rtf1\sectd Body\par})"));
    ASSERT_EQ(doc.SectionCount(), 1);
    doc.AppendContinuousSectionBreak();
    doc.AppendRun(u"Statement"_qs);
    EXPECT_EQ(doc.SectionCount(), 2);
    EXPECT_TRUE(doc.Source().contains(R"(Body\par\sect\sectd\sbknone {)"));
    EXPECT_EQ(doc.MainText(), u"Body\r\fStatement"_qs);
}

TEST(RtfDocument, ListsBookmarksAndReplacesTheirText) {
    RtfDocument doc(DocTest::Fixture(QStringLiteral("report_lo.rtf")));
    QList<RtfDocument::Bookmark> marks = doc.Bookmarks();
    QStringList seen;
    for (const auto& m : marks) {
        seen << m.name + u'=' + m.text;
    }
    EXPECT_EQ(seen, (QStringList{u"FirstName=John"_qs, u"LastName=Doe"_qs, u"DateOfVisit=12-01-2026"_qs,
                                 u"LastName_alias=Doe"_qs}));
    ASSERT_TRUE(doc.SetBookmarkText(1, u"Smith-Ünal {jr}"_qs));
    ASSERT_TRUE(doc.SetBookmarkText(0, u"Mary Ann"_qs));
    marks = doc.Bookmarks();
    EXPECT_EQ(marks.at(0).text, u"Mary Ann"_qs);
    EXPECT_EQ(marks.at(1).text, u"Smith-Ünal {jr}"_qs);
    EXPECT_EQ(marks.at(3).text, u"Doe"_qs);
    EXPECT_TRUE(doc.MainText().contains(u"Patient: Mary Ann Smith-Ünal {jr}\r"_qs));
    EXPECT_TRUE(DocTest::Balanced(doc.Source()));
    EXPECT_FALSE(doc.SetBookmarkText(4, u"x"_qs));
}

TEST(RtfDocument, BookmarkTextMayFollowAControlWordWithoutBlank) {
    const QList<QPair<QByteArray, QString>> cases = {
        {R"({\rtf1{\*\bkmkstart B}\b\'e9{\*\bkmkend B}})", u"7 days"_qs},
        {R"({\rtf1{\*\bkmkstart B}{\*\bkmkend B}\b x})", u"new"_qs},
        {R"({\rtf1 a{\*\bkmkstart B}old\par text{\*\bkmkend B}z})", u"one"_qs},
    };
    for (const auto& [rtf, value] : cases) {
        RtfDocument doc(rtf);
        ASSERT_TRUE(doc.SetBookmarkText(0, value));
        EXPECT_EQ(doc.Bookmarks().at(0).text, value) << rtf.toStdString();
    }
}

TEST(RtfDocument, SectionsAndProtection) {
    RtfDocument doc(QByteArray(
        R"({\rtf1\deftab720\sectd\sectunlocked1 One\sect\sectd\sbknone Two\sect\sectd\sectunlocked0 Three})"));
    ASSERT_EQ(doc.SectionCount(), 3);
    EXPECT_FALSE(doc.SectionProtectedForForms(0));
    EXPECT_TRUE(doc.SectionProtectedForForms(1)); // no flag: protected, as Word reads it
    EXPECT_TRUE(doc.SectionProtectedForForms(2));
    EXPECT_EQ(doc.ProtectionType(), RtfDocument::NoProtection);

    doc.SetSectionProtectedForForms(0, true);
    doc.SetSectionProtectedForForms(1, false);
    doc.SetSectionProtectedForForms(2, false);
    doc.ProtectForForms();
    EXPECT_EQ(doc.ProtectionType(), RtfDocument::AllowOnlyFormFields);
    EXPECT_TRUE(doc.SectionProtectedForForms(0));
    EXPECT_FALSE(doc.SectionProtectedForForms(1));
    EXPECT_FALSE(doc.SectionProtectedForForms(2));
    EXPECT_EQ(doc.MainText(), u"One\fTwo\fThree"_qs);

    doc.Unprotect();
    EXPECT_EQ(doc.ProtectionType(), RtfDocument::NoProtection);
    EXPECT_EQ(doc.MainText(), u"One\fTwo\fThree"_qs);
}

TEST(RtfDocument, ReadsEveryProtectionType) {
    const QList<QPair<QByteArray, int>> cases = {
        {R"({\rtf1\formprot x})", RtfDocument::AllowOnlyFormFields},
        {R"({\rtf1\revprot x})", RtfDocument::AllowOnlyRevisions},
        {R"({\rtf1\annotprot x})", RtfDocument::AllowOnlyComments},
        {R"({\rtf1\readprot x})", RtfDocument::AllowOnlyReading},
        {R"({\rtf1\enforceprot1\protlevel2 x})", RtfDocument::AllowOnlyFormFields},
        {R"({\rtf1\protlevel2 x})", RtfDocument::NoProtection},
        {R"({\rtf1{\*\foo\formprot} x})", RtfDocument::NoProtection},
    };
    for (const auto& [rtf, type] : cases) {
        RtfDocument doc(rtf);
        EXPECT_EQ(doc.ProtectionType(), type) << rtf.toStdString();
    }
}

TEST(RtfDocument, RemovingAControlWordKeepsItsNeighboursApart) {
    RtfDocument doc(QByteArray(R"({\rtf1\deftab720\formprot Text})"));
    doc.Unprotect();
    EXPECT_EQ(doc.MainText(), u"Text"_qs);
    EXPECT_EQ(doc.Source(), QByteArray(R"({\rtf1\deftab720 Text})"));
}

TEST(RtfDocument, UnbalancedInputStillEdits) {
    RtfDocument doc(QByteArray(R"({\rtf1 open {\b never closed)"));
    EXPECT_EQ(doc.MainText(), u"open never closed"_qs);
    doc.DeleteToEnd(doc.Find(u"never"_qs));
    doc.AppendRun(u"S"_qs);
    EXPECT_TRUE(doc.MainText().endsWith(u"S"_qs));
}

TEST(RtfDocument, SaveIsAtomicAndRefusesAHeldFile) {
    QTemporaryDir dir;
    const QString path = DocTest::Write(dir, u"r.doc"_qs, R"({\rtf1 Body})");
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    RtfDocument doc;
    ASSERT_TRUE(doc.Load(path));
    doc.AppendRun(u"More"_qs);

    QFile lock(OfficeLockFilePath(path));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.close();
    EXPECT_TRUE(WordHoldsFile(path));
    EXPECT_FALSE(doc.Save(path));
    EXPECT_EQ(DocTest::Read(path), QByteArray(R"({\rtf1 Body})"));

    lock.remove();
    EXPECT_FALSE(WordHoldsFile(path));
    EXPECT_TRUE(doc.Save(path));
    EXPECT_EQ(DocTest::MainText(path), u"BodyMore"_qs);
    EXPECT_TRUE(QFile::permissions(path).testFlag(QFileDevice::ReadGroup));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1); // no scratch left behind
}

} // namespace
