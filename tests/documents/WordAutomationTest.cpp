#include "documents/core/WordAutomation.h"
#include "documents/core/OfficeProgram.h"
#include "documents/core/RtfDocument.h"
#include "documents/core/SigningCore.h"
#include "documents/core/WaterMark.h"
#include "documents/core/WordHoldsFile.h"
#include "host/core/CUtility.h"
#include "tests/documents/DocumentsTestSupport.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/PromptsDouble.h"
#include "tests/support/ScopedEnv.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

using Outcome = WordAutomation::Outcome;

class Word : public ::testing::Test {
protected:
    void SetUp() override {
        PromptsDouble::Current().Clear();
        path_ = DocTest::Write(dir_, u"report.doc"_qs, DocTest::Fixture(u"plain_lo.rtf"_qs));
    }
    static QStringList Shown() { return PromptsDouble::Current().ShownTexts(); }

    FakeDesktop desktop_;
    QTemporaryDir dir_;
    QString path_;
};

// Editing runs in the desk's own profile, apart from the headless one, which never asks to save a
// report as ODF and starts Save As in the desk's folder (read back by the real LibreOffice in
// test_flows_physician).
TEST_F(Word, EditOpensTheFileInTheDesksEditingProfile) {
    ASSERT_EQ(WordAutomation().Edit(path_), Outcome::Done);
    ASSERT_TRUE(desktop_.WaitForEdit(path_));
    const QString profile = OfficeProgram::EditingProfile();
    EXPECT_EQ(desktop_.SofficeCalls(),
              (QList<QStringList>{
                  {u"-env:UserInstallation="_qs + QUrl::fromLocalFile(profile).toString(), path_}}));
    EXPECT_FALSE(OfficeProgram::HeadlessArguments().contains(desktop_.SofficeCalls().value(0).value(0)));
    const QByteArray settings = ReadFile(profile + u"/user/registrymodifications.xcu"_qs);
    EXPECT_TRUE(settings.contains("<prop oor:name=\"WarnAlienFormat\" oor:op=\"fuse\"><value>false</value>"));
    EXPECT_TRUE(settings.contains(QUrl::fromLocalFile(CUtility::TempFolder()).toEncoded() + "</value>"));
    EXPECT_TRUE(WordHoldsFile(path_)); // by LibreOffice's lock file beside it
}

TEST_F(Word, ViewOnlyProtectsSavesAndOpensReadOnly) {
    const QString text = DocTest::MainText(path_);
    QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    ASSERT_EQ(WordAutomation().ViewOnly(path_), Outcome::Done);
    // Saved by a rename over the report: the user's alone, nothing left beside it.
    EXPECT_FALSE(QFile::permissions(path_).testAnyFlags(QFileDevice::ReadGroup | QFileDevice::ReadOther));
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"report.doc"_qs});
    RtfDocument doc(ReadFile(path_));
    EXPECT_EQ(doc.ProtectionType(), RtfDocument::AllowOnlyFormFields);
    EXPECT_EQ(doc.MainText(), text);
    ASSERT_TRUE(desktop_.WaitForSofficeCalls(1));
    EXPECT_EQ(desktop_.SofficeCalls(),
              (QList<QStringList>{OfficeProgram::EditingArguments() + QStringList{u"--view"_qs, path_}}));
}

