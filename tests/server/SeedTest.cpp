// The demo practice and seed files: what the desk's tests take for granted about the server's data.
#include "tests/server/ServerTestBase.h"

#include <QRegularExpression>
#include <QString>

using namespace Qt::StringLiterals;
using namespace ServerClient;

namespace {

Record PageParams(const std::string& page) {
    Record params;
    static const QRegularExpression param(u"<param name=\"([^\"]*)\" value=\"([^\"]*)\">"_s);
    for (auto it = param.globalMatch(QString::fromStdString(page)); it.hasNext();) {
        const auto match = it.next();
        params.emplace_back(match.captured(1).toStdString(), match.captured(2).toStdString());
    }
    return params;
}

// A practice from a seed file (the layout in docs/server.md), started by the test.
class SeedFile : public ServerTest {
protected:
    void SetUp() override {}
    bool Seed(const QByteArray& json) {
        return Start({.fault = {}, .requireAuth = {}, .extraHttpsPort = 0, .seedJson = json});
    }
};

} // namespace

TEST_F(ServerTest, DemoHostPageCarriesTheNineParametersAndListsTheFlagsOfEachProvider) {
    EXPECT_EQ(PageParams(Get(server_->HostPageUrl().toStdString()).body),
              (Record{{"PhysicianList", "12~Dr. Amelia Hart|15~Dr. Rafael Ortiz|18~Dr. Nina Kowalski"},
                      {"LocationList",
                       "[12]3~North Clinic|4~South Clinic[15]3~North Clinic|5~East Office[18]5~East Office"},
                      {"ServerURL", server_->BaseUrl().toStdString()},
                      {"LoggedUserId", "12"},
                      {"LoggedUserName", "Dr. Amelia Hart"},
                      {"SignatureLine", "12~Amelia Hart, MD"},
                      {"Printprevilage", "1"},
                      {"DefaultCustomProperty", "FirstName~LastName~DateOfBirth~MRN~ReportType~Location~"
                                                "DateOfVisit~ReferringPhysicianName~"},
                      {"FromDictationFlag", ""}}));
    // Each user's list gives the flags each provider's reports carry for that user.
    const struct {
        const char *user, *provider, *type, *privileges, *why;
    } cases[] = {
        {"12", "15", "t", "110000", "another provider's reports are read-only"},
        {"90", "15", "t", "111100", "office staff have their own flags"},
        {"12", "18", "p", "110110", "provider 18's jobs may not be renamed"},
    };
    for (const auto& c : cases) {
        const auto records = List(c.user, c.provider, "All", c.type, 20);
        EXPECT_FALSE(records.empty()) << c.why;
        for (const auto& record : records) {
            const std::string name = FieldOf(record, "Filename");
            // R260002 is closed to the demo user altogether.
            const bool closed = name == "R260002" && std::string(c.user) == "12";
            EXPECT_EQ(FieldOf(record, "Privileges"), closed ? "000000" : c.privileges)
                << c.why << ": " << name;
        }
    }
}

