#include "documents/core/RegexMatcher.h"
#include "documents/core/SigningCore.h"
#include "host/core/FileChecksum.h"
#include "reportlist/core/SignaturePatterns.h"
#include "tests/documents/DocumentsTestSupport.h"

#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Signing::Request;

const QString kFirst = u"This document has been Electronically ESigned by "_qs;
const QString kRevised = u"This document has been Revised and Electronically ESigned by "_qs;
const QString kSigner = u"Dr. Amelia Hart on 12-04-26 at 09:15:00."_qs;

QString SignatureOf12(const QString& line) {
    return Signing::SignatureTextFor(line, u"12"_qs);
}

// The statement's pieces: the logged user's signature text and the date from the server time.
TEST(Signing, SignatureDateAndPatternTexts) {
    const struct {
        QString (*piece)(const QString&);
        QString from, expected;
    } cases[] = {
        {SignatureOf12, u"7~Dr. Seven | 12~Dr. Hart~MD | 12~Second"_qs, u"Dr. Hart~MD"_qs},
        {SignatureOf12, u"112~Other|12~Mine"_qs, u"Other"_qs},  // the id anywhere in the entry
        {SignatureOf12, u"12 Dr. Hart|12~Mine"_qs, u"Mine"_qs}, // an entry without "~" is passed over
        {SignatureOf12, u"7~Seven"_qs, u""_qs},
        {Signing::StatementDateText, u"12-04-2026 09:15:00"_qs, u"12-04-26 at 09:15:00"_qs},
        {Signing::StatementDateText, u"Dec/04/2026 09:15:00"_qs, u"Dec-04-26 at 09:15:00"_qs}, // local form
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.piece(c.from), c.expected) << c.from.toStdString();
    }
    EXPECT_EQ(Signing::LocalTimeText(QDateTime(QDate(2026, 12, 4), QTime(9, 5, 7))),
              u"Dec/04/2026 09:05:07"_qs);
    // The patterns find statements written by other hands.
    const QList<QPair<QString, QString>> statements = {
        {u"This document has been Electronically ESigned and Revised by B"_qs,
         u"This document has been Electronically ESigned and Revised by "_qs},
        {u"This document has not been signed"_qs, u""_qs},
    };
    for (const auto& [text, expected] : statements) {
        EXPECT_EQ(FindSignatureStatement(text, DefaultSignaturePatterns()), expected) << text.toStdString();
    }
    // "\T" is the letter T; other escapes keep their meaning; "\r" ends a line.
    EXPECT_EQ(RegexMatcher::Translate(uR"(\This\s\d\.\u0041\x41)"_qs), uR"(This\s\d\.\x{0041}\x41)"_qs);
    EXPECT_TRUE(RegexMatcher(uR"(^\Tab$)"_qs).Execute(u"x\rTAB\ry"_qs).Found());
}

class SignFile : public ::testing::Test {
protected:
    static Request Sign(bool knownSigned = false, bool watchedFile = false) {
        return {.signatureText = u"Dr. Amelia Hart"_qs,
                .dateText = u"12-04-26 at 09:15:00"_qs,
                .watchedFile = watchedFile,
                .knownSigned = knownSigned,
                .signaturePatterns = DefaultSignaturePatterns()};
    }
    QTemporaryDir dir_;
};

TEST_F(SignFile, FirstSignatureGoesInItsOwnSectionAfterFourLineFeeds) {
    const QString path = DocTest::Write(dir_, u"report.doc"_qs, DocTest::Fixture(u"report_lo.rtf"_qs));
    const QString before = DocTest::MainText(path);
    const Signing::Result r = Signing::SignDocumentFile(path, Sign());
    EXPECT_TRUE(r.saved && r.statementWritten);
    EXPECT_EQ(DocTest::MainText(path), before + u"\f\r\r\r\r"_qs + kFirst + kSigner);
    // A continuous break (not a page break), then 8 pt in black.
    EXPECT_TRUE(
        ReadFile(path).contains("\\pard\\plain\\ltrpar \\sect\\sectd\\sbknone {\\uc1\\fs16\\cf1 \\par"));

    // Signed again: one statement, the revision, where the first one began.
    Request again = Sign();
    again.dateText = u"13-04-26 at 10:00:00"_qs;
    const Signing::Result r2 = Signing::SignDocumentFile(path, again);
    const QString twice = DocTest::MainText(path);
    EXPECT_TRUE(r2.revision);
    EXPECT_EQ(r2.existingPosition, before.size() + 5);
    EXPECT_EQ(twice, before + u"\f\r\r\r\r"_qs + kRevised + u"Dr. Amelia Hart on 13-04-26 at 10:00:00."_qs);
    Signing::SignDocumentFile(path, again); // and a third replaces the revision in turn
    EXPECT_EQ(DocTest::MainText(path), twice);
}

