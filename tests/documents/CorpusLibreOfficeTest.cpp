// Real-world reports (tests/documents/corpus, from public office-suite and converter test suites)
// signed, re-signed and given awkward demographics by the engine, then read back by the real
// LibreOffice: every line of the report is still there, the statement is the last paragraph,
// alone and once, the properties read back exactly, and the statement is text in the PDF.
// One LibreOffice run per output format for the whole corpus.
#include "documents/core/DocumentPropertyStore.h"
#include "documents/core/SigningCore.h"
#include "host/core/Delays.h"
#include "tests/documents/LibreOfficeRun.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const QString kSigner = QStringLiteral("Dr. Amelia Hart");

// Two rounds of five demographics, each value hard on an RTF writer: braces, backslashes, text
// outside Latin-1, blanks to trim. The second round overwrites the first.
const QList<QList<QPair<QString, QString>>> kDemographics = {
    {{u"FirstName"_qs, u"{x}"_qs},
     {u"LastName"_qs, u"right}only"_qs},
     {u"DateOfBirth"_qs, uR"(C:\path\)"_qs},
     {u"ReferringPhysicianName"_qs, u"Dr. Ünal 台北"_qs},
     {u"Location"_qs, uR"(  {a} \ {b}  )"_qs}},
    {{u"FirstName"_qs, u"right}only {"_qs},
     {u"LastName"_qs, u"{x}"_qs},
     {u"DateOfBirth"_qs, uR"(\{}\'41\u66)"_qs},
     {u"ReferringPhysicianName"_qs, u"Ωmega Ärztin"_qs},
     {u"Location"_qs, u"MRN123 }}{{"_qs}},
};

QString ListOf(const QList<QPair<QString, QString>>& items) {
    QStringList list;
    for (const auto& [name, value] : items) {
        list << name + u'~' + value;
    }
    return list.join(u'|');
}

QString Collapsed(QString s) {
    return s.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" ")).trimmed();
}