// A practice from a seed file: short flags, a row without a name, an owner without a signature
// line, a provider without locations, a contact without company, middle name or telephone.
TEST_F(SeedFile, GivesTheTestExactlyThePracticeItDescribes) {
    ASSERT_TRUE(Seed(R"({
      "locations": {"3": "North Clinic"},
      "providers": [{"id": "40", "name": "Dr. Ada Quill", "locations": ["3"]},
                    {"id": "41", "name": "Dr. Ben Nowhere", "locations": []}],
      "users": [{"id": "40", "name": "Dr. Ada Quill", "worksFor": {"40": "11", "41": "1"}}],
      "reports": [{"name": "S1", "provider": "40", "location": "3", "fields": {"LastName": "Rowe"},
                   "privileges": {"40": "1"}, "esigned": true},
                  {"name": "", "provider": "40", "location": "3", "daysBack": 1},
                  {"name": "S3", "provider": "41", "location": "", "daysBack": 2}],
      "addressBook": [{"first": "Ann", "last": "Lee", "fax": "555-0101", "email": "ann@lee.example"}],
      "defaultUser": "40"})"))
        << server_->Error().toStdString();
    const auto params = PageParams(Get(Url("desk.php")).body);
    EXPECT_EQ(FieldOf(params, "LoggedUserId"), "40");
    EXPECT_EQ(FieldOf(params, "SignatureLine"), "");
    EXPECT_EQ(FieldOf(params, "PhysicianList"), "40~Dr. Ada Quill|41~Dr. Ben Nowhere");
    EXPECT_EQ(FieldOf(params, "LocationList"), "[40]3~North Clinic[41]");
    const auto list = List("40");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(FieldOf(list[0], "Privileges"), "1");
    EXPECT_EQ(FieldOf(list[0], "LastName"), "Rowe");
    EXPECT_EQ(FieldOf(list[0], "Activity Indicator"), "00001");
    EXPECT_EQ(FieldOf(list[1], "Filename"), "");
    // An empty field is one blank, so that the desk's splitter keeps every field in its place.
    EXPECT_EQ(Lines(ZippedText(Url("addressbook.php?physicianid=40"))),
              std::vector<std::string>{"101~ ~Ann~ ~Lee~555-0101~ann@lee.example~ "});
}

// What the demo practice is written with: times of day, dates that follow them, a built document
// with numbered paragraphs and a statement, an earlier version cut short, an audit event.
TEST_F(SeedFile, PlacesTimesAndBuildsDocumentsVersionsAndAudit) {
    ASSERT_TRUE(Seed(R"({
      "providers": [{"id": "40", "name": "Dr. Ada Quill", "signature": "Ada Quill, MD"}],
      "users": [{"id": "40", "worksFor": {"40": "111111"}, "selected": ["Dictation Date/Time", "DateOfVisit"]}],
      "reports": [{"name": "S1", "provider": "40", "esigned": true,
                   "dictated": {"daysBack": 2, "time": "15:07"}, "transcribed": {"daysBack": 1, "time": "10:30"},
                   "saved": {"daysBack": 1, "time": "13:05"}, "fields": {"DateOfVisit": {"dateOf": "dictated"}},
                   "document": {"title": "Visit", "statement": "esign",
                                "paragraphs": ["Seen.", {"repeat": 2, "text": "NOTE {n} of {n}."}]},
                   "versions": [{"paragraphs": 1}], "audit": [{"at": "saved", "user": "40", "event": "E-signed"}]}],
      "defaultUser": "40"})"))
        << server_->Error().toStdString();
    const auto us = [](const std::string& iso) {
        return iso.substr(5, 2) + "/" + iso.substr(8, 2) + "/" + iso.substr(0, 4);
    };
    const auto list = List("40", "40", "All", "t", 1, 1);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(FieldOf(list[0], "Dictation Date/Time"), us(IsoDay(2)) + " 03:07 PM");
    EXPECT_EQ(FieldOf(list[0], "DateOfVisit"), us(IsoDay(2)));
    const std::string doc = ZippedText(Url("qm_download_files.php?filename=S1"));
    const std::string day = IsoDay(1);
    EXPECT_NE(doc.find("Seen.\\par\nNOTE 1 of 1.\\par\nNOTE 2 of 2.\\par"), std::string::npos) << doc;
    EXPECT_NE(doc.find("ESigned by Ada Quill, MD on " + day.substr(5, 2) + "-" + day.substr(8, 2) + "-" +
                       day.substr(2, 2) + " at 13:05:00."),
              std::string::npos)
        << doc;
    const std::string version = ZippedText(Url("qm_download_versionfiles.php?filename=S1.v1"));
    EXPECT_NE(version.find("Seen.\\par"), std::string::npos) << version;
    EXPECT_EQ(version.find("NOTE 1"), std::string::npos) << version;
    EXPECT_EQ(version.find("ESigned"), std::string::npos) << version;
    EXPECT_NE(Get(Url("view_audittrail.php?loginid=40&filename=S1&fromdate=&todate=&admin=0"))
                  .body.find("<td>" + us(day) + " 01:05 PM</td><td>40</td><td>E-signed</td>"),
              std::string::npos);
}
