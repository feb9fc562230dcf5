// The host page and the report query as the desk reads them.
#include "tests/server/ServerTestBase.h"

#include <QRegularExpression>
#include <QString>

#include <map>
#include <set>

using namespace Qt::StringLiterals;

using namespace ServerClient;

namespace {

// The page's params as (name, value) pairs, in order.
Record PageParams(const std::string& page) {
    Record params;
    static const QRegularExpression param(u"<param name=\"([^\"]*)\" value=\"([^\"]*)\">"_s);
    auto it = param.globalMatch(QString::fromStdString(page));
    while (it.hasNext()) {
        const auto match = it.next();
        params.emplace_back(match.captured(1).toStdString(), match.captured(2).toStdString());
    }
    return params;
}

} // namespace

TEST_F(ServerTest, HostPagesCarryTheNineParametersOfEachDemoUser) {
    const std::string out = server_.StartupOutput().toStdString();
    const std::size_t listening =
        out.find("listening on " + server_.Address().toStdString() + " http=80 https=443");
    EXPECT_LT(out.find("demo user 12: Dr. Amelia Hart (care provider)"), listening);
    EXPECT_LT(out.find("demo user 90: Olivia Brandt (office staff)"), listening);

    const auto params = PageParams(Get(server_.HostPageUrl(u"12"_s).toStdString()).body);
    EXPECT_EQ(
        params,
        (Record{
            {"PhysicianList", "12~Dr. Amelia Hart|15~Dr. Rafael Ortiz|18~Dr. Nina Kowalski"},
            {"LocationList",
             "[12]3~North Clinic|4~South Clinic[15]3~North Clinic|5~East Office[18]5~East Office"},
            {"ServerURL", server_.BaseUrl().toStdString()},
            {"LoggedUserId", "12"},
            {"LoggedUserName", "Dr. Amelia Hart"},
            {"SignatureLine", "12~Amelia Hart, MD"},
            {"Printprevilage", "1"},
            {"DefaultCustomProperty",
             "FirstName~LastName~DateOfBirth~MRN~ReportType~Location~DateOfVisit~ReferringPhysicianName~"},
            {"FromDictationFlag", ""}}));
    // Without ?user= the page is the demo user's; over HTTPS it is the same page.
    EXPECT_EQ(PageParams(Get(server_.HostPageUrl().toStdString()).body), params);
    EXPECT_EQ(PageParams(Get(SecureUrl("desk.php?user=12")).body), params);

    const auto staff = PageParams(Get(Url("desk.php?user=90&fromdictation=1")).body);
    EXPECT_EQ(FieldOf(staff, "PhysicianList"), "12~Dr. Amelia Hart|15~Dr. Rafael Ortiz");
    EXPECT_EQ(FieldOf(staff, "LocationList"),
              "[12]3~North Clinic|4~South Clinic[15]3~North Clinic|5~East Office");
    EXPECT_EQ(FieldOf(staff, "FromDictationFlag"), "1");
    EXPECT_EQ(Get(Url("desk.php?user=77")).status, 404);
}

TEST_F(ServerTest, DefaultTranscribedListIsShapedForTheListLoader) {
    const std::string text = ZippedText(FileListUrl("12", "All", "All", IsoDay(6), IsoDay(0), "t"));
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find("\n\n"), std::string::npos) << "an empty line would end the list early";
    const auto records = ParseFileList(text);
    EXPECT_GE(records.size(), 20u);
    static const QRegularExpression shape(
        QStringLiteral("^Privileges [01]{6}\\|Owner \\d+\\|Activity Indicator [01]{5}\\|Filename "
                       "R\\d+\\|Dictation Date/Time "
                       "\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d [AP]M\\|FirstName [^|]+\\|LastName "
                       "[^|]+\\|DateOfBirth [^|]+\\|MRN "
                       "\\d+\\|ReportType [^|]+\\|Location [^|]+$"));
    std::set<std::string> names;
    for (const auto& record : records) {
        QStringList fields;
        for (const auto& [key, value] : record) {
            fields << QString::fromStdString(key + " " + value);
        }
        EXPECT_TRUE(shape.match(fields.join(QLatin1Char('|'))).hasMatch())
            << fields.join(QLatin1Char('|')).toStdString();
        names.insert(FieldOf(record, "Filename"));
    }
    EXPECT_EQ(names.size(), records.size()) << "each report once";
    EXPECT_EQ(Activity("R260001").substr(4), "1") << "e-signed";
}

