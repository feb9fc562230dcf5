// Address book, fax queue, rename/STAT, custom properties and the searches.
#include "tests/server/ServerTestBase.h"

#include <QJsonArray>
#include <QJsonObject>

#include <set>

using namespace ServerClient;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

std::vector<std::string> Pieces(const std::string& text, char delimiter) {
    std::vector<std::string> pieces;
    std::size_t from = 0;
    for (std::size_t at = text.find(delimiter); at != std::string::npos; at = text.find(delimiter, from)) {
        pieces.push_back(text.substr(from, at - from));
        from = at + 1;
    }
    pieces.push_back(text.substr(from));
    return pieces;
}

std::set<std::string> Names(const std::vector<Record>& records) {
    std::set<std::string> names;
    for (const auto& record : records) {
        names.insert(FieldOf(record, "Filename"));
    }
    return names;
}

} // namespace

TEST_F(ServerTest, AddressBookLinesKeepEveryPlaceForTheSplitter) {
    const auto reply = Get(Url("addressbook.php?physicianid=12"));
    const auto entries = Unzip(reply.body);
    ASSERT_TRUE(entries && entries->size() == 1);
    EXPECT_EQ(entries->front().name, "12_addressbook.txt");
    const auto lines = Lines(entries->front().data);
    ASSERT_EQ(lines.size(), 12u);
    for (const auto& line : lines) {
        const auto fields = Pieces(line, '~');
        ASSERT_EQ(fields.size(), 8u) << line;
        for (const auto& field : fields) {
            EXPECT_FALSE(field.empty()) << "an empty field would shift the later ones: " << line;
        }
    }
    EXPECT_EQ(lines[2], "103~ ~Hugo~ ~Lindgren~(555) 442-7781~hugo.lindgren@mail.example~ ");
}

TEST_F(ServerTest, AddressUpdateAddsEditsAndDeletesEntries) {
    const std::string base = "qm_address_update.php?physicianid=12&address=";
    // Values come unescaped except blanks (%20).
    EXPECT_EQ(Get(Url(base + "Acme%20Labs~Ann~~Lee~555-0101~ann@acme.example~")).body, "~");
    auto lines = Lines(ZippedText(Url("addressbook.php?physicianid=12")));
    ASSERT_EQ(lines.size(), 13u);
    const auto added = Pieces(lines.back(), '~');
    EXPECT_EQ(added[1], "Acme Labs");
    EXPECT_EQ(added[3], " ");
    EXPECT_EQ(added[4], "Lee");
    const std::string key = added[0];

    EXPECT_EQ(Get(Url(base + key + "~Acme%20Labs~Ann~B~Lee~555-0199~ann@acme.example~555-0100")).body, "~");
    lines = Lines(ZippedText(Url("addressbook.php?physicianid=12")));
    EXPECT_EQ(lines.back(), key + "~Acme Labs~Ann~B~Lee~555-0199~ann@acme.example~555-0100");

    EXPECT_EQ(Get(Url(base + key + "&delete=1")).body, "~");
    EXPECT_EQ(Lines(ZippedText(Url("addressbook.php?physicianid=12"))).size(), 12u);

    for (const std::string& bad : {base + key + "&delete=1", base + "a~b~c", base + "999~x~Ann~~Lee~1~a@b~",
                                   base + "Acme~~~Lee~555~a@b~"}) {
        const auto reply = Get(Url(bad));
        EXPECT_NE(reply.body, "~") << bad;
        EXPECT_EQ(reply.status, 200);
    }
}

