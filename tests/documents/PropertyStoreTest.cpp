#include "documents/core/DocumentPropertyStore.h"
#include "documents/core/WordHoldsFile.h"
#include "tests/documents/DocumentsTestSupport.h"
#include "tests/support/PromptsDouble.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QByteArray kProps =
    "{\\rtf1\\ansi{\\info{\\title T}}{\\*\\userprops{\\propname firstname}\\proptype30{\\staticval "
    "John}{\\propname LastName}\\proptype30{\\staticval Doe}{\\propname LastName_alias}\\proptype30"
    "{\\staticval Doe}}\\pard Body\\par}";

QString Listing(const QString& path) {
    QStringList names, values;
    DocumentPropertyStore().ReadDocumentProperties(path, names, values);
    QStringList out;
    for (qsizetype i = 0; i < names.size(); ++i) {
        out << names.at(i) + u'=' + values.value(i);
    }
    return out.join(u'|');
}

TEST(PropertyStore, ReadsPropertiesInDocumentOrder) {
    QTemporaryDir dir;
    const QList<QPair<QByteArray, QString>> cases = {
        {"{\\rtf1{\\*\\userprops{\\propname  A }\\proptype30{\\staticval  one }{\\propname "
         "B}\\proptype30{\\static\r\nval two}}}",
         u"A=one|B=two"_qs}, // trimmed; lines joined
        {"{\\rtf1{\\*\\userprops{\\propname A}\\proptype30{\\staticval 1}{\\propname "
         "B}\\proptype30}{\\propname C}}",
         u"A=1|B= "_qs}, // a missing value ends the list
        // What word processors write: escapes, \'hh in the code page (double-byte too), \uN
        // with the document's stand-in count.
        {R"({\rtf1\ansi{\*\userprops{\propname A}\proptype30{\staticval Caf\'e9 \{1\}\\x{\i !}}}})",
         u"A=Café {1}\\x!"_qs},
        {R"({\rtf1\ansi\ansicpg932{\*\userprops{\propname A}\proptype30{\staticval \'83\'65\'83\'58\'83\'67}}})",
         u"A=テスト"_qs},
        {R"({\rtf1\ansi\uc2{\*\userprops{\propname A}\proptype30{\staticval \u21488??x}}})", u"A=台x"_qs},
    };
    for (const auto& [rtf, listing] : cases) {
        EXPECT_EQ(Listing(DocTest::Write(dir, u"p.doc"_qs, rtf)), listing);
    }
    EXPECT_EQ(Listing(dir.filePath(u"missing.doc"_qs)), u""_qs);
}

TEST(PropertyStore, WritesByNameWithoutRegardToCaseAndAwkwardValuesComeBackAfterAnyNumberOfWrites) {
    QTemporaryDir dir;
    const QStringList values = {
        u"{x}"_qs,       u"right}only"_qs,     uR"(C:\path\)"_qs, uR"(\{}\'41\u66)"_qs,
        u"Ünal 台北"_qs, u"  {a} \\ {b}  "_qs, u"MRN123 }}{{"_qs};
    for (const QString& value : values) {
        const QString path = DocTest::Write(dir, u"p.doc"_qs, kProps);
        const QString v = value.trimmed();
        for (int write = 1; write <= 3; ++write) {
            ASSERT_EQ(DocumentPropertyStore().WriteDocumentProperties(path, u"LastName~"_qs + value +
                                                                                u"|Extra~"_qs + value),
                      1);
            EXPECT_EQ(Listing(path), u"firstname=John|LastName=%1|LastName_alias=%1|Extra=%1"_qs.arg(v))
                << value.toStdString() << " write " << write;
            EXPECT_EQ(DocTest::MainText(path), u"Body\r"_qs) << value.toStdString() << " write " << write;
            EXPECT_TRUE(DocTest::Balanced(ReadFile(path))) << value.toStdString();
        }
    }
    // Values are written by name without regard to case.
    struct Case {
        const char* why;
        QByteArray rtf;
        QString list;
        QString listing;
    };
    const QByteArray spaced =
        "{\\rtf1{\\*\\userprops{\\propname  Spaced }\\proptype30{\\staticval old}}\\pard Body\\par}";
    const QList<Case> cases = {
        {"stored lower-case name keeps its spelling", kProps, u"FirstName~Mary"_qs,
         u"firstname=Mary|LastName=Doe|LastName_alias=Doe"_qs},
        {"an empty value", kProps, u"FirstName~"_qs, u"firstname=|LastName=Doe|LastName_alias=Doe"_qs},
        {"a value with ~ keeps all after the first", kProps, u"FirstName~a~b"_qs,
         u"firstname=a~b|LastName=Doe|LastName_alias=Doe"_qs},
        {"the alias twin follows", kProps, u"lastname~Smith"_qs,
         u"firstname=John|LastName=Smith|LastName_alias=Smith"_qs},
        {"a new property goes after the last one", kProps, u"DateOfBirth~01-02-1960 | FirstName~Jo"_qs,
         u"firstname=Jo|LastName=Doe|LastName_alias=Doe|DateOfBirth=01-02-1960"_qs},
        {"a name with extra blanks is not found by the writer", spaced, u"Spaced~new"_qs,
         u"Spaced=old|Spaced=new"_qs},
        {"no properties: a group after the info group",
         "{\\rtf1{\\fonttbl{\\f0 T;}}{\\colortbl;\\red0\\green0\\blue0;}{\\info{\\title x}}Body\\par}",
         u"A~1|B~2"_qs, u"A=1|B=2"_qs},
        {"no properties and no tables", "{\\rtf1 Body\\par}", u"A~1"_qs, u"A=1"_qs},
    };
    for (const Case& c : cases) {
        const QString path = DocTest::Write(dir, u"p.doc"_qs, c.rtf);
        EXPECT_EQ(DocumentPropertyStore().WriteDocumentProperties(path, c.list), 1) << c.why;
        EXPECT_EQ(Listing(path), c.listing) << c.why;
        EXPECT_TRUE(DocTest::Balanced(ReadFile(path))) << c.why;
        EXPECT_EQ(DocTest::MainText(path), u"Body\r"_qs) << c.why;
    }
    EXPECT_FALSE(QFile::exists(DocumentPropertyStore::ScratchPath()));
}

TEST(PropertyStore, LeavesNonRtfAndHeldDocumentsUntouched) {
    QTemporaryDir dir;
    PromptsDouble::Current().Clear();
    const QByteArray binary("\xD0\xCF\x11\xE0 not rtf", 12);
    const QString word = DocTest::Write(dir, u"w.doc"_qs, binary);
    EXPECT_EQ(DocumentPropertyStore().WriteDocumentProperties(word, u"A~1"_qs), 0);
    EXPECT_EQ(ReadFile(word), binary);
    EXPECT_EQ(DocumentPropertyStore().WriteDocumentProperties(dir.filePath(u"none.doc"_qs), u"A~1"_qs), 0);
    EXPECT_TRUE(PromptsDouble::Current().ShownTexts().isEmpty());

    const QString held = DocTest::Write(dir, u"held.doc"_qs, kProps);
    QFile lock(OfficeLockFilePath(held));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    EXPECT_EQ(DocumentPropertyStore().WriteDocumentProperties(held, u"FirstName~Mary"_qs), 0);
    EXPECT_EQ(ReadFile(held), kProps);
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(),
              QStringList{held + u" is open. Please close the document and try again."_qs});
    EXPECT_FALSE(QFile::exists(DocumentPropertyStore::ScratchPath()));
}

} // namespace