TEST_F(SignFile, FindsTheStatementToReplaceAndADemographicsResignOnlyReplacesOne) {
    struct Case {
        const char* why;
        QByteArray rtf;
        bool watched, knownSigned;
        qsizetype position; // of the earlier statement; -1: counts as unsigned
        QString text;
    };
    // Written by other hands: other blanks, a paragraph mark inside, other letter case.
    const QString odd = u"Body.\rthis  document has been\relectronically ESigned by Dr. A on 1."_qs;
    const QByteArray oddRtf =
        R"({\rtf1 Body.\par this  document has been\par electronically ESigned by Dr. A on 1.})";
    const QList<Case> cases = {
        {"a marker cuts the rest and gets a section break",
         R"({\rtf1\ansi Findings.\par /***ESS***/ old signature block\par more\par})", false, false, 10,
         u"Findings.\r\f"_qs + kRevised + kSigner},
        {"other letter case is removed but counts as unsigned",
         R"({\rtf1 Body.\par THIS DOCUMENT HAS BEEN ELECTRONICALLY ESIGNED by X on Y.})", false, false, -1,
         u"Body.\r\f\r\r\r\r"_qs + kFirst + kSigner},
        {"the watched file of a signed report: found by pattern", oddRtf, true, true, 6,
         u"Body.\r"_qs + kRevised + kSigner},
        {"the watched file of a report not known signed", oddRtf, true, false, -1,
         odd + u"\f\r\r\r\r"_qs + kFirst + kSigner},
        {"a closed file is not searched by pattern", oddRtf, false, true, -1,
         odd + u"\f\r\r\r\r"_qs + kFirst + kSigner},
    };
    for (const Case& c : cases) {
        const QString path = DocTest::Write(dir_, u"report.doc"_qs, c.rtf);
        const Signing::Result r = Signing::SignDocumentFile(path, Sign(c.knownSigned, c.watched));
        EXPECT_EQ(r.revision, c.position >= 0) << c.why;
        EXPECT_EQ(r.existingPosition, c.position) << c.why;
        EXPECT_EQ(DocTest::MainText(path), c.text) << c.why;
        EXPECT_EQ(r.checksum, c.watched ? FileChecksum(path) : 0u) << c.why; // the monitor compares it
    }
    // A demographics re-sign adds nothing to an unsigned document...
    const QByteArray rtf = R"({\rtf1 Body never signed.})";
    const QString path = DocTest::Write(dir_, u"report.doc"_qs, rtf);
    Request r = Sign();
    r.demographicsResign = true;
    EXPECT_FALSE(Signing::SignDocumentFile(path, r).statementWritten);
    EXPECT_EQ(ReadFile(path), rtf);

    // ... but a signed one gets the revision.
    Signing::SignDocumentFile(path, Sign());
    EXPECT_TRUE(Signing::SignDocumentFile(path, r).revision);
}

// The properties in effect just before byte end that would carry into text written there (a
// table cell, a list, a frame, direction, hidden text, columns): a small reader of its own, so
// that it checks the engine rather than repeats it.
QStringList CarriedState(const QByteArray& rtf, qsizetype end) {
    static const QRegularExpression kToken(QStringLiteral(R"(\\([a-z]+)(-?\d*) ?|\\.|[{}])"));
    static const QMap<QString, QString> kResetBy = {{u"intbl"_qs, u"pard"_qs}, {u"ls"_qs, u"pard"_qs},
                                                    {u"ilvl"_qs, u"pard"_qs},  {u"pvpara"_qs, u"pard"_qs},
                                                    {u"qc"_qs, u"pard"_qs},    {u"rtlpar"_qs, u"ltrpar"_qs},
                                                    {u"v"_qs, u"plain"_qs},    {u"cols"_qs, u"sectd"_qs}};
    std::vector<QMap<QString, QString>> stack(1);
    for (auto it = kToken.globalMatch(QString::fromLatin1(rtf.left(end))); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString word = m.captured(1);
        if (m.captured(0) == u"{") {
            stack.push_back(stack.back());
        } else if (m.captured(0) == u"}" && stack.size() > 1) {
            stack.pop_back();
        } else if (kResetBy.contains(word) && m.captured(2) != u"0") {
            stack.back().insert(word, m.captured(2));
        } else if (!word.isEmpty()) {
            stack.back().removeIf([&](const auto& p) {
                return p.key() == word || kResetBy.value(p.key()) == word ||
                       (word == u"pard" && p.key() == u"rtlpar");
            });
        }
    }
    QStringList state;
    for (auto p = stack.back().begin(); p != stack.back().end(); ++p) {
        state << p.key() + p.value();
    }
    return state;
}