TEST_F(ServerTest, FaxQueueMarksReportsFaxedAndRefusesWithoutThePrivilege) {
    ASSERT_EQ(FieldOf(RecordOf("R260011"), "Activity Indicator")[2], '0');
    const auto reply = PostDeskForm(Url("addtofaxqueue.php"),
                                    {{"recipient", "101~Lakeside Cardiology~(555) 201-4410|103~Hugo~ "},
                                     {"loginid", "12"},
                                     {"faxdoc", "R260011;R260006"}});
    EXPECT_EQ(reply.body, "~");
    EXPECT_EQ(FieldOf(RecordOf("R260011"), "Activity Indicator")[2], '1');
    EXPECT_EQ(FieldOf(RecordOf("R260006"), "Activity Indicator")[2], '1');
    EXPECT_NE(Get(Url("view_audittrail.php?loginid=12&filename=R260011&fromdate=&todate=&admin=0"))
                  .body.find("(555) 442-7781"),
              std::string::npos)
        << "a recipient without a fax number in the request takes the address book's";

    // Provider 15's reports are not faxable for the demo user; nothing is queued then.
    const auto refused = PostDeskForm(
        Url("addtofaxqueue.php"),
        {{"recipient", "101~Lakeside~(555) 201-4410"}, {"loginid", "12"}, {"faxdoc", "R260011;R260005"}});
    EXPECT_NE(refused.body.find("R260005"), std::string::npos);
    EXPECT_EQ(refused.body.find('~'), std::string::npos);
    EXPECT_EQ(FieldOf(RecordOf("R260005"), "Activity Indicator")[2], '0');
    EXPECT_NE(
        PostDeskForm(Url("addtofaxqueue.php"), {{"recipient", ""}, {"loginid", "12"}, {"faxdoc", "R260011"}})
            .body,
        "~");
}

TEST_F(ServerTest, RenameMarksStatAndMovesJobsToAnotherProvider) {
    const Fields login{{"loginid", Scramble("12")}, {"password", Scramble("")}};
    Fields stat = login;
    stat.insert(stat.end(),
                {{"filename", "J260101;J260105;"}, {"phyid", ""}, {"locationid", ""}, {"stat", "stat8"}});
    EXPECT_EQ(PostDeskForm(Url("qm_rename.php"), stat).body, "~");
    auto names = Names(DefaultList("12", "p"));
    EXPECT_TRUE(names.count("J260101{STAT8}"));
    EXPECT_TRUE(names.count("J260105{STAT8}"));

    Fields clear = login;
    clear.insert(clear.end(),
                 {{"filename", "J260101{STAT8};"}, {"phyid", ""}, {"locationid", ""}, {"stat", "notag"}});
    EXPECT_EQ(PostDeskForm(Url("qm_rename.php"), clear).body, "~");
    EXPECT_TRUE(Names(DefaultList("12", "p")).count("J260101"));

    Fields move = login;
    move.insert(move.end(),
                {{"filename", "J260101;"}, {"phyid", "15"}, {"locationid", "5"}, {"phyid", "15"}});
    EXPECT_EQ(PostDeskForm(Url("qm_rename.php"), move).body, "~");
    const auto moved = ParseFileList(ZippedText(FileListUrl("12", "15", "5", IsoDay(6), IsoDay(0), "p")));
    EXPECT_TRUE(Names(moved).count("J260101"));

    // The demo user may not rename provider 18's jobs, nor move jobs to a location the
    // provider does not have; nothing changes then.
    Fields refused = login;
    refused.insert(refused.end(),
                   {{"filename", "J260105;J260104;"}, {"phyid", ""}, {"locationid", ""}, {"stat", "stat4"}});
    EXPECT_NE(PostDeskForm(Url("qm_rename.php"), refused).body, "~");
    Fields badLocation = login;
    badLocation.insert(badLocation.end(), {{"filename", "J260105;"}, {"phyid", "18"}, {"locationid", "3"}});
    EXPECT_NE(PostDeskForm(Url("qm_rename.php"), badLocation).body, "~");
    EXPECT_TRUE(Names(DefaultList("12", "p")).count("J260105{STAT8}"));
}

