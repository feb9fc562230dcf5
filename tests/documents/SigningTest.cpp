#include "documents/core/RegexMatcher.h"
#include "documents/core/SigningCore.h"
#include "host/core/FileChecksum.h"
#include "reportlist/core/SignaturePatterns.h"
#include "tests/documents/DocumentsTestSupport.h"

#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

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
    EXPECT_TRUE(
        DocTest::Read(path).contains("\\pard\\plain\\ltrpar \\sect\\sectd\\sbknone {\\uc1\\fs16\\cf1 \\par"));

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

// Each paragraph with the properties in effect at its mark, of those that would carry into
// text appended after it (a table cell, a list, a frame, direction, hidden text, columns): a
// small reader of its own, so that it checks the engine rather than repeats it.
struct Paragraph {
    QString text;
    QStringList state;
    bool operator==(const Paragraph&) const = default;
};
std::vector<Paragraph> Paragraphs(const QByteArray& rtf) {
    static const QSet<QByteArray> kParagraph = {"intbl", "itap", "ls",     "ilvl", "pvpara",
                                                "posx",  "absw", "rtlpar", "qc"};
    static const QSet<QByteArray> kCharacter = {"v", "b", "rtlch"}, kSection = {"cols"};
    static const QSet<QByteArray> kHidden = {"fonttbl", "colortbl",  "stylesheet",
                                             "info",    "listtable", "listoverridetable",
                                             "pict",    "fldinst",   "shpinst"};
    struct Group {
        std::map<QByteArray, QByteArray> props;
        bool hidden = false;
    };
    std::vector<Group> stack(1);
    std::vector<Paragraph> out;
    QString text;
    auto end = [&]() {
        QStringList state;
        for (const auto& [word, param] : stack.back().props) {
            state << QString::fromLatin1(word + param);
        }
        out.push_back({text, state});
        text.clear();
    };
    auto drop = [&](const QSet<QByteArray>& words) {
        std::erase_if(stack.back().props, [&](const auto& p) { return words.contains(p.first); });
    };
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf.at(i);
        if (c == '{' || c == '}') {
            if (c == '}' && stack.size() == 2 && !text.isEmpty()) {
                end(); // the document ends its last paragraph
            }
            c == '{' ? stack.push_back(stack.back()) : stack.pop_back();
            if (stack.empty()) {
                break;
            }
        } else if (c == '\\' && i + 1 < rtf.size() && QChar(rtf.at(i + 1)).isLetter()) {
            qsizetype j = i + 1;
            while (j < rtf.size() && QChar(rtf.at(j)).isLetter()) {
                ++j;
            }
            const QByteArray word = rtf.mid(i + 1, j - i - 1);
            const qsizetype p = j;
            while (j < rtf.size() && (QChar(rtf.at(j)).isDigit() || rtf.at(j) == '-')) {
                ++j;
            }
            const QByteArray param = rtf.mid(p, j - p);
            i = j < rtf.size() && rtf.at(j) == ' ' ? j : j - 1;
            if (kHidden.contains(word) || stack.back().hidden) {
                stack.back().hidden = true;
            } else if (word == "pard" || word == "plain" || word == "sectd") {
                drop(word == "pard" ? kParagraph : word == "plain" ? kCharacter : kSection);
            } else if (word == "ltrpar" || word == "ltrch") {
                drop({word == "ltrpar" ? "rtlpar" : "rtlch"});
            } else if (kParagraph.contains(word) || kCharacter.contains(word) || kSection.contains(word)) {
                stack.back().props[word] = param;
                if (param == "0") {
                    drop({word});
                }
            } else if (word == "par" || word == "sect" || word == "cell" || word == "row") {
                end();
            }
        } else if (c == '\\') {
            ++i; // "\*" hides its group; an escaped character is text
            stack.back().hidden = stack.back().hidden || (i < rtf.size() && rtf.at(i) == '*');
        } else if (c != '\r' && c != '\n' && !stack.back().hidden) {
            text += QLatin1Char(c);
        }
    }
    if (!stack.empty() && !text.isEmpty()) {
        end();
    }
    return out;
}
void PrintTo(const Paragraph& p, std::ostream* os) {
    *os << '"' << p.text.toStdString() << "\" " << p.state.join(u' ').toStdString();
}