// Without a printer or LibreOffice the user is told once and nothing changes.
TEST_F(Word, PrintsInAPrivateProfileOnTheDefaultPrinterAndTellsWhatIsMissing) {
    EXPECT_EQ(WordAutomation().Print(path_), Outcome::NoPrinter);
    EXPECT_EQ(Shown(),
              QStringList{u"No printer is set up. Please set up a default printer and try again."_qs});
    EXPECT_TRUE(desktop_.SofficeCalls().isEmpty());

    PromptsDouble::Current().Clear();
    desktop_.SetDefaultPrinter(u"PDF"_qs);
    ASSERT_EQ(WordAutomation().Print(path_), Outcome::Done);
    EXPECT_EQ(desktop_.Printed(), QStringList{path_});
    const QStringList args = desktop_.SofficeCalls().value(0);
    EXPECT_TRUE(args.contains(u"--headless"_qs));
    EXPECT_TRUE(
        args.contains(u"-env:UserInstallation=file://"_qs + CUtility::ProfileFolder() + u"LibreOffice"_qs));
    EXPECT_TRUE(Shown().isEmpty());

    ScopedEnv failing("VELMO_FAKE_SOFFICE_EXIT", "1");
    EXPECT_EQ(WordAutomation().Print(path_), Outcome::Failed);
    failing.Restore();

    PromptsDouble::Current().Clear();
    desktop_.RemoveOffice();
    const QByteArray before = ReadFile(path_);
    for (Outcome outcome :
         {WordAutomation().Print(path_), WordAutomation().Edit(path_), WordAutomation().ViewOnly(path_)}) {
        EXPECT_EQ(outcome, Outcome::OfficeMissing);
    }
    EXPECT_EQ(ReadFile(path_), before);
    // A binary Word report cannot be converted for signing: it is left as it is.
    const QByteArray word97("\xD0\xCF\x11\xE0 binary Word document", 26);
    const QString binary = DocTest::Write(dir_, u"word97.doc"_qs, word97);
    EXPECT_FALSE(Signing::SignDocumentFile(binary, {}).saved);
    EXPECT_EQ(ReadFile(binary), word97);
    EXPECT_EQ(Shown(), QStringList(4, OfficeProgram::MissingText()));
}

TEST_F(Word, BookmarkValuesFollowTheFieldsAndTheirAliases) {
    const QString path = DocTest::Write(dir_, u"demo.doc"_qs, DocTest::Fixture(u"report_lo.rtf"_qs));
    const qsizetype before = ReadFile(path).size();
    ASSERT_EQ(WordAutomation().SetBookmarkValues(
                  path, {{u"lastname"_qs, u"Ünal {jr}"_qs}, {u"FirstName"_qs, u"John"_qs}}),
              Outcome::Done);
    RtfDocument doc(ReadFile(path));
    EXPECT_TRUE(doc.MainText().contains(u"Patient: John Ünal {jr}\r"_qs)) << doc.MainText().toStdString();
    EXPECT_EQ(doc.Bookmarks().value(3).name + doc.Bookmarks().value(3).text, u"LastName_aliasÜnal {jr}"_qs);
    // Only the two "Doe" runs changed; the unchanged "John" was left as it was.
    EXPECT_EQ(ReadFile(path).size(), before + 2 * (QByteArray(R"({\uc1 \u220?nal \{jr\}})").size() - 3));
}

// The protection type, then each section's ProtectedForForms: "2 -+" is form protection with
// only the last of two sections protected.
QString StateOf(const QString& path) {
    RtfDocument doc(ReadFile(path));
    QString s = QString::number(doc.ProtectionType()) + u' ';
    for (int i = 0; i < doc.SectionCount(); ++i) {
        s += doc.SectionProtectedForForms(i) ? u'+' : u'-';
    }
    return s;
}

const QByteArray kSigned =
    R"({\rtf1\ansi\sectd\sectunlocked1 Report\par\sect\sectd\sbknone\sectunlocked1 Statement})";

TEST(WaterMark, LockAndUnlockAndFailuresAreLoggedAndSwallowed) {
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
        const LogCapture log;
        LockUnLockWaterMark(c.action, path);
        EXPECT_EQ(StateOf(path), QLatin1String(c.state)) << c.why;
        const QString prefix = u"LockUnLockWaterMark\t:  "_qs + path;
        EXPECT_EQ(log.Messages().filter(prefix + u" WaterMark"_qs),
                  c.logged ? QStringList{prefix + QLatin1String(c.logged)} : QStringList())
            << c.why;
        EXPECT_TRUE(log.Messages().contains(prefix + u" END"_qs)) << c.why;
        EXPECT_EQ(DocTest::MainText(path), RtfDocument(c.rtf).MainText()) << c.why;
    }
    // Failures are logged and swallowed.
    FakeDesktop desktop;
    desktop.RemoveOffice();
    const QString held = DocTest::Write(dir, u"held.doc"_qs, kSigned);
    QFile lock(dir.filePath(u".~lock.held.doc#"_qs));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    for (const QString& path : {dir.filePath(u"missing.doc"_qs), held}) {
        const LogCapture log;
        LockUnLockWaterMark(WaterMark::Lock, path);
        EXPECT_TRUE(log.Messages().contains(u"LockUnLockWaterMark\t:  Catch Block"_qs));
    }
    EXPECT_EQ(ReadFile(held), kSigned);
}

} // namespace
