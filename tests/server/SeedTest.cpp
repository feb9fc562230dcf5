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
}

TEST_F(ServerTest, DemoListsGiveEachUserTheFlagsOfEachProvider) {
    const struct {
        const char *user, *provider, *location, *type, *key, *value, *why;
    } cases[] = {
        {"12", "15", "All", "t", "Privileges", "110000", "another provider's reports are read-only"},
        {"90", "15", "All", "t", "Privileges", "111100", "office staff have their own flags"},
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
    EXPECT_EQ(FieldOf(list[0], "Privileges"), "1");
    EXPECT_EQ(FieldOf(list[0], "LastName"), "Rowe");
    EXPECT_EQ(FieldOf(list[0], "Activity Indicator"), "00001");
    EXPECT_EQ(FieldOf(list[1], "Filename"), "");
    // An empty field is one blank, so that the desk's splitter keeps every field in its place.
    EXPECT_EQ(Lines(SingleFileText(Get(base + "addressbook.php?physicianid=40").body).value_or("")),
              std::vector<std::string>{"101~ ~Ann~ ~Lee~555-0101~ann@lee.example~ "});
}