TEST_F(SignFile, TheStatementIsPlainWhateverTheReportEndsIn) {
    const QList<QPair<const char*, QByteArray>> cases = {
        {"a table row", R"({\rtf1 Report\trowd\cellx1000\intbl A\cell\row})"},
        {"a list item", R"({\rtf1\pard\ls1\ilvl1 Report\par})"},
        {"a frame", R"({\rtf1\pard\pvpara\posx100\absw2000 Report\par})"},
        {"a right-to-left paragraph", R"({\rtf1\pard\rtlpar\rtlch Report\par})"},
        {"hidden text, no last mark", R"({\rtf1\v Report})"},
        {"columns, a centred last line without mark", R"({\rtf1\sectd\cols2\pard\qc Report})"},
        {"a list item in a group cut short", R"({\rtf1\pard\ls1 {Report)"},
        {"a hidden group cut short", R"({\rtf1\pard\ls1 Report\par{\*\bkmkstart B)"},
        {"a statement that inherited a table row",
         R"({\rtf1\intbl Report\cell\row\sect\sectd\sbknone {\uc1\fs16\cf1 \par This document has been Electronically ESigned by X on 1.}})"},
    };
    static const QRegularExpression kMark(QStringLiteral(R"(\\(par|sect|cell|row)(?![a-z])|\}?\s*$)"));
    for (const auto& [why, rtf] : cases) {
        const QString path = DocTest::Write(dir_, u"report.doc"_qs, rtf);
        EXPECT_TRUE(Signing::SignDocumentFile(path, Sign()).statementWritten) << why;
        const QByteArray out = ReadFile(path);
        // The report's last paragraph keeps its formatting at its mark; the statement has none.
        auto atMark = [](const QByteArray& doc) {
            const qsizetype text = doc.indexOf("Report") + 6;
            return CarriedState(doc, kMark.match(QString::fromLatin1(doc), text).capturedStart());
        };
        EXPECT_EQ(atMark(out), atMark(rtf)) << why;
        EXPECT_EQ(CarriedState(out, out.lastIndexOf("This document has been")), QStringList()) << why;
    }
}

TEST_F(SignFile, ReplacesOnlyTheEarlierStatementAndKeepsWhatFollowsIt) {
    // The desk's statement section, the statement edited ("Electroniccally") or not, then c.tail;
    // c.text: the main text after the body and the section's blank lines; c.moved: text kept.
    struct Case {
        const char* why;
        QByteArray statement, tail;
        bool knownSigned;
        QString text, moved;
    };
    const QByteArray head =
        R"({\rtf1 Body.\par\pard\plain\ltrpar \sect\sectd\sbknone {\uc1\fs16\cf1 \par \par \par \par )";
    const QByteArray edited =
        "This document has been Electroniccally ESigned by Dr. A on 12-04-26 at 09:15:00.";
    const QByteArray statement = QByteArray(edited).replace("Electroniccally", "Electronically");
    const QString kept = QString::fromLatin1(edited) + u"\f\r\r\r\r"_qs + kFirst + kSigner;
    const QString revised = kRevised + kSigner;
    const QList<Case> cases = {
        {"edited, known signed: found by its shape", edited, "}}", true, revised, {}},
        {"edited, at another size: not the shape, kept", "{\\fs24 " + edited + '}', "}}", true, kept, {}},
        {"edited, not known signed: kept", edited, "}}", false, kept, {}},
        {"an addendum in a paragraph of its own", statement, "\\par}\\pard Addendum.\\par}", false,
         u"Addendum.\r"_qs + revised, u"Addendum."_qs},
        {"an addendum behind it on its line", statement, " Later: fine.}}", false,
         u" Later: fine.\r"_qs + revised, u"Later: fine."_qs},
    };
    for (const Case& c : cases) {
        const QString path = DocTest::Write(dir_, u"report.doc"_qs, head + c.statement + c.tail);
        EXPECT_EQ(Signing::SignDocumentFile(path, Sign(c.knownSigned)).movedText, c.moved) << c.why;
        EXPECT_EQ(DocTest::MainText(path), u"Body.\r\f\r\r\r\r"_qs + c.text) << c.why;
    }
    // The statement edited after LibreOffice saved the signed report (its own RTF).
    const QString path =
        DocTest::Write(dir_, u"report.doc"_qs, DocTest::Fixture(u"signed_tampered_lo.rtf"_qs));
    EXPECT_TRUE(Signing::SignDocumentFile(path, Sign(true)).revision);
    EXPECT_TRUE(DocTest::MainText(path).endsWith(u"family doctor\r\f\r\r\r\r"_qs + revised));
}

} // namespace
