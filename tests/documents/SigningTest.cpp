#include "documents/core/RegexMatcher.h"
#include "documents/core/SigningCore.h"
#include "reportlist/core/SignaturePatterns.h"
#include "tests/documents/DocumentsTestSupport.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/PromptsDouble.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Signing::Request;

TEST(Signing, SignatureTextOfTheLoggedUser) {
    struct Case {
        QString line, user, expected;
    };
    const QList<Case> cases = {
        {u"12~Dr. Hart"_qs, u"12"_qs, u"Dr. Hart"_qs},
        {u"7~Dr. Seven | 12~Dr. Hart~MD | 12~Second"_qs, u"12"_qs, u"Dr. Hart~MD"_qs},
        {u"112~Other|12~Mine"_qs, u"12"_qs, u"Other"_qs}, // the id anywhere in the entry
        {u"12 Dr. Hart|12~"_qs, u"12"_qs, u""_qs},
        {u"7~Seven"_qs, u"12"_qs, u""_qs},
        {u""_qs, u"12"_qs, u""_qs},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Signing::SignatureTextFor(c.line, c.user), c.expected) << c.line.toStdString();
    }
}

TEST(Signing, DateTextFromTheServerTime) {
    const QList<QPair<QString, QString>> cases = {
        {u"12-04-2026 09:15:00"_qs, u"12-04-26 at 09:15:00"_qs},
        {u"2026-12-04 09:15:00"_qs, u"2026-12-04 at 09:15:00"_qs},
        {u"Dec/04/2026 09:15:00"_qs, u"Dec-04-26 at 09:15:00"_qs}, // the local fallback's form
        {u"12-04-2026"_qs, u"12-04-26 at"_qs},
    };
    for (const auto& [time, date] : cases) {
        EXPECT_EQ(Signing::StatementDateText(time), date) << time.toStdString();
    }
    EXPECT_EQ(Signing::LocalTimeText(QDateTime(QDate(2026, 12, 4), QTime(9, 5, 7))),
              u"Dec/04/2026 09:05:07"_qs);
}

TEST(Signing, StatementsAsTheServerExpectsThem) {
    EXPECT_EQ(
        Signing::FirstSignatureStatement(u"Dr. Hart"_qs, u"12-04-26 at 09:15:00"_qs),
        u"\n\n\n\nThis document has been Electronically ESigned by Dr. Hart on 12-04-26 at 09:15:00."_qs);
    EXPECT_EQ(Signing::RevisionStatement(u""_qs, u"D"_qs),
              u"This document has been Revised and Electronically ESigned by  on D."_qs);
}

TEST(Signing, PatternsFindStatementsWrittenByOtherHands) {
    const QStringList patterns = DefaultSignaturePatterns();
    struct Case {
        QString text, expected;
    };
    const QList<Case> cases = {
        {u"x\rthis  document has been\relectronically ESigned by Dr. A"_qs,
         u"this  document has been\relectronically ESigned by "_qs},
        {u"This document has been Electronically ESigned and Revised by B"_qs,
         u"This document has been Electronically ESigned and Revised by "_qs},
        {u"This document has been Electronically ESigned"_qs,
         u"This document has been Electronically ESigned"_qs},
        {u"This document has not been signed"_qs, u""_qs},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindSignatureStatement(c.text, patterns), c.expected) << c.text.toStdString();
    }
    // The patterns' "\T" is the letter T; other escapes keep their meaning.
    EXPECT_EQ(RegexMatcher::Translate(uR"(\This\s\d\.\u0041\x41)"_qs), uR"(This\s\d\.\x{0041}\x41)"_qs);
    EXPECT_TRUE(RegexMatcher(uR"(^\Tab$)"_qs).Execute(u"x\rTAB\ry"_qs).Found());
    EXPECT_EQ(RegexMatcher(uR"(b+)"_qs).Execute(u"abbcbbb"_qs).firstIndex, 1); // first match only
}

class SignFile : public ::testing::Test {
protected:
    QString Doc(const QByteArray& rtf) { return DocTest::Write(dir_, u"report.doc"_qs, rtf); }
    Request Sign() const {
        Request r;
        r.signatureText = u"Dr. Amelia Hart"_qs;
        r.dateText = u"12-04-26 at 09:15:00"_qs;
        r.signaturePatterns = DefaultSignaturePatterns();
        return r;
    }
    static int Count(const QString& text, const QString& what) { return static_cast<int>(text.count(what)); }

    QTemporaryDir dir_;
    const QString first_ = u"This document has been Electronically ESigned by "_qs;
    const QString revised_ = u"This document has been Revised and Electronically ESigned by "_qs;
};

TEST_F(SignFile, FirstSignatureGoesInItsOwnSectionAfterFourLineFeeds) {
    const QString path = Doc(DocTest::Fixture(u"report_lo.rtf"_qs));
    const QString before = DocTest::MainText(path);
    const Signing::Result r = Signing::SignDocumentFile(path, Sign());
    EXPECT_TRUE(r.saved && r.statementWritten);
    EXPECT_FALSE(r.revision);
    EXPECT_EQ(r.existingPosition, -1);
    EXPECT_EQ(
        DocTest::MainText(path),
        before + u"\f\r\r\r\rThis document has been Electronically ESigned by Dr. Amelia Hart on 12-04-26 at "
                 u"09:15:00."_qs);
    EXPECT_TRUE(DocTest::Read(path).contains("\\fs16\\cf1 "));
}

