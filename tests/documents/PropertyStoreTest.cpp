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
    struct Case {
        const char* what;
        QByteArray rtf;
        QString listing;
    };
    const QList<Case> cases = {
        {"as LibreOffice writes them", DocTest::Fixture(u"report_lo.rtf"_qs),
         u"DateOfVisit=12-01-2026|FirstName=John|LastName=Doe|LastName_alias=Doe"_qs},
        {"names and values trimmed, lines joined",
         "{\\rtf1{\\*\\userprops{\\propname  A }\\proptype30{\\staticval  one }{\\propname "
         "B}\\proptype30{\\static\r\nval "
         "two}}}",
         u"A=one|B=two"_qs},
        {"a missing value ends the list",
         "{\\rtf1{\\*\\userprops{\\propname A}\\proptype30{\\staticval 1}{\\propname "
         "B}\\proptype30}{\\propname C}}",
         u"A=1|B= "_qs},
        {"no properties", "{\\rtf1 Body}", u""_qs},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Listing(DocTest::Write(dir, u"p.doc"_qs, c.rtf)), c.listing) << c.what;
    }
    EXPECT_EQ(Listing(dir.filePath(u"missing.doc"_qs)), u""_qs);
}

TEST(PropertyStore, WritesValuesByNameWithoutRegardToCase) {
    QTemporaryDir dir;
    struct Case {
        const char* what;
        QString list;
        QString listing;
    };
    const QList<Case> cases = {
        {"stored lower-case name keeps its spelling", u"FirstName~Mary"_qs,
         u"firstname=Mary|LastName=Doe|LastName_alias=Doe"_qs},
        {"an empty value", u"FirstName~"_qs, u"firstname=|LastName=Doe|LastName_alias=Doe"_qs},
        {"a value with ~ keeps all after the first", u"FirstName~a~b"_qs,
         u"firstname=a~b|LastName=Doe|LastName_alias=Doe"_qs},
        {"the alias twin follows", u"lastname~Smith"_qs,
         u"firstname=John|LastName=Smith|LastName_alias=Smith"_qs},
        {"a new property goes after the last one", u"DateOfBirth~01-02-1960 | FirstName~Jo"_qs,
         u"firstname=Jo|LastName=Doe|LastName_alias=Doe|DateOfBirth=01-02-1960"_qs},
        {"braces in a value cannot break the document", u"FirstName~{x}"_qs,
         u"firstname=\\{x\\|LastName=Doe|LastName_alias=Doe"_qs},
    };
    for (const Case& c : cases) {
        const QString path = DocTest::Write(dir, u"p.doc"_qs, kProps);
        EXPECT_EQ(DocumentPropertyStore().WriteDocumentProperties(path, c.list), 1) << c.what;
        EXPECT_EQ(Listing(path), c.listing) << c.what;
        EXPECT_TRUE(DocTest::Balanced(DocTest::Read(path))) << c.what;
        EXPECT_EQ(DocTest::MainText(path), u"Body\r"_qs) << c.what;
    }
    EXPECT_FALSE(QFile::exists(DocumentPropertyStore::ScratchPath()));
}

TEST(PropertyStore, ANameWithExtraBlanksIsNotFoundByTheWriter) {
    QTemporaryDir dir;
    const QString path = DocTest::Write(
        dir, u"p.doc"_qs,
        "{\\rtf1{\\*\\userprops{\\propname  Spaced }\\proptype30{\\staticval old}}\\pard Body}");
    EXPECT_EQ(DocumentPropertyStore().WriteDocumentProperties(path, u"Spaced~new"_qs), 1);
    EXPECT_EQ(Listing(path), u"Spaced=old|Spaced=new"_qs);
}

TEST(PropertyStore, DocumentWithoutPropertiesGetsItsOwnGroup) {
    QTemporaryDir dir;
    const QList<QByteArray> documents = {
        "{\\rtf1\\ansi{\\fonttbl{\\f0 T;}}{\\colortbl;\\red0\\green0\\blue0;}{\\info{\\title x}}\\pard Body}",
        "{\\rtf1\\ansi{\\fonttbl{\\f0 T;}}\\pard Body}",
        "{\\rtf1 Body}",
    };
    for (const QByteArray& rtf : documents) {
        const QString path = DocTest::Write(dir, u"p.doc"_qs, rtf);
        EXPECT_EQ(DocumentPropertyStore().WriteDocumentProperties(path, u"FirstName~Ann|LastName~Lee"_qs), 1);
        EXPECT_EQ(Listing(path), u"FirstName=Ann|LastName=Lee"_qs) << rtf.toStdString();
        EXPECT_EQ(DocTest::MainText(path), u"Body"_qs) << rtf.toStdString();
        EXPECT_TRUE(DocTest::Balanced(DocTest::Read(path)));
    }
}

TEST(PropertyStore, LeavesNonRtfAndHeldDocumentsUntouched) {
    QTemporaryDir dir;
    PromptsDouble::Current().Clear();
    const QByteArray binary("\xD0\xCF\x11\xE0 not rtf", 12);
    const QString word = DocTest::Write(dir, u"w.doc"_qs, binary);
    EXPECT_EQ(DocumentPropertyStore().WriteDocumentProperties(word, u"A~1"_qs), 0);
    EXPECT_EQ(DocTest::Read(word), binary);
    EXPECT_EQ(DocumentPropertyStore().WriteDocumentProperties(dir.filePath(u"none.doc"_qs), u"A~1"_qs), 0);
    EXPECT_TRUE(PromptsDouble::Current().ShownTexts().isEmpty());

    const QString held = DocTest::Write(dir, u"held.doc"_qs, kProps);
    QFile lock(OfficeLockFilePath(held));
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    EXPECT_EQ(DocumentPropertyStore().WriteDocumentProperties(held, u"FirstName~Mary"_qs), 0);
    EXPECT_EQ(DocTest::Read(held), kProps);
    EXPECT_EQ(PromptsDouble::Current().ShownTexts(),
              QStringList{held + u" is open. Please close the document and try again."_qs});
    EXPECT_FALSE(QFile::exists(DocumentPropertyStore::ScratchPath()));
}

} // namespace
