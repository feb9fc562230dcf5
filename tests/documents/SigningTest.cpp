#include "documents/core/RegexMatcher.h"
#include "documents/core/SigningCore.h"
#include "host/core/FileChecksum.h"
#include "reportlist/core/SignaturePatterns.h"
#include "tests/documents/DocumentsTestSupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Signing::Request;

const QString kFirst = u"This document has been Electronically ESigned by "_qs;
const QString kRevised = u"This document has been Revised and Electronically ESigned by "_qs;
const QString kSigner = u"Dr. Amelia Hart on 12-04-26 at 09:15:00."_qs;

TEST(Signing, SignatureTextOfTheLoggedUser) {
    const QList<QPair<QString, QString>> cases = {
        {u"7~Dr. Seven | 12~Dr. Hart~MD | 12~Second"_qs, u"Dr. Hart~MD"_qs},
        {u"112~Other|12~Mine"_qs, u"Other"_qs},  // the id anywhere in the entry
        {u"12 Dr. Hart|12~Mine"_qs, u"Mine"_qs}, // an entry without "~" is passed over
        {u"7~Seven"_qs, u""_qs},
    };
    for (const auto& [line, expected] : cases) {
        EXPECT_EQ(Signing::SignatureTextFor(line, u"12"_qs), expected) << line.toStdString();
    }
}

TEST(Signing, DateTextFromTheServerTime) {
    const QList<QPair<QString, QString>> cases = {
        {u"12-04-2026 09:15:00"_qs, u"12-04-26 at 09:15:00"_qs},
        {u"Dec/04/2026 09:15:00"_qs, u"Dec-04-26 at 09:15:00"_qs}, // the local fallback's form
    };
    for (const auto& [time, date] : cases) {
        EXPECT_EQ(Signing::StatementDateText(time), date) << time.toStdString();
    }
    EXPECT_EQ(Signing::LocalTimeText(QDateTime(QDate(2026, 12, 4), QTime(9, 5, 7))),
              u"Dec/04/2026 09:05:07"_qs);
}

TEST(Signing, PatternsFindStatementsWrittenByOtherHands) {
    const QList<QPair<QString, QString>> cases = {
        {u"This document has been Electronically ESigned and Revised by B"_qs,
         u"This document has been Electronically ESigned and Revised by "_qs},
        {u"This document has not been signed"_qs, u""_qs},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(FindSignatureStatement(text, DefaultSignaturePatterns()), expected) << text.toStdString();
    }
    // "\T" is the letter T; other escapes keep their meaning; "\r" ends a line.
    EXPECT_EQ(RegexMatcher::Translate(uR"(\This\s\d\.\u0041\x41)"_qs), uR"(This\s\d\.\x{0041}\x41)"_qs);
    EXPECT_TRUE(RegexMatcher(uR"(^\Tab$)"_qs).Execute(u"x\rTAB\ry"_qs).Found());
}

class SignFile : public ::testing::Test {
protected:
    static Request Sign() {
        return {.signatureText = u"Dr. Amelia Hart"_qs,
                .dateText = u"12-04-26 at 09:15:00"_qs,
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
    EXPECT_TRUE(DocTest::Read(path).contains("\\sect\\sectd\\sbknone {\\uc1\\fs16\\cf1 \\par"));

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

TEST_F(SignFile, FindsTheStatementToReplace) {
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
        Request request = Sign();
        request.watchedFile = c.watched;
        request.knownSigned = c.knownSigned;
        const Signing::Result r = Signing::SignDocumentFile(path, request);
        EXPECT_EQ(r.revision, c.position >= 0) << c.why;
        EXPECT_EQ(r.existingPosition, c.position) << c.why;
        EXPECT_EQ(DocTest::MainText(path), c.text) << c.why;
        EXPECT_EQ(r.checksum, c.watched ? FileChecksum(path) : 0u) << c.why; // the monitor compares it
    }
}

TEST_F(SignFile, DemographicsResignAddsNothingToAnUnsignedDocument) {
    const QByteArray rtf = R"({\rtf1 Body never signed.})";
    const QString path = DocTest::Write(dir_, u"report.doc"_qs, rtf);
    Request r = Sign();
    r.demographicsResign = true;
    EXPECT_FALSE(Signing::SignDocumentFile(path, r).statementWritten);
    EXPECT_EQ(DocTest::Read(path), rtf);

    // ... but a signed one gets the revision.
    Signing::SignDocumentFile(path, Sign());
    EXPECT_TRUE(Signing::SignDocumentFile(path, r).revision);
}

} // namespace