TEST_F(SignFile, SigningTwiceLeavesOneStatementTheRevision) {
    const QString path = Doc(DocTest::Fixture(u"report_lo.rtf"_qs));
    Signing::SignDocumentFile(path, Sign());
    const QString once = DocTest::MainText(path);
    Request again = Sign();
    again.dateText = u"13-04-26 at 10:00:00"_qs;
    const Signing::Result r = Signing::SignDocumentFile(path, again);
    const QString twice = DocTest::MainText(path);
    EXPECT_TRUE(r.revision);
    EXPECT_EQ(r.existingPosition, once.indexOf(first_));
    EXPECT_EQ(twice,
              once.left(once.indexOf(first_)) + revised_ + u"Dr. Amelia Hart on 13-04-26 at 10:00:00."_qs);
    EXPECT_EQ(Count(twice, u"ESigned by"_qs), 1);

    // A third signature replaces the revision in turn.
    Signing::SignDocumentFile(path, again);
    EXPECT_EQ(DocTest::MainText(path), twice);
}

TEST_F(SignFile, MarkerCutsTheRestAndGetsASectionBreak) {
    const QString path = Doc(R"({\rtf1\ansi Findings.\par /***ESS***/ old signature block\par more\par})");
    const Signing::Result r = Signing::SignDocumentFile(path, Sign());
    EXPECT_TRUE(r.revision);
    EXPECT_EQ(r.existingPosition, 10);
    EXPECT_EQ(DocTest::MainText(path),
              u"Findings.\r\f"_qs + revised_ + u"Dr. Amelia Hart on 12-04-26 at 09:15:00."_qs);
}

TEST_F(SignFile, StatementInOtherLetterCaseIsRemovedButCountsAsUnsigned) {
    const QString path = Doc(R"({\rtf1 Body.\par THIS DOCUMENT HAS BEEN ELECTRONICALLY ESIGNED by X on Y.})");
    const Signing::Result r = Signing::SignDocumentFile(path, Sign());
    EXPECT_FALSE(r.revision);
    EXPECT_EQ(r.existingPosition, -1);
    EXPECT_EQ(DocTest::MainText(path),
              u"Body.\r\f\r\r\r\r"_qs + first_ + u"Dr. Amelia Hart on 12-04-26 at 09:15:00."_qs);
}

TEST_F(SignFile, DemographicsResignAddsNothingToAnUnsignedDocument) {
    const QByteArray rtf = R"({\rtf1 Body never signed.})";
    const QString path = Doc(rtf);
    Request r = Sign();
    r.demographicsResign = true;
    const Signing::Result result = Signing::SignDocumentFile(path, r);
    EXPECT_FALSE(result.statementWritten);
    EXPECT_EQ(DocTest::Read(path), rtf);

    // ... but a signed one gets the revision.
    Signing::SignDocumentFile(path, Sign());
    EXPECT_TRUE(Signing::SignDocumentFile(path, r).revision);
}

TEST_F(SignFile, WatchedFileFindsAStatementBySignaturePattern) {
    const QByteArray rtf =
        R"({\rtf1 Body.\par This  document has been Electronically ESigned by Dr. A on 1.})";
    Request r = Sign();
    r.watchedFile = true;

    r.knownSigned = false; // not known to be signed: the odd statement stays, a new one is added
    const QString path = Doc(rtf);
    EXPECT_FALSE(Signing::SignDocumentFile(path, r).revision);
    EXPECT_TRUE(DocTest::MainText(path).contains(u"This  document"_qs));

    r.knownSigned = true;
    const QString again = Doc(rtf);
    const Signing::Result result = Signing::SignDocumentFile(again, r);
    EXPECT_TRUE(result.revision);
    EXPECT_EQ(result.existingPosition, 6);
    EXPECT_EQ(DocTest::MainText(again),
              u"Body.\r"_qs + revised_ + u"Dr. Amelia Hart on 12-04-26 at 09:15:00."_qs);
    EXPECT_NE(result.checksum, 0u);
}

TEST_F(SignFile, EmptySignatureTextStillGivesPrefixAndDate) {
    const QString path = Doc(R"({\rtf1 Body})");
    Request r = Sign();
    r.signatureText.clear();
    Signing::SignDocumentFile(path, r);
    EXPECT_TRUE(DocTest::MainText(path).endsWith(first_ + u" on 12-04-26 at 09:15:00."_qs));
}

TEST_F(SignFile, ANonRtfReportIsConvertedOnceAndWithoutLibreOfficeLeftAlone) {
    FakeDesktop desktop;
    const QByteArray word97("\xD0\xCF\x11\xE0 binary Word document", 26);
    const QString path = Doc(word97);
    desktop.RemoveOffice();
    PromptsDouble::Current().Clear();
    EXPECT_FALSE(Signing::SignDocumentFile(path, Sign()).saved);
    EXPECT_EQ(DocTest::Read(path), word97);
    EXPECT_EQ(PromptsDouble::Current().ShownTexts().size(), 1);
}

} // namespace
