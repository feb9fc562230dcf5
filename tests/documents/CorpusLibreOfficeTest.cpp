// Real-world reports (tests/documents/corpus, see SOURCES there) signed, re-signed and given
// awkward demographics by the engine, then read back by the real LibreOffice, one run per output
// format for the whole corpus: text, flat ODT (for the properties) and PDF.
#include "documents/core/DocumentPropertyStore.h"
#include "documents/core/SigningCore.h"
#include "host/core/Delays.h"
#include "tests/documents/DocumentsTestSupport.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

// Five demographics written twice, each value hard on an RTF writer; the second round stays.
const QStringList kNames = {u"FirstName"_qs, u"LastName"_qs, u"DateOfBirth"_qs, u"ReferringPhysicianName"_qs,
                            u"Location"_qs};
const QList<QStringList> kRounds = {
    {u"{x}"_qs, u"right}only"_qs, uR"(C:\path\)"_qs, u"Dr. Ünal 台北"_qs, uR"(  {a} \ {b}  )"_qs},
    {u"right}only {"_qs, u"{x}"_qs, uR"(\{}\'41\u66)"_qs, u"Ωmega Ärztin"_qs, u"MRN123 }}{{"_qs}};

QString Collapsed(QString s) {
    return s.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" ")).trimmed();
}

// The lines of the original missing from the signed text, in order, trailing blanks aside. In a
// report with date or time fields, lines holding a date or time are left out. LibreOffice reads a
// report's last paragraph without its list level (with anything after it, the level shows), so
// an indented last line may come back with another label before the same words.
QStringList MissingLines(const QString& original, const QString& signedText, bool dateFields) {
    static const QRegularExpression kDateOrTime(QStringLiteral(R"(\d{1,4}[:./-]\d{1,2})"));
    static const QRegularExpression kTrailing(QStringLiteral("\\s+$"));
    const QStringList have =
        QString(signedText).remove(QRegularExpression(QStringLiteral("[ \\t]+(?=\\n)"))).split(u'\n');
    const QStringList lines = original.split(u'\n');
    QStringList missing;
    qsizetype at = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = QString(lines.at(i)).remove(kTrailing);
        if (line.trimmed().isEmpty() || (dateFields && kDateOrTime.match(line).hasMatch())) {
            continue;
        }
        qsizetype found = have.indexOf(line, at);
        const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
        if (found < 0 && i == lines.size() - 1 && line.startsWith(u' ') && words.size() > 2) {
            const QString rest = u' ' + words.mid(2).join(u' ');
            for (qsizetype k = at; k < have.size() && found < 0; ++k) {
                found = have.at(k).startsWith(u' ') && have.at(k).endsWith(rest) ? k : -1;
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
    for (const QString& program : {u"soffice"_qs, u"pdftotext"_qs}) {
        ASSERT_FALSE(QStandardPaths::findExecutable(program).isEmpty())
            << program.toStdString() << " is a test dependency: scripts/setup-debian.sh installs it";
    }
    Delays::ZeroAll();
    QTemporaryDir dir, profile;
    const QDir corpus(QStringLiteral(VELMO_DOCUMENT_CORPUS));
    const QStringList reports = corpus.entryList({u"*.rtf"_qs}, QDir::Files, QDir::Name);
    ASSERT_GE(reports.size(), 40);
    const QString revision = Signing::RevisionStatement(u"Dr. Amelia Hart"_qs, u"13-04-26 at 10:00:00"_qs);
    QStringList originals, results;
    for (const QString& report : reports) {
        const QByteArray bytes = ReadFile(corpus.filePath(report));
        originals << DocTest::Write(dir, u"o-"_qs + report.chopped(4) + u".doc"_qs, bytes);
        const QString path = DocTest::Write(dir, u"s-"_qs + report.chopped(4) + u".doc"_qs, bytes);
        results << path;
        Signing::Request request;
        request.signatureText = u"Dr. Amelia Hart"_qs;
        request.dateText = u"12-04-26 at 09:15:00"_qs;
        ASSERT_TRUE(Signing::SignDocumentFile(path, request).statementWritten) << report.toStdString();
        request.dateText = u"13-04-26 at 10:00:00"_qs;
        request.knownSigned = true;
        ASSERT_TRUE(Signing::SignDocumentFile(path, request).revision) << report.toStdString();
        for (const QStringList& values : kRounds) {
            QStringList list;
            for (qsizetype i = 0; i < kNames.size(); ++i) {
                list << kNames.at(i) + u'~' + values.at(i);
            }
            ASSERT_EQ(DocumentPropertyStore().WriteDocumentProperties(path, list.join(u'|')), 1);
        }
    }
    for (const auto& [files, format] : {std::pair{originals + results, u"txt:Text (encoded):UTF8"_qs},
                                        {results, u"fodt"_qs},
                                        {results, u"pdf"_qs}}) {
        ASSERT_TRUE(
            DocTest::Convert(profile.path(), files, format, dir.filePath(format.section(u':', 0, 0))));
    }

    static const QRegularExpression kDateField(
        QStringLiteral(R"(\\fldinst[^}]*\b(DATE|TIME|PRINTDATE|SAVEDATE|CREATEDATE)\b)"),
        QRegularExpression::CaseInsensitiveOption);
    for (const QString& report : reports) {
        SCOPED_TRACE(report.toStdString());
        auto out = [&](const QString& prefix, const QString& type) {
            return dir.filePath(type + u'/' + prefix + report.chopped(4) + u'.' + type);
        };
        const QString original = DocTest::ExportedText(out(u"o-"_qs, u"txt"_qs));
        const QString signedText = DocTest::ExportedText(out(u"s-"_qs, u"txt"_qs));
        const bool dateFields =
            kDateField.match(QString::fromLatin1(ReadFile(corpus.filePath(report)))).hasMatch();
        EXPECT_EQ(MissingLines(original, signedText, dateFields), QStringList()) << signedText.toStdString();
        EXPECT_EQ(signedText.split(u'\n').last(), revision) << signedText.toStdString();
        EXPECT_EQ(signedText.count(u"ESigned by"_qs), 1) << signedText.toStdString();

        QMap<QString, QString> properties; // meta:user-defined of the flat ODT
        QXmlStreamReader xml(ReadFile(out(u"s-"_qs, u"fodt"_qs)));
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement &&
                xml.qualifiedName() == u"meta:user-defined") {
                const QString name = xml.attributes().value(u"meta:name"_qs).toString();
                properties.insert(name, xml.readElementText());
            }
        }
        for (qsizetype i = 0; i < kNames.size(); ++i) {
            EXPECT_EQ(properties.value(kNames.at(i)), kRounds.last().at(i).trimmed())
                << kNames.at(i).toStdString();
        }
        QProcess pdf;
        pdf.start(u"pdftotext"_qs, {out(u"s-"_qs, u"pdf"_qs), u"-"_qs});
        ASSERT_TRUE(pdf.waitForFinished(60000));
        EXPECT_TRUE(Collapsed(QString::fromUtf8(pdf.readAllStandardOutput())).contains(Collapsed(revision)));
    }
}

} // namespace
