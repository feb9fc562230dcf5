// What the engine writes must read right in a real word processor: each sequence runs on RTF
// that LibreOffice wrote, and LibreOffice then reads every result back as text; the locked one
// also goes through LibreOffice's own format and back to RTF. The conversions are batched
// (LibreOffice's start is most of their cost), so this is one case; a second converts a report
// that links pictures, in the desk's own profile.
#include "documents/core/DocumentPropertyStore.h"
#include "documents/core/OfficeProgram.h"
#include "documents/core/ProtectedEditCopy.h"
#include "documents/core/RtfDocument.h"
#include "documents/core/SigningCore.h"
#include "documents/core/WaterMark.h"
#include "documents/core/WordAutomation.h"
#include "tests/documents/DocumentsTestSupport.h"
#include "tests/support/ServerFixture.h"

#include <QFile>
#include <QImage>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

bool Sign(const QString& path, const QString& date) {
    Signing::Request r;
    r.signatureText = u"Dr. Amelia Hart"_qs;
    r.dateText = date;
    return Signing::SignDocumentFile(path, r).statementWritten;
}

TEST(LibreOfficeReadsBack, EverySequenceResult) {
    ASSERT_FALSE(QStandardPaths::findExecutable(u"soffice"_qs).isEmpty())
        << "LibreOffice Writer (soffice) is a test dependency: scripts/setup-debian.sh installs it";
    QTemporaryDir dir, profile;
    auto convert = [&](const QStringList& files, const QString& format, const QString& outDir) {
        return DocTest::Convert(profile.path(), files, format, dir.filePath(outDir));
    };
    auto text = [&](const QString& name) {
        return DocTest::ExportedText(dir.filePath(u"txt/"_qs + name + u".txt"_qs));
    };
    const QString source = DocTest::Write(dir, u"source.rtf"_qs, DocTest::Fixture(u"report_source.rtf"_qs));
    ASSERT_TRUE(convert({source}, u"rtf"_qs, u"lo"_qs));
    const QByteArray written = ReadFile(dir.filePath(u"lo/source.rtf"_qs));
    ASSERT_TRUE(written.startsWith("{\\rtf1"));
    auto copy = [&](const QString& name) { return DocTest::Write(dir, name + u".doc"_qs, written); };

    const QString date1 = u"12-04-26 at 09:15:00"_qs, date2 = u"13-04-26 at 10:00:00"_qs;
    const QString first = Signing::FirstSignatureStatement(u"Dr. Amelia Hart"_qs, date1).trimmed();
    const QString revised = Signing::RevisionStatement(u"Dr. Amelia Hart"_qs, date2);

    const QString signedOnce = copy(u"signed"_qs);
    ASSERT_TRUE(Sign(signedOnce, date1));
    const QString marker = copy(u"marker"_qs);
    RtfDocument withMarker;
    withMarker.Load(marker);
    withMarker.AppendRun(u"\n/***ESS***/ old block\nold line"_qs, 12);
    ASSERT_TRUE(withMarker.Save(marker));
    ASSERT_TRUE(Sign(marker, date2));
    LockUnLockWaterMark(WaterMark::Lock, marker); // and unlocked again, as after an edit
    LockUnLockWaterMark(WaterMark::Unlock, marker);
    const QString bookmarks = copy(u"bookmarks"_qs);
    ASSERT_EQ(WordAutomation().SetBookmarkValues(
                  bookmarks, {{u"LastName"_qs, u"Smith-Ünal"_qs}, {u"DateOfVisit"_qs, u"13-01-2026"_qs}}),
              WordAutomation::Outcome::Done);
    const QString locked = copy(u"locked"_qs); // properties written, signed and locked
    ASSERT_EQ(DocumentPropertyStore().WriteDocumentProperties(
                  locked, u"firstname~Mary|ReferringPhysicianName~Dr. Lee"_qs),
              1);
    ASSERT_TRUE(Sign(locked, date1));
    LockUnLockWaterMark(WaterMark::Lock, locked);
    // A binary Word report is converted once (by the engine, through LibreOffice) and signed.
    const QString word97 = DocTest::Write(dir, u"word97.doc"_qs, DocTest::Fixture(u"report_word97.doc"_qs));
    ASSERT_TRUE(Sign(word97, date1));
    EXPECT_TRUE(ReadFile(word97).startsWith("{\\rtf1"));

    ASSERT_TRUE(convert({dir.filePath(u"lo/source.rtf"_qs), signedOnce, marker, bookmarks, locked, word97},
                        u"txt:Text (encoded):UTF8"_qs, u"txt"_qs));

    const QString before = text(u"source"_qs);
    ASSERT_TRUE(before.startsWith(u"CONSULTATION REPORT\nPatient: John Doe\n"_qs)) << before.toStdString();
    ASSERT_TRUE(before.endsWith(u"Regards, Doe family doctor"_qs));
    EXPECT_EQ(text(u"signed"_qs), before + u"\n\n\n\n\n"_qs + first);
    for (const auto& [name, end] :
         {std::pair{u"marker"_qs, revised}, {u"locked"_qs, first}, {u"word97"_qs, first}}) {
        const QString t = text(name);
        EXPECT_TRUE(t.startsWith(before) && t.endsWith(end)) << name.toStdString() << ":\n"
                                                             << t.toStdString();
        EXPECT_EQ(t.count(u"ESigned by"_qs), 1) << name.toStdString();
        EXPECT_FALSE(t.contains(u"ESS"_qs)) << name.toStdString();
    }
    QString expected = before;
    expected.replace(u"Doe"_qs, u"Smith-Ünal"_qs).replace(u"12-01-2026"_qs, u"13-01-2026"_qs);
    EXPECT_EQ(text(u"bookmarks"_qs), expected);

    // The locked report through a flat-ODT copy: its statement sits in a protected section, and
    // the copy comes back as the report's RTF with both sections and the properties LibreOffice read.
    bool protectedSection = false;
    const QString editCopy = ProtectedEditCopy::Make(locked, &protectedSection);
    ASSERT_FALSE(editCopy.isEmpty());
    EXPECT_TRUE(protectedSection);
    const QByteArray fodt = ReadFile(editCopy);
    const qsizetype sectionAt = fodt.lastIndexOf("<text:section text:protected=\"true\"");
    ASSERT_GE(sectionAt, 0);
    EXPECT_GT(fodt.indexOf("This document has been Electronically ESigned by", sectionAt), sectionAt);
    ASSERT_TRUE(ProtectedEditCopy::Return(editCopy, locked));
    EXPECT_FALSE(QFile::exists(editCopy));
    RtfDocument back;
    ASSERT_TRUE(back.Load(locked));
    EXPECT_EQ(back.SectionCount(), 2);
    EXPECT_TRUE(back.MainText().contains(u"Regards, Doe family doctor"_qs) &&
                back.MainText().endsWith(first + u'\r'))
        << back.MainText().toStdString();
    QStringList names, values;
    DocumentPropertyStore().ReadDocumentProperties(locked, names, values);
    EXPECT_EQ(values.value(names.indexOf(u"FirstName"_qs)), u"Mary"_qs);
    EXPECT_EQ(values.value(names.indexOf(u"ReferringPhysicianName"_qs)), u"Dr. Lee"_qs);
    EXPECT_EQ(values.value(names.indexOf(u"LastName_alias"_qs)), u"Doe"_qs);
}