TEST_F(ServerTest, ListHonoursProviderLocationDatesAndTheUsersPrivileges) {
    const auto fifteen =
        ParseFileList(ZippedText(FileListUrl("12", "15", "All", IsoDay(20), IsoDay(0), "t")));
    ASSERT_FALSE(fifteen.empty());
    for (const auto& record : fifteen) {
        EXPECT_EQ(FieldOf(record, "Owner"), "15");
        // Another provider's reports are read-only for the demo user; one of them is closed.
        const std::string expected = FieldOf(record, "Filename") == "R260002" ? "000000" : "110000";
        EXPECT_EQ(FieldOf(record, "Privileges"), expected) << FieldOf(record, "Filename");
    }
    const auto east = ParseFileList(ZippedText(FileListUrl("12", "All", "5", IsoDay(20), IsoDay(0), "t")));
    ASSERT_FALSE(east.empty());
    for (const auto& record : east) {
        EXPECT_EQ(FieldOf(record, "Location"), "East Office");
    }
    // The same reports seen by office staff carry the staff user's flags.
    for (const auto& record :
         ParseFileList(ZippedText(FileListUrl("90", "15", "All", IsoDay(20), IsoDay(0), "t")))) {
        EXPECT_EQ(FieldOf(record, "Privileges"), "111100");
    }
    // Nothing in a range long past: an empty file, still zipped.
    EXPECT_EQ(ZippedText(FileListUrl("12", "All", "All", "2001-01-01", "2001-01-31", "t")), "");
    // A provider the user does not work for is a message, not a list.
    const auto refused = Get(FileListUrl("90", "18", "All", IsoDay(6), IsoDay(0), "t"));
    EXPECT_EQ(refused.body.front(), '*');
    EXPECT_EQ(refused.body.back(), '*');
}

TEST_F(ServerTest, PendingListShowsFileNameAndDictationTimeWithStatInBraces) {
    const auto records = DefaultList("12", "p");
    ASSERT_GE(records.size(), 8u);
    std::set<std::string> names;
    for (const auto& record : records) {
        ASSERT_EQ(record.size(), 5u);
        EXPECT_EQ(record[3].first, "Filename");
        EXPECT_EQ(record[4].first, "Dictation Date/Time");
        names.insert(record[3].second);
    }
    EXPECT_TRUE(names.count("J260101"));
    EXPECT_TRUE(names.count("J260103{STAT4}"));
    // Jobs of provider 18 may not be renamed by the demo user (sixth flag), its own may.
    EXPECT_EQ(FieldOf(RecordOf("J260104", "12", "p"), "Privileges"), "110110");
    EXPECT_EQ(FieldOf(RecordOf("J260101", "12", "p"), "Privileges"), "111111");
}

// A practice from a seed file: short flags, a row without a name, an owner without a signature
// line, a provider without locations.
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
    const auto list =
        ParseFileList(SingleFileText(Get(base +
                                         "qm_download_filelist.php?loginuserid=40&physicianid=All"
                                         "&locationid=All&fromdate=" +
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
    EXPECT_EQ(Lines(SingleFileText(Get(base + "addressbook.php?physicianid=40").body).value_or("")),
              std::vector<std::string>{"101~ ~Ann~ ~Lee~555-0101~ann@lee.example~ "});
}

TEST(SeedFile, AMistakeStopsTheServerWithTheReason) {
    for (const char* seed :
         {R"({"reports": [{"name": "X", "kind": "q"}]})", R"({"note": [[[[[[[[[[[[]]]]]]]]]]]]})",
          R"({"users": [{"id": "1", "worksFor": ["12"]}]})", "{"}) {
        StandInServer::Options options;
        options.seedJson = seed;
        StandInServer server(options);
        EXPECT_FALSE(server.Start()) << seed;
        EXPECT_TRUE(server.Error().contains(u"cannot seed from"_s)) << server.Error().toStdString();
    }
}
