// Address book, fax queue, rename/STAT, custom properties and the searches.
#include "tests/server/ServerTestBase.h"

#include <QJsonArray>
#include <QJsonObject>

#include <set>

using namespace ServerClient;

namespace {

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
        const auto fields = Split(line, '~');
        ASSERT_EQ(fields.size(), 8u) << line;
        for (const auto& field : fields) {
            EXPECT_FALSE(field.empty()) << "an empty field would shift the later ones: " << line;
        }
    }
    EXPECT_EQ(lines[2], "103~ ~Hugo~ ~Lindgren~(555) 442-7781~hugo.lindgren@mail.example~ ");
}

TEST_F(ServerTest, AddressUpdateAddsEditsAndDeletesEntries) {
    const std::string base = "qm_address_update.php?physicianid=12&address=";
    const auto book = [this] { return Lines(ZippedText(Url("addressbook.php?physicianid=12"))); };
    // Values come unescaped except blanks (%20).
    EXPECT_EQ(Get(Url(base + "Acme%20Labs~Ann~~Lee~555-0101~ann@acme.example~")).body, "~");
    auto lines = book();
    ASSERT_EQ(lines.size(), 13u);
    const auto added = Split(lines.back(), '~');
    EXPECT_EQ(added[1], "Acme Labs");
    EXPECT_EQ(added[3], " ");
    EXPECT_EQ(added[4], "Lee");
    const std::string key = added[0];

    EXPECT_EQ(Get(Url(base + key + "~Acme%20Labs~Ann~B~Lee~555-0199~ann@acme.example~555-0100")).body, "~");
    lines = book();
    EXPECT_EQ(lines.back(), key + "~Acme Labs~Ann~B~Lee~555-0199~ann@acme.example~555-0100");

    EXPECT_EQ(Get(Url(base + key + "&delete=1")).body, "~");
    EXPECT_EQ(book().size(), 12u);

    EXPECT_NE(Get(Url(base + key + "&delete=1")).body, "~") << "gone already";
    EXPECT_NE(Get(Url(base + "Acme~~~Lee~555~a@b~")).body, "~") << "no first name";
}

TEST_F(ServerTest, FaxQueueTakesBookNumbersOnlyAndShowsWhatWasQueued) {
    const auto fax = [this](const std::string& recipients, const std::string& documents) {
        return PostDeskForm(Url("addtofaxqueue.php"),
                            {{"recipient", recipients}, {"loginid", "12"}, {"faxdoc", documents}})
            .body;
    };
    ASSERT_EQ(Activity("R260011").at(2), '0');
    // Refused, nothing queued: a number not in the book (blank, or a name where the number belongs),
    // a report the user may not fax (provider 15's), no recipient.
    EXPECT_NE(fax("103~Hugo~ ", "R260011"), "~");
    EXPECT_NE(fax("101~Lakeside Cardiology~Paul", "R260011"), "~");
    const std::string refused = fax("101~Lakeside~(555) 201-4410", "R260011;R260005");
    EXPECT_NE(refused.find("R260005"), std::string::npos) << refused;
    EXPECT_NE(fax("", "R260011"), "~");
    EXPECT_EQ(Activity("R260011").at(2), '0');

    EXPECT_EQ(fax("101~Lakeside Cardiology~ (555) 201-4410 |103~Hugo~(555) 442-7781", "R260011;R260006"),
              "~");
    EXPECT_EQ(Activity("R260011").at(2), '1');
    EXPECT_EQ(Activity("R260006").at(2), '1');
    const std::string queue = Get(Url("faxqueue")).body;
    for (const char* seen :
         {"R260011", "R260006", "(555) 201-4410", "(555) 442-7781", "Lakeside Cardiology"}) {
        EXPECT_NE(queue.find(seen), std::string::npos) << seen;
    }
}

TEST_F(ServerTest, RenameMarksStatAndMovesJobsToAnotherProvider) {
    // The demo user's rename post: filename, phyid, locationid and then stat or phyid again.
    const auto rename = [this](const std::string& jobs, const std::string& provider,
                               const std::string& location, const std::pair<std::string, std::string>& last) {
        Fields fields{{"loginid", Scramble("12")},
                      {"password", Scramble("")},
                      {"filename", jobs},
                      {"phyid", provider},
                      {"locationid", location}};
        if (!last.first.empty()) {
            fields.push_back(last);
        }
        return PostDeskForm(Url("qm_rename.php"), fields).body;
    };
    EXPECT_EQ(rename("J260101;J260105;", "", "", {"stat", "stat8"}), "~");
    auto names = Names(DefaultList("12", "p"));
    EXPECT_TRUE(names.count("J260101{STAT8}") && names.count("J260105{STAT8}"));

    EXPECT_EQ(rename("J260101{STAT8};", "", "", {"stat", "notag"}), "~");
    EXPECT_TRUE(Names(DefaultList("12", "p")).count("J260101"));

    EXPECT_EQ(rename("J260101;", "15", "5", {"phyid", "15"}), "~");
    EXPECT_TRUE(Names(ParseFileList(ZippedText(FileListUrl("12", "15", "5", IsoDay(6), IsoDay(0), "p"))))
                    .count("J260101"));

    // The demo user may not rename provider 18's jobs, nor move jobs to a location the
    // provider does not have; nothing changes then.
    EXPECT_NE(rename("J260105;J260104;", "", "", {"stat", "stat4"}), "~");
    EXPECT_NE(rename("J260105;", "18", "3", {}), "~");
    EXPECT_TRUE(Names(DefaultList("12", "p")).count("J260105{STAT8}"));
}

TEST_F(ServerTest, CustomPropertyOrderDecidesTheListsFields) {
    const std::string initial = ZippedText(Url("qm_customproperties.php?physicianid=12"));
    const auto parts = Split(Lines(initial).front(), '|');
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[1], "Dictation Date/Time~FirstName~LastName~DateOfBirth~MRN~ReportType~Location~");
    EXPECT_NE(parts[0].find("DateOfVisit~"), std::string::npos);

    EXPECT_EQ(Get(Url("qm_custom_order.php?physicianid=12&props=MRN~Last%20Name~LastName~DateOfVisit~")).body,
              "~");
    EXPECT_EQ(Keys(DefaultList("12").front()),
              (std::vector<std::string>{"Privileges", "Owner", "Activity Indicator", "Filename", "MRN",
                                        "Last Name", "LastName", "DateOfVisit"}));
    EXPECT_EQ(Split(Lines(ZippedText(Url("qm_customproperties.php?physicianid=12"))).front(), '|')[1],
              "MRN~Last Name~LastName~DateOfVisit~");
    // Another user's order is their own.
    EXPECT_EQ(DefaultList("90").front()[4].first, "Dictation Date/Time");
}

TEST_F(ServerTest, NewCustomPropertiesJoinTheAvailableOnes) {
    const auto reply = PostDeskForm(Url("qm_cp_add.php"),
                                    {{"loginid", Scramble("12")}, {"cps", "Allergies~Insurance Plan~"}});
    EXPECT_EQ(reply.body, "~");
    const auto parts = Split(Lines(ZippedText(Url("qm_customproperties.php?physicianid=12"))).front(), '|');
    EXPECT_NE(parts[0].find("~Allergies~Insurance Plan~"), std::string::npos) << parts[0];
    EXPECT_EQ(parts[1].find("Allergies"), std::string::npos);
    EXPECT_NE(PostDeskForm(Url("qm_cp_add.php"), {{"loginid", Scramble("12")}, {"cps", ""}}).body, "~");
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