// A report that is not RTF, linking a picture on this computer and one on the network, is
// converted in the desk's profile without either: nothing fetched, nothing embedded.
TEST(LibreOfficeReadsBack, AConversionLoadsNoLinkedContent) {
    QTemporaryDir dir;
    StandInServer web;
    ASSERT_TRUE(web.Start()) << web.Error().toStdString();
    QImage picture(20, 20, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(dir.filePath(u"scan.png"_qs), "PNG"));
    QString body = u"<text:p>Report with linked pictures.</text:p>"_qs;
    for (const QString& href :
         {QUrl::fromLocalFile(dir.filePath(u"scan.png"_qs)).toString(), web.BaseUrl() + u"scan.png"_qs}) {
        body +=
            uR"(<text:p><draw:frame svg:width="2cm" svg:height="2cm"><draw:image xlink:href=")"_qs + href +
            uR"(" xlink:type="simple" xlink:show="embed" xlink:actuate="onLoad"/></draw:frame></text:p>)"_qs;
    }
    const QString report = DocTest::Write(
        dir, u"R260050.doc"_qs,
        (uR"(<?xml version="1.0" encoding="UTF-8"?><office:document office:version="1.2")"
         uR"( xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0")"
         uR"( xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0")"
         uR"( xmlns:draw="urn:oasis:names:tc:opendocument:xmlns:drawing:1.0" xmlns:xlink="http://www.w3.org/1999/xlink")"
         uR"( xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0")"
         uR"( office:mimetype="application/vnd.oasis.opendocument.text"><office:body><office:text>)"_qs +
         body + u"</office:text></office:body></office:document>"_qs)
            .toUtf8());
    ASSERT_TRUE(OfficeProgram::ConvertToRtfInPlace(report));
    const QByteArray rtf = ReadFile(report);
    ASSERT_TRUE(rtf.contains("Report with linked pictures.")) << rtf.left(400).toStdString();
    // A blocked link leaves an empty placeholder; the picture itself would come as PNG data.
    EXPECT_FALSE(rtf.contains("blip") || rtf.contains("89504e470d0a1a0a")) << "a linked picture was embedded";
    EXPECT_TRUE(web.JournalFor(u"scan.png"_qs).isEmpty()) << "a linked picture was fetched";
}

} // namespace
