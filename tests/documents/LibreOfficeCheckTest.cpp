// What the engine writes must read right in a real word processor: each sequence runs on RTF
// that LibreOffice wrote, and LibreOffice then reads every result back, as text and as RTF. The
// conversions are batched (LibreOffice's start is most of their cost), so this is one case.
#include "documents/core/DocumentPropertyStore.h"
#include "documents/core/ProtectedEditCopy.h"
#include "documents/core/RtfDocument.h"
#include "documents/core/SigningCore.h"
#include "documents/core/WaterMark.h"
#include "documents/core/WordAutomation.h"
#include "reportlist/core/SignaturePatterns.h"
#include "tests/documents/DocumentsTestSupport.h"
#include "tests/support/PromptsDouble.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

class LibreOffice {
public:
    LibreOffice() : profile_(QUrl::fromLocalFile(profileDir_.path()).toString()) {}

    // Converts every file to format in outDir, in one run.
    bool Convert(const QStringList& files, const QString& format, const QString& outDir) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("soffice"),
                QStringList{QStringLiteral("--headless"), QStringLiteral("--norestore"),
                            QStringLiteral("-env:UserInstallation=") + profile_,
                            QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"), outDir} +
                    files);
        return p.waitForFinished(240000) && p.exitCode() == 0;
    }

private:
    QTemporaryDir profileDir_;
    QString profile_;
};

QString Text(const QString& path) {
    QString t = QString::fromUtf8(DocTest::Read(path));
    t.remove(QChar(0xFEFF));
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    while (t.endsWith(u'\n')) {
        t.chop(1);
    }
    return t;
}

Signing::Request SignRequest(const QString& date) {
    Signing::Request r;
    r.signatureText = QStringLiteral("Dr. Amelia Hart");
    r.dateText = date;
    r.signaturePatterns = DefaultSignaturePatterns();
    return r;
}

