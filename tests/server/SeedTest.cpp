// The demo practice and seed files: what the desk's tests take for granted about the server's data.
#include "tests/server/ServerTestBase.h"

#include <QRegularExpression>
#include <QString>

using namespace Qt::StringLiterals;
using namespace ServerClient;

namespace {

// The page's params as (name, value) pairs, in order.
Record PageParams(const std::string& page) {
    Record params;
    static const QRegularExpression param(u"<param name=\"([^\"]*)\" value=\"([^\"]*)\">"_s);
    for (auto it = param.globalMatch(QString::fromStdString(page)); it.hasNext();) {
        const auto match = it.next();
        params.emplace_back(match.captured(1).toStdString(), match.captured(2).toStdString());
    }
    return params;
}

} // namespace

TEST_F(ServerTest, DemoHostPagesCarryTheNineParameters) {
    EXPECT_EQ(PageParams(Get(server_.HostPageUrl().toStdString()).body),
              (Record{{"PhysicianList", "12~Dr. Amelia Hart|15~Dr. Rafael Ortiz|18~Dr. Nina Kowalski"},
                      {"LocationList",
                       "[12]3~North Clinic|4~South Clinic[15]3~North Clinic|5~East Office[18]5~East Office"},
                      {"ServerURL", server_.BaseUrl().toStdString()},
                      {"LoggedUserId", "12"},
                      {"LoggedUserName", "Dr. Amelia Hart"},
                      {"SignatureLine", "12~Amelia Hart, MD"},
                      {"Printprevilage", "1"},
                      {"DefaultCustomProperty", "FirstName~LastName~DateOfBirth~MRN~ReportType~Location~"
                                                "DateOfVisit~ReferringPhysicianName~"},
                      {"FromDictationFlag", ""}}));
    const auto staff = PageParams(Get(Url("desk.php?user=90&fromdictation=1")).body);
    EXPECT_EQ(FieldOf(staff, "PhysicianList"), "12~Dr. Amelia Hart|15~Dr. Rafael Ortiz");
    EXPECT_EQ(FieldOf(staff, "FromDictationFlag"), "1");
}

TEST_F(ServerTest, DemoListsGiveEachUserTheFlagsOfEachProvider) {
    const struct {
        const char *user, *provider, *location, *type, *key, *value, *why;
    } cases[] = {
        {"12", "15", "All", "t", "Owner", "15", "only the chosen provider's reports"},
        {"12", "15", "All", "t", "Privileges", "110000", "another provider's reports are read-only"},
        {"90", "15", "All", "t", "Privileges", "111100", "office staff have their own flags"},
        {"12", "All", "5", "t", "Location", "East Office", "only the chosen location"},
        {"12", "12", "All", "p", "Privileges", "111111", "own jobs may be renamed"},
        {"12", "18", "All", "p", "Privileges", "110110", "provider 18's jobs may not be renamed"},
    };
    for (const auto& c : cases) {
        const auto records = List(c.user, c.provider, c.location, c.type, 20);
        EXPECT_FALSE(records.empty()) << c.why;
        for (const auto& record : records) {
            const std::string name = FieldOf(record, "Filename");
            // R260002 is closed to the demo user altogether.
            const bool closed =
                name == "R260002" && std::string(c.key) == "Privileges" && std::string(c.user) == "12";
            EXPECT_EQ(FieldOf(record, c.key), closed ? "000000" : c.value) << c.why << ": " << name;
        }
    }
    // Pending lists carry Filename with the STAT mark and the dictation time only.
    const auto pending = List("12", "All", "All", "p");
    ASSERT_FALSE(pending.empty());
    for (const auto& record : pending) {
        EXPECT_EQ(Keys(record), (std::vector<std::string>{"Privileges", "Owner", "Activity Indicator",
                                                          "Filename", "Dictation Date/Time"}));
    }
    EXPECT_EQ(FieldOfReport("J260103{STAT4}", "Filename", "p"), "J260103{STAT4}");
    EXPECT_EQ(FieldOfReport("R260001", "Activity Indicator").substr(4), "1") << "e-signed";
    EXPECT_EQ(ZippedText(Url("qm_download_filelist.php?loginuserid=12&physicianid=All&locationid=All"
                             "&fromdate=2001-01-01&todate=2001-01-31&reporttype=t")),
              "")
        << "nothing then: an empty file, still zipped";
}