// The user-defined properties of a flat-ODT file, by name.
QMap<QString, QString> UserDefined(const QByteArray& fodt) {
    static const QRegularExpression kProperty(
        QStringLiteral(R"re(<meta:user-defined meta:name="([^"]*)"[^>]*>([^<]*)</meta:user-defined>)re"));
    auto unescape = [](QString s) {
        static const QRegularExpression kNumeric(QStringLiteral("&#(x?)([0-9a-fA-F]+);"));
        for (QRegularExpressionMatch m = kNumeric.match(s); m.hasMatch(); m = kNumeric.match(s)) {
            const uint code = m.captured(2).toUInt(nullptr, m.captured(1).isEmpty() ? 10 : 16);
            s.replace(m.capturedStart(), m.capturedLength(),
                      QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1));
        }
        return s.replace(u"&lt;"_qs, u"<"_qs)
            .replace(u"&gt;"_qs, u">"_qs)
            .replace(u"&quot;"_qs, u"\""_qs)
            .replace(u"&apos;"_qs, u"'"_qs)
            .replace(u"&amp;"_qs, u"&"_qs);
    };
    QMap<QString, QString> out;
    const QString xml = QString::fromUtf8(fodt);
    for (auto it = kProperty.globalMatch(xml); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        out.insert(unescape(m.captured(1)), unescape(m.captured(2)));
    }
    return out;
}

QString WithoutTrailingBlanks(const QString& line) {
    qsizetype end = line.size();
    while (end > 0 && line.at(end - 1).isSpace()) {
        --end;
    }
    return line.left(end);
}

// The lines of the original that the signed report lacks, in order. Trailing blanks do not
// count. Lines of a report with a date or time field are left out when they hold a date or a
// time (the field is recomputed). LibreOffice reads a report's last paragraph without its list
// level (followed by anything, the same paragraph shows its level), so an indented, numbered
// last line may come back with another label before the same text.
QStringList MissingLines(const QString& original, const QString& signedText, bool dateFields) {
    static const QRegularExpression kDateOrTime(QStringLiteral(R"(\d{1,4}[:./-]\d{1,2})"));
    QStringList have = signedText.split(u'\n');
    std::transform(have.begin(), have.end(), have.begin(), WithoutTrailingBlanks);
    const QStringList lines = original.split(u'\n');
    QStringList missing;
    qsizetype at = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = WithoutTrailingBlanks(lines.at(i));
        if (line.trimmed().isEmpty() || (dateFields && kDateOrTime.match(line).hasMatch())) {
            continue;
        }
        qsizetype found = have.indexOf(line, at);
        const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
        if (found < 0 && i == lines.size() - 1 && line.startsWith(u' ') && words.size() > 2) {
            const QString text = u' ' + words.mid(2).join(u' ');
            for (qsizetype k = at; k < have.size() && found < 0; ++k) {
                found = have.at(k).startsWith(u' ') && have.at(k).endsWith(text) ? k : -1;
            }
        }
        if (found < 0) {
            missing << line;
        } else {
            at = found + 1;
        }
    }
    return missing;
}

TEST(LibreOfficeReadsBack, EveryCorpusReportSignedTwiceAndDescribed) {
    ASSERT_FALSE(QStandardPaths::findExecutable(u"soffice"_qs).isEmpty())
        << "LibreOffice Writer (soffice) is a test dependency: scripts/setup-debian.sh installs it";
    ASSERT_FALSE(QStandardPaths::findExecutable(u"pdftotext"_qs).isEmpty())
        << "pdftotext (poppler-utils) is a test dependency: scripts/setup-debian.sh installs it";
    Delays::ZeroAll();
    QTemporaryDir dir, profile;
    const QDir corpus(QStringLiteral(VELMO_DOCUMENT_CORPUS));
    const QStringList reports = corpus.entryList({u"*.rtf"_qs}, QDir::Files, QDir::Name);
    ASSERT_GE(reports.size(), 40);

    const QString first = u"12-04-26 at 09:15:00"_qs, second = u"13-04-26 at 10:00:00"_qs;
    const QString revision = Signing::RevisionStatement(kSigner, second);
    QStringList originals, signedReports;
    for (const QString& report : reports) {
        const QString base = QFileInfo(report).completeBaseName();
        const QByteArray bytes = DocTest::Read(corpus.filePath(report));
        originals << DocTest::Write(dir, u"o-"_qs + base + u".doc"_qs, bytes);
        const QString path = DocTest::Write(dir, u"s-"_qs + base + u".doc"_qs, bytes);
        signedReports << path;
        Signing::Request request;
        request.signatureText = kSigner;
        request.dateText = first;
        ASSERT_TRUE(Signing::SignDocumentFile(path, request).statementWritten) << report.toStdString();
        request.dateText = second;
        request.knownSigned = true;
        ASSERT_TRUE(Signing::SignDocumentFile(path, request).revision) << report.toStdString();
        for (const auto& round : kDemographics) {
            ASSERT_EQ(DocumentPropertyStore().WriteDocumentProperties(path, ListOf(round)), 1)
                << report.toStdString();
        }
    }
    ASSERT_TRUE(DocTest::Convert(profile.path(), originals + signedReports, u"txt:Text (encoded):UTF8"_qs,
                                 dir.filePath(u"txt"_qs)));
    ASSERT_TRUE(DocTest::Convert(profile.path(), signedReports, u"fodt"_qs, dir.filePath(u"fodt"_qs)));
    ASSERT_TRUE(DocTest::Convert(profile.path(), signedReports, u"pdf"_qs, dir.filePath(u"pdf"_qs)));

    static const QRegularExpression kDateField(
        QStringLiteral(R"(\\fldinst[^}]*\b(DATE|TIME|PRINTDATE|SAVEDATE|CREATEDATE)\b)"),
        QRegularExpression::CaseInsensitiveOption);
    for (const QString& report : reports) {
        SCOPED_TRACE(report.toStdString());
        const QString base = QFileInfo(report).completeBaseName();
        const QString original = DocTest::ExportedText(dir.filePath(u"txt/o-"_qs + base + u".txt"_qs));
        const QString signedText = DocTest::ExportedText(dir.filePath(u"txt/s-"_qs + base + u".txt"_qs));
        const bool dateFields =
            kDateField.match(QString::fromLatin1(DocTest::Read(corpus.filePath(report)))).hasMatch();
        EXPECT_EQ(MissingLines(original, signedText, dateFields), QStringList()) << signedText.toStdString();
        EXPECT_EQ(signedText.split(u'\n').last(), revision) << signedText.toStdString();
        EXPECT_EQ(signedText.count(u"ESigned by"_qs), 1) << signedText.toStdString();

        const QMap<QString, QString> properties =
            UserDefined(DocTest::Read(dir.filePath(u"fodt/s-"_qs + base + u".fodt"_qs)));
        for (const auto& [name, value] : kDemographics.last()) {
            EXPECT_EQ(properties.value(name), value.trimmed()) << name.toStdString();
        }

        QProcess pdf;
        pdf.start(u"pdftotext"_qs, {dir.filePath(u"pdf/s-"_qs + base + u".pdf"_qs), u"-"_qs});
        ASSERT_TRUE(pdf.waitForFinished(60000));
        EXPECT_TRUE(Collapsed(QString::fromUtf8(pdf.readAllStandardOutput())).contains(Collapsed(revision)));
    }
}

} // namespace