TEST(LibreOfficeReadsBack, EverySequenceResult) {
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        << "LibreOffice Writer (soffice) is a test dependency: scripts/setup-debian.sh installs it";
    QTemporaryDir dir;
    LibreOffice office;
    const QString source = DocTest::Write(dir, QStringLiteral("source.rtf"),
                                          DocTest::Fixture(QStringLiteral("report_source.rtf")));
    const QString lo = dir.filePath(QStringLiteral("lo"));
    ASSERT_TRUE(office.Convert({source}, QStringLiteral("rtf"), lo));
    const QByteArray written = DocTest::Read(lo + QStringLiteral("/source.rtf"));
    ASSERT_TRUE(written.startsWith("{\\rtf1"));

    const QString work = dir.filePath(QStringLiteral("work"));
    QDir().mkpath(work);
    auto copy = [&](const QString& name) {
        return DocTest::Write(dir, QStringLiteral("work/") + name, written);
    };
    const QString first = Signing::FirstSignatureStatement(QStringLiteral("Dr. Amelia Hart"),
                                                           QStringLiteral("12-04-26 at 09:15:00"))
                              .trimmed();
    const QString revised =
        Signing::RevisionStatement(QStringLiteral("Dr. Amelia Hart"), QStringLiteral("13-04-26 at 10:00:00"));

    const QString signedOnce = copy(QStringLiteral("signed.doc"));
    ASSERT_TRUE(Signing::SignDocumentFile(signedOnce, SignRequest(QStringLiteral("12-04-26 at 09:15:00")))
                    .statementWritten);

    const QString signedTwice = copy(QStringLiteral("twice.doc"));
    Signing::SignDocumentFile(signedTwice, SignRequest(QStringLiteral("12-04-26 at 09:15:00")));
    ASSERT_TRUE(
        Signing::SignDocumentFile(signedTwice, SignRequest(QStringLiteral("13-04-26 at 10:00:00"))).revision);

    const QString marker = copy(QStringLiteral("marker.doc"));
    {
        RtfDocument doc;
        doc.Load(marker);
        doc.AppendRun(QStringLiteral("\n/***ESS***/ old block\nold line"), 12);
        ASSERT_TRUE(doc.Save(marker));
    }
    ASSERT_TRUE(
        Signing::SignDocumentFile(marker, SignRequest(QStringLiteral("13-04-26 at 10:00:00"))).revision);

    const QString bookmarks = copy(QStringLiteral("bookmarks.doc"));
    ASSERT_EQ(WordAutomation().SetBookmarkValues(
                  bookmarks, {{QStringLiteral("LastName"), QStringLiteral("Smith-Ünal")},
                              {QStringLiteral("DateOfVisit"), QStringLiteral("13-01-2026")}}),
              WordAutomation::Outcome::Done);

    const QString properties = copy(QStringLiteral("properties.doc"));
    ASSERT_EQ(DocumentPropertyStore().WriteDocumentProperties(
                  properties, QStringLiteral("firstname~Mary|ReferringPhysicianName~Dr. Lee")),
              1)
        << PromptsDouble::Current().ShownTexts().join(u'|').toStdString();

    const QString locked = copy(QStringLiteral("locked.doc"));
    Signing::SignDocumentFile(locked, SignRequest(QStringLiteral("12-04-26 at 09:15:00")));
    LockUnLockWaterMark(1, locked);
    const QString unlocked = copy(QStringLiteral("unlocked.doc"));
    Signing::SignDocumentFile(unlocked, SignRequest(QStringLiteral("12-04-26 at 09:15:00")));
    LockUnLockWaterMark(1, unlocked);
    LockUnLockWaterMark(0, unlocked);

    // A binary Word report is converted once (by the engine, through LibreOffice) and signed.
    const QString word97 = DocTest::Write(dir, QStringLiteral("work/word97.doc"),
                                          DocTest::Fixture(QStringLiteral("report_word97.doc")));
    ASSERT_TRUE(Signing::SignDocumentFile(word97, SignRequest(QStringLiteral("12-04-26 at 09:15:00")))
                    .statementWritten);
    EXPECT_TRUE(DocTest::Read(word97).startsWith("{\\rtf1"));

    const QString txt = dir.filePath(QStringLiteral("txt"));
    const QString rtf = dir.filePath(QStringLiteral("rtf"));
    const QStringList results = {lo + QStringLiteral("/source.rtf"),
                                 signedOnce,
                                 signedTwice,
                                 marker,
                                 bookmarks,
                                 properties,
                                 locked,
                                 unlocked,
                                 word97};
    ASSERT_TRUE(office.Convert(results, QStringLiteral("txt:Text (encoded):UTF8"), txt));
    ASSERT_TRUE(office.Convert({properties, locked}, QStringLiteral("rtf"), rtf));

    const QString before = Text(txt + QStringLiteral("/source.txt"));
    ASSERT_TRUE(before.startsWith(QStringLiteral("CONSULTATION REPORT\nPatient: John Doe\n")))
        << before.toStdString();
    ASSERT_TRUE(before.endsWith(QStringLiteral("Regards, Doe family doctor")));

    struct Expect {
        QString name;
        QString prefix; // what must stay before the statement
        QString end;
    };
    const QList<Expect> expectations = {
        {QStringLiteral("signed"), before, first},   {QStringLiteral("twice"), before, revised},
        {QStringLiteral("marker"), before, revised}, {QStringLiteral("locked"), before, first},
        {QStringLiteral("unlocked"), before, first}, {QStringLiteral("word97"), before, first},
    };
    for (const Expect& e : expectations) {
        const QString t = Text(txt + u'/' + e.name + QStringLiteral(".txt"));
        EXPECT_TRUE(t.startsWith(e.prefix)) << e.name.toStdString() << ":\n" << t.toStdString();
        EXPECT_TRUE(t.endsWith(e.end)) << e.name.toStdString() << ":\n" << t.toStdString();
        EXPECT_EQ(t.count(QStringLiteral("ESigned by")), 1) << e.name.toStdString();
        EXPECT_FALSE(t.contains(QStringLiteral("ESS"))) << e.name.toStdString();
    }
    const QString signedText = Text(txt + QStringLiteral("/signed.txt"));
    EXPECT_EQ(signedText, before + QStringLiteral("\n\n\n\n\n") + first);

    const QString bookmarkText = Text(txt + QStringLiteral("/bookmarks.txt"));
    QString expected = before;
    expected.replace(QStringLiteral("Doe"), QStringLiteral("Smith-Ünal"))
        .replace(QStringLiteral("12-01-2026"), QStringLiteral("13-01-2026"));
    EXPECT_EQ(bookmarkText, expected);

    EXPECT_EQ(Text(txt + QStringLiteral("/properties.txt")), before);
    QStringList names, values;
    DocumentPropertyStore().ReadDocumentProperties(rtf + QStringLiteral("/properties.rtf"), names, values);
    EXPECT_EQ(values.value(names.indexOf(QStringLiteral("FirstName"))), QStringLiteral("Mary"));
    EXPECT_EQ(values.value(names.indexOf(QStringLiteral("ReferringPhysicianName"))),
              QStringLiteral("Dr. Lee"));
    EXPECT_EQ(values.value(names.indexOf(QStringLiteral("LastName_alias"))), QStringLiteral("Doe"));

    // The locked report through a flat-ODT copy: its statement sits in a protected section, and
    // the copy comes back as the report's RTF with everything in it.
    bool protectedSection = false;
    const QString editCopy = ProtectedEditCopy::Make(locked, &protectedSection);
    ASSERT_FALSE(editCopy.isEmpty());
    EXPECT_TRUE(protectedSection);
    const QByteArray fodt = DocTest::Read(editCopy);
    const qsizetype sectionAt = fodt.lastIndexOf("<text:section text:protected=\"true\"");
    ASSERT_GE(sectionAt, 0);
    EXPECT_GT(fodt.indexOf("This document has been Electronically ESigned by", sectionAt), sectionAt);
    ASSERT_TRUE(ProtectedEditCopy::Return(editCopy, locked));
    EXPECT_FALSE(QFile::exists(editCopy));
    RtfDocument back;
    ASSERT_TRUE(back.Load(locked));
    EXPECT_TRUE(back.MainText().contains(QStringLiteral("Regards, Doe family doctor")));
    EXPECT_TRUE(back.MainText().endsWith(first + u'\r'));
    names.clear();
    values.clear();
    DocumentPropertyStore().ReadDocumentProperties(locked, names, values);
    EXPECT_TRUE(names.contains(QStringLiteral("LastName_alias")));

    // LibreOffice keeps the two sections of a locked document, with the statement in the last.
    RtfDocument relocked;
    ASSERT_TRUE(relocked.Load(rtf + QStringLiteral("/locked.rtf")));
    EXPECT_EQ(relocked.SectionCount(), 2);
    EXPECT_TRUE(relocked.MainText().endsWith(first + u'\r')) << relocked.MainText().right(300).toStdString();
}

} // namespace