TEST_F(ServerTest, CustomPropertyOrderDecidesTheListsFields) {
    const std::string initial = ZippedText(Url("qm_customproperties.php?physicianid=12"));
    const auto parts = Pieces(Lines(initial).front(), '|');
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[1], "Dictation Date/Time~FirstName~LastName~DateOfBirth~MRN~ReportType~Location~");
    EXPECT_NE(parts[0].find("DateOfVisit~"), std::string::npos);

    EXPECT_EQ(Get(Url("qm_custom_order.php?physicianid=12&props=MRN~Last%20Name~LastName~DateOfVisit~")).body,
              "~");
    const auto record = DefaultList("12").front();
    std::vector<std::string> keys;
    for (const auto& field : record) {
        keys.push_back(field.first);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"Privileges", "Owner", "Activity Indicator", "Filename", "MRN",
                                              "Last Name", "LastName", "DateOfVisit"}));
    EXPECT_EQ(Pieces(Lines(ZippedText(Url("qm_customproperties.php?physicianid=12"))).front(), '|')[1],
              "MRN~Last Name~LastName~DateOfVisit~");
    // Another user's order is their own.
    EXPECT_EQ(DefaultList("90").front()[4].first, "Dictation Date/Time");
}

TEST_F(ServerTest, NewCustomPropertiesJoinTheAvailableOnes) {
    const auto reply = PostDeskForm(Url("qm_cp_add.php"),
                                    {{"loginid", Scramble("12")}, {"cps", "Allergies~Insurance Plan~"}});
    EXPECT_EQ(reply.body, "~");
    const auto parts = Pieces(Lines(ZippedText(Url("qm_customproperties.php?physicianid=12"))).front(), '|');
    EXPECT_NE(parts[0].find("~Allergies~Insurance Plan~"), std::string::npos) << parts[0];
    EXPECT_EQ(parts[1].find("Allergies"), std::string::npos);
    EXPECT_NE(PostDeskForm(Url("qm_cp_add.php"), {{"loginid", Scramble("12")}, {"cps", ""}}).body, "~");
    EXPECT_NE(PostDeskForm(Url("qm_cp_add.php"), {{"loginid", Scramble("12")}, {"cps", "a|b~"}}).body, "~");
}

TEST_F(ServerTest, SearchFindsByDemographicWithinScopeDatesAndArchive) {
    const std::string names = Get(Url("qm_searchdemographics.php?loginid=12")).body;
    EXPECT_EQ(names.rfind("FirstName~LastName~DateOfBirth~MRN~ReportType~Location~", 0), 0u) << names;
    EXPECT_EQ(names.find("Date/Time"), std::string::npos);

    const auto search = [&](const std::string& name, const std::string& value, const std::string& scope,
                            const std::string& dated, const std::string& archive) {
        return ParseFileList(
            ZippedText(Url("qm_search.php?loginid=12&locationid=All&txtDemographicName=" + name +
                           "&txtDemographicValue=" + value + "&chktrdate=" + dated + "&arrradio=" + scope +
                           "&txthid_stdate=01-01-2001&txthid_eddate=01-31-2001"
                           "&archivedsearch=" +
                           archive)));
    };
    const auto own = search("LastName", "whitfield", "0", "0", "0");
    ASSERT_TRUE(Names(own).count("R260001"));
    for (const auto& record : own) {
        EXPECT_EQ(FieldOf(record, "Owner"), "12");
        EXPECT_TRUE(FieldOf(record, "LastName") == "Whitfield");
    }
    EXPECT_TRUE(search("LastName", "whitfield", "0", "1", "0").empty()) << "outside the transcription dates";
    EXPECT_TRUE(search("MRN", "4155160", "All", "0", "0").empty())
        << "archived reports need the archive flag";
    EXPECT_EQ(Names(search("MRN", "4155160", "All", "0", "1")), std::set<std::string>{"R260041"});
    const auto fifteen = search("ReportType", "Visit", "15", "0", "0");
    ASSERT_FALSE(fifteen.empty());
    for (const auto& record : fifteen) {
        EXPECT_EQ(FieldOf(record, "Owner"), "15");
    }
    const auto freeText =
        ParseFileList(ZippedText(Url("qm_searchfreetext.php?searchtext=Whitfield&loginuserid=12")));
    EXPECT_TRUE(Names(freeText).count("R260001"));
}
