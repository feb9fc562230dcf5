#include "documents/core/RtfDocument.h"
#include "tests/documents/DocumentsTestSupport.h"

#include <gtest/gtest.h>

namespace {

// A table's case: why, the document, and what is expected of it.
template <typename Expected> struct Case {
    const char* why;
    QByteArray rtf;
    Expected expected;
};

TEST(RtfDocument, ReadsTheMainTextAsAWordProcessorShowsIt) {
    const QByteArray deep = QByteArray(5000, '{') + "deep" + QByteArray(5000, '}');
    const QList<Case<QString>> cases = {
        {"not shown: tables, info, headers, pictures, hidden groups, field instructions, list numbers",
         R"({\rtf1\ansi{\fonttbl{\f0 Times;}}{\colortbl;\red0\green0\blue0;}{\info{\title T}}{\*\generator G;}{\header H})"
         R"({\footer F}{\pict 0a0b}{\*\foo X}{\listtext 1.\tab}A{\*\bkmkstart N}B{\*\bkmkend N})"
         R"({\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}}\par})",
         u"ABlink\r"_qs},
        {"tab, line, cell and row marks", R"({\rtf1 a\tab b\line c\cell d\row})", u"a\tb\vc\ad\a"_qs},
        {"section and page breaks", R"({\rtf1 a\sect b\page c})", u"a\fb\fc"_qs},
        {"hex escapes in the code page", R"({\rtf1\ansi\ansicpg1252 caf\'e9 \'80})", u"café €"_qs},
        {"another code page", R"({\rtf1\ansi\ansicpg1251 \'c0\'e1})", u"Аб"_qs},
        {"unicode with a two-character fallback", R"({\rtf1\uc2 \u21488\'ba\'c3!})", u"台!"_qs},
        {"fallback count is per group", R"({\rtf1{\uc2 \u252??}\u252?x})", u"üüx"_qs},
        {"negative unicode", R"({\rtf1 \u-3913?})", QString(QChar(char16_t(65536 - 3913)))},
        {"escaped braces and backslash", R"({\rtf1 \{a\}\\b})", u"{a}\\b"_qs},
        {"control word delimiter blank is not text", R"({\rtf1\b bold\b0  two})", u"bold two"_qs},
        {"line ends in the source are not text", "{\\rtf1 a\r\nb\\\nc}", u"ab\rc"_qs},
        {"binary data skipped", R"({\rtf1 {\pict\bin4 }}{x}z})", u"z"_qs},
        {"groups nested deep", "{\\rtf1 " + deep + "}", u"deep"_qs},
        {"text after the document is ignored", R"({\rtf1 a}b)", u"a"_qs},
        // Double-byte code pages: a lead byte and the next byte are one character, whether the
        // trail is hex, plain, or an escaped backslash or brace.
        {"Shift-JIS pairs", R"({\rtf1\ansicpg932 \'83\'65\'83e\'83\\\'83\{\'83\}x})", u"テテソボマx"_qs},
        {"a font's charset over the document's page",
         R"({\rtf1\ansicpg1252{\fonttbl{\f0 T;}{\f1\fcharset128 G;}}\f1\'83\'65\f0\'e9})", u"テé"_qs},
        {"a flat font table, GBK", "{\\rtf1\\ansicpg936{\\fonttbl\\f0\\fcharset134 S;}\\f0 \\'d6\\'d0}",
         u"中"_qs},
        {"a pair is one stand-in under \\uc1 and two under \\uc2",
         R"({\rtf1\ansicpg932{\uc1\u12486\'83\'65a}{\uc2\u12486\'83\'65b}})", u"テaテb"_qs},
        {"a lead byte without its trail swallows nothing", R"({\rtf1\ansicpg950 \'a4\'a4\'a9 x})",
         u"中\uFFFD x"_qs},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RtfDocument(c.rtf).MainText(), c.expected) << c.why;
    }
}

TEST(RtfDocument, DeletesToTheEndKeepingGroupsBalanced) {
    struct DeleteCase {
        const char* why;
        QByteArray rtf;
        QString from; // delete from the first occurrence of this text
        QByteArray result;
    };
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
        EXPECT_EQ(doc.Source(), c.result) << c.why;
    }
}

TEST(RtfDocument, AppendsARunInBlackAtTheGivenSize) {
    const QList<Case<QByteArray>> cases = {
        {"black added to the colour table", R"({\rtf1{\colortbl;\red255\green0\blue0;}Text})",
         R"({\rtf1{\colortbl;\red255\green0\blue0;\red0\green0\blue0;}Text\par\pard\plain\ltrpar {\uc1\fs16\cf2 Signed \{by\} M\u252?ller\par x}})"},
        {"no colour table", R"({\rtf1{\fonttbl{\f0 T;}}Text})",
         R"({\rtf1{\fonttbl{\f0 T;}}{\colortbl;\red0\green0\blue0;}Text\par\pard\plain\ltrpar {\uc1\fs16\cf1 Signed \{by\} M\u252?ller\par x}})"},
    };
    for (const auto& c : cases) {
        RtfDocument doc(c.rtf);
        doc.AppendRun(u"Signed {by} Müller\nx"_qs, 8);
        EXPECT_EQ(doc.Source(), c.expected) << c.why;
    }
}

TEST(RtfDocument, BookmarkTextMayFollowAControlWordWithoutBlank) {
    const QList<QPair<QByteArray, QString>> cases = {
        {R"({\rtf1{\*\bkmkstart B}\b\'e9{\*\bkmkend B}})", u"7 days"_qs},
        {R"({\rtf1{\*\bkmkstart B}{\*\bkmkend B}\b x})", u"new"_qs},
        {R"({\rtf1 a{\*\bkmkstart B}old\par text{\*\bkmkend B}z})", u"one"_qs},
        // An East Asian report counts two stand-ins after a \uN; the value brings its own count.
        {R"({\rtf1\ansi\ansicpg950\uc2 {\*\bkmkstart B}old{\*\bkmkend B}z})", uR"(Ünal {jr} \ 台)"_qs},
    };
    for (const auto& [rtf, value] : cases) {
        RtfDocument doc(rtf);
        ASSERT_TRUE(doc.SetBookmarkText(0, value));
        EXPECT_EQ(doc.Bookmarks().at(0).text, value) << rtf.toStdString();
    }
}

TEST(RtfDocument, ReadsTheProtectionTypeAndRemovesItCleanly) {
    const QList<QPair<QByteArray, int>> cases = {
        {R"({\rtf1\enforceprot1\protlevel2 x})", RtfDocument::AllowOnlyFormFields},
        {R"({\rtf1\protlevel2 x})", RtfDocument::NoProtection},
        {R"({\rtf1{\*\foo\formprot} x})", RtfDocument::NoProtection},
    };
    for (const auto& [rtf, type] : cases) {
        EXPECT_EQ(RtfDocument(rtf).ProtectionType(), type) << rtf.toStdString();
    }
    // The words on either side of a removed one must not run together.
    RtfDocument doc(QByteArray(R"({\rtf1\deftab720\formprot Text})"));
    doc.Unprotect();
    EXPECT_EQ(doc.Source(), QByteArray(R"({\rtf1\deftab720 Text})"));
}

} // namespace