TEST_F(SignFile, TheStatementIsPlainWhateverTheReportEndsIn) {
    const QList<QPair<const char*, QByteArray>> cases = {
        {"a table row", R"({\rtf1 Report\par\trowd\cellx1000\intbl A\cell\row})"},
        {"a list item", R"({\rtf1 Report\par\pard\ls1\ilvl1 Item\par})"},
        {"a frame", R"({\rtf1 Report\par\pard\pvpara\posx100\absw2000 Framed\par})"},
        {"a right-to-left paragraph", R"({\rtf1\pard\rtlpar\rtlch Report\par})"},
        {"hidden text, no last mark", R"({\rtf1 Report\par\v Hidden})"},
        {"columns, a centred last line without mark", R"({\rtf1\sectd\cols2\pard\qc Report})"},
        {"a list item in a group cut short", R"({\rtf1 Report\par\pard\ls1 {Cut)"},
        {"a hidden group cut short", R"({\rtf1 Report\par\pard\ls1 Cut{\*\bkmkstart B)"},
        {"a statement that inherited a table row",
         R"({\rtf1 A\cell\row\sect\sectd\sbknone {\uc1\fs16\cf1 \par This document has been Electronically ESigned by X on 1.}})"},
    };
    for (const auto& [why, rtf] : cases) {
        const QString path = DocTest::Write(dir_, u"report.doc"_qs, rtf);
        EXPECT_TRUE(Signing::SignDocumentFile(path, Sign()).statementWritten) << why;
        // The report's own paragraphs (up to an earlier statement) keep their formatting; all that
        // was appended is plain.
        std::vector<Paragraph> own = Paragraphs(rtf), after = Paragraphs(DocTest::Read(path));
        own.erase(std::find_if(own.begin(), own.end(),
                               [](const Paragraph& p) { return p.text.contains(u"ESigned"_qs); }),
                  own.end());
        ASSERT_GT(after.size(), own.size()) << why;
        EXPECT_EQ(std::vector<Paragraph>(after.begin(), after.begin() + static_cast<qsizetype>(own.size())),
                  own)
            << why;
        for (auto p = after.begin() + static_cast<qsizetype>(own.size()); p != after.end(); ++p) {
            EXPECT_EQ(p->state, QStringList()) << why << ": " << p->text.toStdString();
        }
        EXPECT_TRUE(after.back().text.startsWith(u"This document has been"_qs)) << why;
    }
}

TEST_F(SignFile, ReplacesOnlyTheEarlierStatementAndKeepsWhatFollowsIt) {
    struct Case {
        const char* why;
        QByteArray rtf;
        bool knownSigned;
        QString text;  // after the body and the earlier statement's section break and blank lines
        QString moved; // text kept from after the earlier statement
    };
    const QByteArray head =
        R"({\rtf1 Body.\par\pard\plain\ltrpar \sect\sectd\sbknone {\uc1\fs16\cf1 \par \par \par \par )";
    const QByteArray signedOn = " ESigned by Dr. A on 12-04-26 at 09:15:00.";
    const QByteArray edited = "This document has been Electroniccally" + signedOn;
    const QString editedText = u"This document has been Electroniccally"_qs + QString::fromLatin1(signedOn);
    const QString appended = u"\f\r\r\r\r"_qs + kFirst + kSigner;
    const QList<Case> cases = {
        {"edited inside a word, known signed: found by its shape",
         head + edited + "}}",
         true,
         kRevised + kSigner,
         {}},
        {"edited, at another size: no statement's shape, kept",
         head + "{\\fs24 " + edited + "}}}",
         true,
         editedText + appended,
         {}},
        {"edited, not known signed: kept", head + edited + "}}", false, editedText + appended, {}},
        {"an addendum in a paragraph of its own",
         head + "This document has been Electronically" + signedOn + "\\par}\\pard Addendum: called.\\par}",
         false, u"Addendum: called.\r"_qs + kRevised + kSigner, u"Addendum: called."_qs},
        {"an addendum behind it on its line",
         head + "This document has been Electronically" + signedOn + " Later: fine.}}", false,
         u" Later: fine.\r"_qs + kRevised + kSigner, u"Later: fine."_qs},
    };
    for (const Case& c : cases) {
        const QString path = DocTest::Write(dir_, u"report.doc"_qs, c.rtf);
        Request request = Sign();
        request.knownSigned = c.knownSigned;
        const Signing::Result r = Signing::SignDocumentFile(path, request);
        EXPECT_EQ(DocTest::MainText(path), u"Body.\r\f\r\r\r\r"_qs + c.text) << c.why;
        EXPECT_EQ(r.movedText, c.moved) << c.why;
    }
    // The same statement, edited after LibreOffice saved the signed report (its own RTF).
    const QString path =
        DocTest::Write(dir_, u"report.doc"_qs, DocTest::Fixture(u"signed_tampered_lo.rtf"_qs));
    Request request = Sign();
    request.knownSigned = true;
    EXPECT_TRUE(Signing::SignDocumentFile(path, request).revision);
    const QString text = DocTest::MainText(path);
    EXPECT_TRUE(text.endsWith(u"family doctor\r\f\r\r\r\r"_qs + kRevised + kSigner)) << text.toStdString();
    EXPECT_EQ(text.count(u"ESigned"_qs), 1);
}

} // namespace