TEST_F(ServerTest, DemoDocumentsHoldWhatTheDocumentActionsMustFind) {
    const struct {
        const char* report;
        const char* pattern;
    } cases[] = {
        {"R260001", "^\\{\\\\rtf1.*\\{\\\\propname FirstName\\}\\\\proptype30\\{\\\\staticval Jane\\}"},
        {"R260001", "\\{\\\\staticval [^}]*\\}\\}(?!.*\\\\staticval)"}, // the group ends right after
        {"R260001", "\\{\\\\\\*\\\\bkmkstart LastName\\}Whitfield\\{\\\\\\*\\\\bkmkend LastName\\}"},
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
        const auto entries = Unzip(Get(Url(std::string("qm_download_files.php?filename=") + c.report)).body);
        ASSERT_TRUE(entries && entries->size() == 1) << c.report;
        EXPECT_EQ(entries->front().name, std::string(c.report) + ".doc");
        const QRegularExpression pattern(QString::fromLatin1(c.pattern),
                                         QRegularExpression::DotMatchesEverythingOption);
        EXPECT_TRUE(pattern.match(QString::fromStdString(entries->front().data)).hasMatch()) << c.report;
    }
}

// A practice from a seed file: short flags, a row without a name, an owner without a signature
// line, a provider without locations, a contact without company, middle name or telephone.
TEST(SeedFile, GivesTheTestExactlyThePracticeItDescribes) {
    StandInServer::Options options;
    options.seedJson = R"({
      "locations": {"3": "North Clinic"},
      "providers": [{"id": "40", "name": "Dr. Ada Quill", "locations": ["3"]},
                    {"id": "41", "name": "Dr. Ben Nowhere", "locations": []}],
      "users": [{"id": "40", "name": "Dr. Ada Quill", "worksFor": {"40": "11", "41": "1"}}],
      "reports": [{"name": "S1", "provider": "40", "location": "3", "fields": {"LastName": "Rowe"},
                   "privileges": {"40": "1"}, "esigned": true},
                  {"name": "", "provider": "40", "location": "3", "daysBack": 1},
                  {"name": "S3", "provider": "41", "location": "", "daysBack": 2}],
      "addressBook": [{"first": "Ann", "last": "Lee", "fax": "555-0101", "email": "ann@lee.example"}],
      "defaultUser": "40"})";
    StandInServer server(options);
    ASSERT_TRUE(server.Start()) << server.Error().toStdString();
    const std::string base = server.BaseUrl().toStdString();
    const auto params = PageParams(Get(base + "desk.php").body);
    EXPECT_EQ(FieldOf(params, "LoggedUserId"), "40");
    EXPECT_EQ(FieldOf(params, "SignatureLine"), "");
    EXPECT_EQ(FieldOf(params, "PhysicianList"), "40~Dr. Ada Quill|41~Dr. Ben Nowhere");
    EXPECT_EQ(FieldOf(params, "LocationList"), "[40]3~North Clinic[41]");
    const auto list = ParseFileList(
        SingleFileText(Get(base +
                           "qm_download_filelist.php?loginuserid=40&physicianid=All&locationid=All"
                           "&fromdate=" +
                           IsoDay(6) + "&todate=" + IsoDay(0) + "&reporttype=t")
                           .body)
            .value_or(""));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(Keys(list[0]),
              (std::vector<std::string>{"Privileges", "Owner", "Activity Indicator", "Filename",
                                        "Dictation Date/Time", "FirstName", "LastName", "DateOfBirth", "MRN",
                                        "ReportType", "Location"}));
    EXPECT_EQ(FieldOf(list[0], "Privileges"), "1");
    EXPECT_EQ(FieldOf(list[0], "LastName"), "Rowe");
    EXPECT_EQ(FieldOf(list[0], "Activity Indicator"), "00001");
    EXPECT_EQ(FieldOf(list[1], "Filename"), "");
    EXPECT_EQ(FieldOf(list[2], "Privileges"), "1");
    // An empty field is one blank, so that the desk's splitter keeps every field in its place.
    EXPECT_EQ(Lines(SingleFileText(Get(base + "addressbook.php?physicianid=40").body).value_or("")),
              std::vector<std::string>{"101~ ~Ann~ ~Lee~555-0101~ann@lee.example~ "});
}
