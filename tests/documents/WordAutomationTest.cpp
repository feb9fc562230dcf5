#include "documents/core/WordAutomation.h"
#include "documents/core/OfficeProgram.h"
#include "documents/core/RtfDocument.h"
#include "documents/core/WordHoldsFile.h"
#include "host/core/CUtility.h"
#include "host/core/Shell.h"
#include "tests/documents/DocumentsTestSupport.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/PromptsDouble.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Outcome = WordAutomation::Outcome;

class Word : public ::testing::Test {
protected:
    void SetUp() override {
        PromptsDouble::Current().Clear();
        path_ = DocTest::Write(dir_, u"report.doc"_qs, DocTest::Fixture(u"plain_lo.rtf"_qs));
    }
    QStringList Shown() const { return PromptsDouble::Current().ShownTexts(); }

    FakeDesktop desktop_;
    QTemporaryDir dir_;
    QString path_;
};

TEST_F(Word, EditHandsTheFileToTheUserWhoHoldsItUntilClosing) {
    ASSERT_EQ(WordAutomation().Edit(path_), Outcome::Done);
    ASSERT_TRUE(desktop_.WaitForEdit(path_));
    EXPECT_EQ(desktop_.SofficeCalls(), QList<QStringList>{{path_}});
    EXPECT_TRUE(WordHoldsFile(path_));
    EXPECT_TRUE(DocTest::MainText(path_).endsWith(u"Edited in the word processor."_qs));
    desktop_.ReleaseLock();
    ASSERT_TRUE(desktop_.WaitForRelease(path_));
    EXPECT_FALSE(WordHoldsFile(path_));
}

TEST_F(Word, AnEditThatDoesNotHoldTheFileLetsGoAtOnce) {
    desktop_.SetHoldLock(false);
    desktop_.SetEditText(u"-"_qs);
    const QByteArray before = DocTest::Read(path_);
    ASSERT_EQ(WordAutomation().Edit(path_), Outcome::Done);
    ASSERT_TRUE(desktop_.WaitForRelease(path_));
    EXPECT_FALSE(WordHoldsFile(path_));
    EXPECT_EQ(DocTest::Read(path_), before);
}

TEST_F(Word, ViewOnlyProtectsSavesAndOpensReadOnly) {
    ASSERT_EQ(WordAutomation().ViewOnly(path_), Outcome::Done);
    RtfDocument doc;
    doc.Load(path_);
    EXPECT_EQ(doc.ProtectionType(), RtfDocument::AllowOnlyFormFields);
    EXPECT_EQ(doc.MainText(), RtfDocument(DocTest::Fixture(u"plain_lo.rtf"_qs)).MainText());
    ASSERT_TRUE(desktop_.WaitForSofficeCalls(1));
    EXPECT_EQ(desktop_.SofficeCalls(), (QList<QStringList>{{u"--view"_qs, path_}}));

    // An already protected document is opened as it is.
    const QByteArray protectedOnce = DocTest::Read(path_);
    ASSERT_EQ(WordAutomation().ViewOnly(path_), Outcome::Done);
    EXPECT_EQ(DocTest::Read(path_), protectedOnce);
}

TEST_F(Word, PrintsInAPrivateProfileOnTheDefaultPrinter) {
    desktop_.SetDefaultPrinter(u"PDF"_qs);
    ASSERT_EQ(WordAutomation().Print(path_), Outcome::Done);
    EXPECT_EQ(desktop_.Printed(), QStringList{path_});
    const QStringList args = desktop_.SofficeCalls().value(0);
    EXPECT_TRUE(args.contains(u"--headless"_qs));
    EXPECT_TRUE(
        args.contains(u"-env:UserInstallation=file://"_qs + CUtility().ProfileFolder() + u"LibreOffice"_qs));
    EXPECT_TRUE(Shown().isEmpty());
}

TEST_F(Word, PrintWithoutPrinterOrLibreOfficeSaysSoOnceAndDoesNothing) {
    EXPECT_EQ(WordAutomation().Print(path_), Outcome::NoPrinter);
    EXPECT_EQ(Shown(), QStringList{OfficeProgram::NoPrinterText()});
    EXPECT_TRUE(desktop_.SofficeCalls().isEmpty());

    PromptsDouble::Current().Clear();
    desktop_.SetDefaultPrinter(u"PDF"_qs);
    desktop_.RemoveOffice();
    const QByteArray before = DocTest::Read(path_);
    for (Outcome outcome :
         {WordAutomation().Print(path_), WordAutomation().Edit(path_), WordAutomation().ViewOnly(path_)}) {
        EXPECT_EQ(outcome, Outcome::OfficeMissing);
    }
    EXPECT_EQ(Shown(), QStringList(3, OfficeProgram::MissingText()));
    EXPECT_EQ(DocTest::Read(path_), before);
}

TEST_F(Word, PrintReportsAFailedPrint) {
    desktop_.SetDefaultPrinter(u"PDF"_qs);
    qputenv("VELMO_FAKE_SOFFICE_EXIT", "1");
    const Outcome outcome = WordAutomation().Print(path_);
    qunsetenv("VELMO_FAKE_SOFFICE_EXIT");
    EXPECT_EQ(outcome, Outcome::Failed);
}

TEST_F(Word, BookmarkValuesFollowTheFieldsAndTheirAliases) {
    const QString path = DocTest::Write(dir_, u"demo.doc"_qs, DocTest::Fixture(u"report_lo.rtf"_qs));
    const QByteArray before = DocTest::Read(path);
    ASSERT_EQ(WordAutomation().SetBookmarkValues(
                  path, {{u"lastname"_qs, u"Smith"_qs}, {u"FirstName"_qs, u"John"_qs}}),
              Outcome::Done);
    RtfDocument doc;
    doc.Load(path);
    QStringList seen;
    for (const auto& m : doc.Bookmarks()) {
        seen << m.name + u'=' + m.text;
    }
    EXPECT_EQ(seen, (QStringList{u"FirstName=John"_qs, u"LastName=Smith"_qs, u"DateOfVisit=12-01-2026"_qs,
                                 u"LastName_alias=Smith"_qs}));
    // The unchanged "John" was left as it was: only the two Doe runs differ.
    EXPECT_EQ(DocTest::Read(path).size(), before.size() + 4);
}

TEST_F(Word, TheDesktopOpenerIsRecorded) {
    ASSERT_TRUE(Shell::Get().Open(u"https://reports.example/view_audittrail.php?x=1"_qs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !desktop_.Opened().isEmpty(); }, 20000));
    EXPECT_EQ(desktop_.Opened(), QStringList{u"https://reports.example/view_audittrail.php?x=1"_qs});
}

TEST_F(Word, HeldFileIsNotOverwritten) {
    QFile lock(OfficeLockFilePath(path_));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    const QByteArray before = DocTest::Read(path_);
    EXPECT_EQ(WordAutomation().ViewOnly(path_), Outcome::FileHeld);
    EXPECT_EQ(DocTest::Read(path_), before);
    EXPECT_TRUE(desktop_.SofficeCalls().isEmpty());
}

} // namespace
