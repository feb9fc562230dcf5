#include "documents/core/WaterMark.h"
#include "documents/core/ProtectedEditCopy.h"
#include "documents/core/RtfDocument.h"
#include "tests/documents/DocumentsTestSupport.h"
#include "tests/support/FakeDesktop.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct State {
    int protection;
    QList<bool> sections;
};

State StateOf(const QString& path) {
    RtfDocument doc;
    doc.Load(path);
    State s{doc.ProtectionType(), {}};
    for (int i = 0; i < doc.SectionCount(); ++i) {
        s.sections << doc.SectionProtectedForForms(i);
    }
    return s;
}

const QByteArray kSigned =
    R"({\rtf1\ansi\sectd\sectunlocked1 Report\par\sect\sectd\sbknone\sectunlocked1 Statement})";

TEST(WaterMark, LockAndUnlock) {
    QTemporaryDir dir;
    struct Case {
        const char* what;
        QByteArray rtf;
        int lock;
        int protection;
        QList<bool> sections;
        const char* logged; // after the path
    };
    const QList<Case> cases = {
        {"lock protects only the last section",
         kSigned,
         1,
         RtfDocument::AllowOnlyFormFields,
         {false, true},
         " WaterMark Locked"},
        {"one section: nothing changes",
         R"({\rtf1\sectd\sectunlocked1 Report})",
         1,
         RtfDocument::NoProtection,
         {false},
         nullptr},
        {"already protected: flags set, protection kept",
         R"({\rtf1\revprot\sectd One\sect\sectd Two\sect\sectd Three})",
         1,
         RtfDocument::AllowOnlyRevisions,
         {false, false, true},
         nullptr},
        {"unlock of an unprotected document changes nothing",
         kSigned,
         0,
         RtfDocument::NoProtection,
         {false, false},
         nullptr},
        {"unlock leaves other protection",
         R"({\rtf1\readprot\sectd\sectunlocked1 A\sect\sectd B})",
         0,
         RtfDocument::AllowOnlyReading,
         {false, true},
         nullptr},
        {"unlock of a form-protected document",
         R"({\rtf1\formprot\sectd\sectunlocked1 A\sect\sectd B})",
         7,
         RtfDocument::NoProtection,
         {true, true},
         " WaterMark UnLocked"},
    };
    for (const Case& c : cases) {
        const QString path = DocTest::Write(dir, u"r.doc"_qs, c.rtf);
        const QString logBefore = DocTest::LogText();
        LockUnLockWaterMark(c.lock, path);
        const State s = StateOf(path);
        EXPECT_EQ(s.protection, c.protection) << c.what;
        EXPECT_EQ(s.sections, c.sections) << c.what;
        const QString logged = DocTest::LogText().mid(logBefore.size());
        const QString prefix = u"LockUnLockWaterMark\t:  "_qs + path;
        if (c.logged) {
            EXPECT_TRUE(logged.contains(prefix + QLatin1String(c.logged))) << c.what;
        } else {
            EXPECT_FALSE(logged.contains(prefix + u" WaterMark"_qs)) << c.what;
        }
        EXPECT_TRUE(logged.contains(prefix + u" END"_qs)) << c.what;
        EXPECT_EQ(DocTest::MainText(path), RtfDocument(c.rtf).MainText()) << c.what;
    }
}

TEST(WaterMark, LockThenUnlockLeavesEverySectionProtectedAndTheDocumentOpen) {
    QTemporaryDir dir;
    const QString path = DocTest::Write(dir, u"r.doc"_qs, DocTest::Fixture(u"report_lo.rtf"_qs));
    RtfDocument signedDoc;
    signedDoc.Load(path);
    signedDoc.AppendContinuousSectionBreak();
    signedDoc.AppendRun(u"Statement"_qs);
    ASSERT_TRUE(signedDoc.Save(path));

    LockUnLockWaterMark(1, path);
    EXPECT_EQ(StateOf(path).protection, RtfDocument::AllowOnlyFormFields);
    EXPECT_EQ(StateOf(path).sections, (QList<bool>{false, true}));
    LockUnLockWaterMark(0, path);
    EXPECT_EQ(StateOf(path).protection, RtfDocument::NoProtection);
    EXPECT_EQ(StateOf(path).sections, (QList<bool>{true, true}));
}

TEST(WaterMark, FailuresAreLoggedAndSwallowed) {
    QTemporaryDir dir;
    FakeDesktop desktop;
    desktop.RemoveOffice();
    const QString held = DocTest::Write(dir, u"held.doc"_qs, kSigned);
    QFile lock(dir.filePath(u".~lock.held.doc#"_qs));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    for (const QString& path : {dir.filePath(u"missing.doc"_qs), held}) {
        const QString before = DocTest::LogText();
        LockUnLockWaterMark(1, path);
        EXPECT_TRUE(
            DocTest::LogText().mid(before.size()).contains(u"LockUnLockWaterMark\t:  Catch Block"_qs));
    }
    EXPECT_EQ(DocTest::Read(held), kSigned);
}

TEST(WaterMark, FlatOdtCopyGetsItsLastSectionProtected) {
    struct Case {
        QByteArray in, out;
        bool found;
    };
    const QList<Case> cases = {
        {R"(<x><text:section text:name="A">a</text:section><text:section text:name="B">b</text:section></x>)",
         R"(<x><text:section text:name="A">a</text:section><text:section text:protected="true" text:name="B">b</text:section></x>)",
         true},
        {R"(<text:section text:protected="false" text:name="B">)",
         R"(<text:section text:protected="true" text:name="B">)", true},
        {R"(<text:sequence-decls/><text:p>no sections</text:p>)",
         R"(<text:sequence-decls/><text:p>no sections</text:p>)", false},
    };
    for (const Case& c : cases) {
        bool found = !c.found;
        EXPECT_EQ(ProtectedEditCopy::ProtectLastSection(c.in, &found), c.out);
        EXPECT_EQ(found, c.found);
    }
}

} // namespace
