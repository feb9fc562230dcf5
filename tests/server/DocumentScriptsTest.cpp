// Documents, status updates, the server clock, versions, dictation audio and the audit trail.
#include "tests/server/ServerTestBase.h"

#include <QRegularExpression>
#include <QString>

using namespace Qt::StringLiterals;

using namespace ServerClient;

namespace {

std::string ZipEntryName(const std::string& zip) {
    const auto entries = Unzip(zip);
    return entries && entries->size() == 1 ? entries->front().name : std::string("<not one entry>");
}

} // namespace

TEST_F(ServerTest, DocumentComesZippedAsRtfWithPropertiesAndBookmarks) {
    const auto reply = Get(SecureUrl("qm_download_files.php?filename=R260001"));
    ASSERT_EQ(reply.status, 200);
    EXPECT_EQ(ZipEntryName(reply.body), "R260001.doc");
    const std::string doc = SingleFileText(reply.body).value_or("");
    EXPECT_EQ(doc.rfind("{\\rtf1", 0), 0u);
    EXPECT_NE(doc.find("{\\propname FirstName}\\proptype30{\\staticval Jane}"), std::string::npos);
    EXPECT_NE(doc.find("{\\*\\bkmkstart LastName}Whitfield{\\*\\bkmkend LastName}"), std::string::npos);
    // The property group ends with "}}" right after the last value.
    const std::size_t group = doc.find("{\\*\\userprops ");
    ASSERT_NE(group, std::string::npos);
    const std::size_t last = doc.rfind("{\\staticval ");
    ASSERT_GT(last, group);
    EXPECT_EQ(doc.substr(doc.find('}', last), 2), "}}");
    const auto missing = Get(Url("qm_download_files.php?filename=R999999"));
    EXPECT_EQ(missing.status, 200);
    EXPECT_EQ(missing.body, "*The report R999999 could not be found.*");
}

TEST_F(ServerTest, DemoDocumentsHoldWhatTheDocumentActionsMustFind) {
    const struct {
        const char* report;
        const char* pattern;
    } cases[] = {
        {"R260001",
         "This document has been Electronically ESigned by Amelia Hart, MD on \\d\\d-\\d\\d-\\d\\d at "
         "\\d\\d:\\d\\d:\\d\\d\\.\\\\par\\n\\}"},
        {"R260005", "This document has been Revised and Electronically ESigned by Rafael Ortiz, MD on "},
        {"R260014", "/\\*\\*\\*ESS\\*\\*\\*/\\\\par\\n\\\\sect.*Electronically ESigned by Nina Kowalski"},
        {"R260011", "\\{\\\\propname LastName_alias\\}\\\\proptype30\\{\\\\staticval (\\w+)\\}.*"
                    "\\{\\\\\\*\\\\bkmkstart LastName_alias\\}\\1\\{\\\\\\*\\\\bkmkend LastName_alias\\}"},
        {"R260016", "\\\\par\\n\\\\sect\\\\sectd\\\\sbkpage.*\\\\par"},
    };
    for (const auto& c : cases) {
        const std::string doc =
            SingleFileText(Get(Url(std::string("qm_download_files.php?filename=") + c.report)).body)
                .value_or("");
        const QRegularExpression pattern(QString::fromLatin1(c.pattern),
                                         QRegularExpression::DotMatchesEverythingOption);
        EXPECT_TRUE(pattern.match(QString::fromStdString(doc)).hasMatch()) << c.report;
    }
}

