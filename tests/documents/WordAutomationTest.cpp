#include "documents/core/WordAutomation.h"
#include "documents/core/OfficeProgram.h"
#include "documents/core/RtfDocument.h"
#include "documents/core/SigningCore.h"
#include "documents/core/WordHoldsFile.h"
#include "host/core/CUtility.h"
#include "tests/documents/DocumentsTestSupport.h"
#include "tests/support/FakeDesktop.h"
#include "tests/support/PromptsDouble.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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

TEST_F(Word, EditOpensTheFileInTheUsersLibreOffice) {
    ASSERT_EQ(WordAutomation().Edit(path_), Outcome::Done);
    ASSERT_TRUE(desktop_.WaitForEdit(path_));
    EXPECT_EQ(desktop_.SofficeCalls(), QList<QStringList>{{path_}});
    EXPECT_TRUE(WordHoldsFile(path_)); // by LibreOffice's lock file beside it
}

TEST_F(Word, ViewOnlyProtectsSavesAndOpensReadOnly) {
    const QString text = DocTest::MainText(path_);
    QFile::setPermissions(path_, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);
    ASSERT_EQ(WordAutomation().ViewOnly(path_), Outcome::Done);
    // Saved by a rename over the report: its permissions kept, nothing left beside it.
    EXPECT_TRUE(QFile::permissions(path_).testFlag(QFileDevice::ReadGroup));
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"report.doc"_qs});
    RtfDocument doc;
    doc.Load(path_);
    EXPECT_EQ(doc.ProtectionType(), RtfDocument::AllowOnlyFormFields);
    EXPECT_EQ(doc.MainText(), text);
    ASSERT_TRUE(desktop_.WaitForSofficeCalls(1));
    EXPECT_EQ(desktop_.SofficeCalls(), (QList<QStringList>{{u"--view"_qs, path_}}));
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

    qputenv("VELMO_FAKE_SOFFICE_EXIT", "1");
    const Outcome failed = WordAutomation().Print(path_);
    qunsetenv("VELMO_FAKE_SOFFICE_EXIT");
    EXPECT_EQ(failed, Outcome::Failed);
}

TEST_F(Word, WithoutPrinterOrLibreOfficeTheUserIsToldOnceAndNothingChanges) {
    EXPECT_EQ(WordAutomation().Print(path_), Outcome::NoPrinter);
    EXPECT_EQ(Shown(),
              QStringList{u"No printer is set up. Please set up a default printer and try again."_qs});
    EXPECT_TRUE(desktop_.SofficeCalls().isEmpty());

    PromptsDouble::Current().Clear();
    desktop_.SetDefaultPrinter(u"PDF"_qs);
    desktop_.RemoveOffice();
    const QByteArray before = DocTest::Read(path_);
    for (Outcome outcome :
         {WordAutomation().Print(path_), WordAutomation().Edit(path_), WordAutomation().ViewOnly(path_)}) {
        EXPECT_EQ(outcome, Outcome::OfficeMissing);
    }
    EXPECT_EQ(DocTest::Read(path_), before);
    // A binary Word report cannot be converted for signing: it is left as it is.
    const QByteArray word97("\xD0\xCF\x11\xE0 binary Word document", 26);
    const QString binary = DocTest::Write(dir_, u"word97.doc"_qs, word97);
    EXPECT_FALSE(Signing::SignDocumentFile(binary, {}).saved);
    EXPECT_EQ(DocTest::Read(binary), word97);
    EXPECT_EQ(Shown(), QStringList(4, OfficeProgram::MissingText()));
}

TEST_F(Word, BookmarkValuesFollowTheFieldsAndTheirAliases) {
    const QString path = DocTest::Write(dir_, u"demo.doc"_qs, DocTest::Fixture(u"report_lo.rtf"_qs));
    const qsizetype before = DocTest::Read(path).size();
    ASSERT_EQ(WordAutomation().SetBookmarkValues(
                  path, {{u"lastname"_qs, u"Ünal {jr}"_qs}, {u"FirstName"_qs, u"John"_qs}}),
              Outcome::Done);
    RtfDocument doc;
    doc.Load(path);
    EXPECT_TRUE(doc.MainText().contains(u"Patient: John Ünal {jr}\r"_qs)) << doc.MainText().toStdString();
    EXPECT_EQ(doc.Bookmarks().value(3).name + doc.Bookmarks().value(3).text, u"LastName_aliasÜnal {jr}"_qs);
    // Only the two "Doe" runs changed; the unchanged "John" was left as it was.
    EXPECT_EQ(DocTest::Read(path).size(), before + 2 * (QByteArray(R"({\uc1 \u220?nal \{jr\}})").size() - 3));
}

} // namespace
