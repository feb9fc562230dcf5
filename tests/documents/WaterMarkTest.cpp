#include "documents/core/WaterMark.h"
#include "documents/core/RtfDocument.h"
#include "tests/documents/DocumentsTestSupport.h"
#include "tests/support/FakeDesktop.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The protection type, then each section's ProtectedForForms: "2 -+" is form protection with
// only the last of two sections protected.
QString StateOf(const QString& path) {
    RtfDocument doc;
    doc.Load(path);
    QString s = QString::number(doc.ProtectionType()) + u' ';
    for (int i = 0; i < doc.SectionCount(); ++i) {
        s += doc.SectionProtectedForForms(i) ? u'+' : u'-';
    }
    return s;
}

const QByteArray kSigned =
    R"({\rtf1\ansi\sectd\sectunlocked1 Report\par\sect\sectd\sbknone\sectunlocked1 Statement})";

TEST(WaterMark, LockAndUnlock) {
    QTemporaryDir dir;
    struct Case {
        const char* why;
        QByteArray rtf;
        WaterMark action;
        const char* state;
        const char* logged; // after the path; nullptr: neither Locked nor UnLocked
    };
    const QList<Case> cases = {
        {"lock protects only the last section", kSigned, WaterMark::Lock, "2 -+", " WaterMark Locked"},
        {"one section: nothing changes", R"({\rtf1\sectd\sectunlocked1 Report})", WaterMark::Lock, "-1 -",
         nullptr},
        {"already protected: flags set, protection kept",
         R"({\rtf1\revprot\sectd One\sect\sectd Two\sect\sectd Three})", WaterMark::Lock, "0 --+", nullptr},
        {"unlock of an unprotected document changes nothing", kSigned, WaterMark::Unlock, "-1 --", nullptr},
        {"unlock leaves other protection", R"({\rtf1\readprot\sectd\sectunlocked1 A\sect\sectd B})",
         WaterMark::Unlock, "3 -+", nullptr},
        {"unlock of a form-protected document", R"({\rtf1\formprot\sectd\sectunlocked1 A\sect\sectd B})",
         WaterMark::Unlock, "-1 ++", " WaterMark UnLocked"},
    };
    for (const Case& c : cases) {
        const QString path = DocTest::Write(dir, u"r.doc"_qs, c.rtf);
        const qsizetype logBefore = DocTest::LogText().size();
        LockUnLockWaterMark(c.action, path);
        EXPECT_EQ(StateOf(path), QLatin1String(c.state)) << c.why;
        const QString logged = DocTest::LogText().mid(logBefore);
        const QString prefix = u"LockUnLockWaterMark\t:  "_qs + path;
        EXPECT_EQ(logged.contains(prefix + u" WaterMark"_qs), c.logged != nullptr) << c.why;
        if (c.logged) {
            EXPECT_TRUE(logged.contains(prefix + QLatin1String(c.logged))) << c.why;
        }
        EXPECT_TRUE(logged.contains(prefix + u" END"_qs)) << c.why;
        EXPECT_EQ(DocTest::MainText(path), RtfDocument(c.rtf).MainText()) << c.why;
    }
}

TEST(WaterMark, FailuresAreLoggedAndSwallowed) {
    QTemporaryDir dir;
    FakeDesktop desktop;
    desktop.RemoveOffice();
    const QString held = DocTest::Write(dir, u"held.doc"_qs, kSigned);
    QFile lock(dir.filePath(u".~lock.held.doc#"_qs));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    for (const QString& path : {dir.filePath(u"missing.doc"_qs), held}) {
        const qsizetype before = DocTest::LogText().size();
        LockUnLockWaterMark(WaterMark::Lock, path);
        EXPECT_TRUE(DocTest::LogText().mid(before).contains(u"LockUnLockWaterMark\t:  Catch Block"_qs));
    }
    EXPECT_EQ(DocTest::Read(held), kSigned);
}

} // namespace