TEST(DemoWord97, ReportIsAWord97DocumentWhenLibreOfficeIsThere) {
    StandInServer::Options options;
    options.convertWord97 = true;
    StandInServer server(options);
    ASSERT_TRUE(server.Start()) << server.Error().toStdString();
    const std::string doc =
        SingleFileText(Get(server.BaseUrl().toStdString() + "qm_download_files.php?filename=R260039").body)
            .value_or("");
    if (server.StartupOutput().contains(u"R260039 stays RTF: soffice is not on PATH"_s)) {
        EXPECT_EQ(doc.rfind("{\\rtf1", 0), 0u);
        GTEST_SKIP() << "no LibreOffice here";
    }
    EXPECT_TRUE(server.StartupOutput().contains(u"demo: R260039 is stored as a Word 97 document"_s))
        << server.StartupOutput().toStdString();
    EXPECT_EQ(doc.substr(0, 8), std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
}

TEST_F(ServerTest, StatusUpdatesSetOpenedAndPrintedAndPersist) {
    const std::string before = Activity("R260011");
    ASSERT_EQ(before.size(), 5u);
    ASSERT_EQ(before[0], '0');
    ASSERT_EQ(before[1], '0');
    const std::string base = "qm_statusupdate.php?physicianid=12&locationid=All&vfilename=R260011&field=";
    EXPECT_EQ(Get(Url(base + "open&value=1")).body, "~");
    EXPECT_EQ(Activity("R260011").substr(0, 2), "10");
    EXPECT_EQ(Get(SecureUrl(base + "print&value=1")).body, "~");
    EXPECT_EQ(Get(Url(base + "edit&value=1")).body, "~");
    EXPECT_EQ(Activity("R260011"), "11" + before.substr(2));

    // The server's clock: MM-DD-YYYY HH:MM:SS, today.
    const std::string today = IsoDay(0);
    EXPECT_TRUE(
        QRegularExpression(QString::fromStdString("^" + today.substr(5, 2) + "-" + today.substr(8, 2) + "-" +
                                                  today.substr(0, 4) + " \\d\\d:\\d\\d:\\d\\d$"))
            .match(QString::fromStdString(Get(Url("getservertime.asp")).body))
            .hasMatch());
    // Every one of them is in the report's audit trail.
    const std::string trail =
        Get(Url("view_audittrail.php?loginid=12&filename=R260011&fromdate=&todate=&admin=0")).body;
    for (const char* event : {"Opened", "Printed", "Edited", "Transcribed"}) {
        EXPECT_NE(trail.find(event), std::string::npos) << event;
    }
}

TEST_F(ServerTest, VersionListLinesNameDownloadableVersions) {
    const std::string text =
        ZippedText(Url("qm_versionlist.php?physicianid=12&filename=R260001&locationid=All"));
    std::vector<std::vector<std::string>> lines;
    for (const std::string& line : Lines(text)) {
        lines.push_back(Split(line, '|'));
    }
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0][0], "R260001_Version1");
    for (const auto& fields : lines) {
        ASSERT_EQ(fields.size(), 4u);
        const auto version = Get(Url("qm_download_versionfiles.php?filename=" + fields[3]));
        EXPECT_EQ(ZipEntryName(version.body), fields[3] + ".doc");
        EXPECT_EQ(SingleFileText(version.body).value_or("").rfind("{\\rtf1", 0), 0u);
    }
    // A report without versions has an empty list; unknown names are messages.
    EXPECT_EQ(ZippedText(Url("qm_versionlist.php?physicianid=12&filename=R260006&locationid=All")), "");
    EXPECT_EQ(Get(Url("qm_download_versionfiles.php?filename=R260001.v9")).body.front(), '*');
}

TEST_F(ServerTest, DictationAudioIsDssAndStaysTheSame) {
    const auto first = Get(Url("download_play_voicefile.php?filename=J260103"));
    ASSERT_EQ(first.status, 200);
    EXPECT_EQ(ZipEntryName(first.body), "J260103.dss");
    const std::string audio = SingleFileText(first.body).value_or("");
    ASSERT_GT(audio.size(), 1024u);
    EXPECT_EQ(audio[0], '\x02'); // version 2: a two-block header, then whole 512-byte blocks
    EXPECT_EQ(audio.substr(1, 3), "dss");
    EXPECT_EQ(audio.size() % 512, 0u);
    // The desk may send the name as the list shows it, STAT mark included.
    const auto again = Get(Url("download_play_voicefile.php?filename=J260103{STAT4}"));
    EXPECT_EQ(SingleFileText(again.body).value_or(""), audio);
    EXPECT_EQ(Get(Url("download_play_voicefile.php?filename=J999")).body.front(), '*');
}

TEST_F(ServerTest, AuditTrailIsAnHtmlPageOfTheReportsEvents) {
    const auto reply = Get(Url("view_audittrail.php?loginid=12&filename=R260001&fromdate=&todate=&admin=0"));
    ASSERT_EQ(reply.status, 200);
    EXPECT_NE(reply.Header("Content-Type").value_or("").find("text/html"), std::string::npos);
    EXPECT_NE(reply.body.find("<table"), std::string::npos);
    EXPECT_NE(reply.body.find("Dictated"), std::string::npos);
    EXPECT_NE(reply.body.find("E-signed"), std::string::npos);
    const auto unknown =
        Get(Url("view_audittrail.php?loginid=12&filename=%3Cb%3E&fromdate=&todate=&admin=0"));
    EXPECT_EQ(unknown.body.find("<b>"), std::string::npos) << "names are escaped";
}
