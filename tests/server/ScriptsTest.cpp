// What only the server's own tests see: refusals and the state behind the short answers. The
// desk's side of each exchange is in the transport tests.
#include "tests/server/ServerTestBase.h"

using namespace ServerClient;

namespace {

const std::string kLocalZip = "/home/amelia/.local/share/velmo/Temp/R260006.zip";

class Scripts : public ServerTest {
protected:
    std::string Document(const std::string& name) {
        return ZippedText(Url("qm_download_files.php?filename=" + name));
    }
    int VersionCount(const std::string& name) {
        const std::string text =
            ZippedText(Url("qm_versionlist.php?physicianid=12&filename=" + name + "&locationid=3"));
        return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    }
    // The desk's e-sign or resync post: the login id as the desk scrambles it (+2, -2, ... per byte:
    // "12" is "30", "9~9" is ";|;"), the zipped document under its local path.
    Reply Upload(const std::string& script, const std::string& user, const Fields& extra,
                 const std::string& name, const std::string& doc) {
        Fields fields{{"loginid", user}, {"password", ""}, {"locationid", "3"}, {"phyid", "12"}};
        fields.insert(fields.end(), extra.begin(), extra.end());
        return PostDeskForm(Url(script), fields, FilePart{kLocalZip, Zip(name + ".doc", doc)});
    }
    Reply Fax(const std::string& recipients, const std::string& documents) {
        return PostDeskForm(Url("addtofaxqueue.php"),
                            {{"recipient", recipients}, {"loginid", "12"}, {"faxdoc", documents}});
    }
    // The named report's flags in user 12's list of the last three weeks; empty when not listed.
    std::string Flags(const std::string& name) {
        for (const auto& record : List("12", "All", "All", "t", 20)) {
            if (FieldOf(record, "Filename") == name) {
                return FieldOf(record, "Activity Indicator");
            }
        }
        return {};
    }
};

} // namespace

// The desk counts any answer holding "~" as success, so no refusal may hold one, whatever the
// request echoed into it. Each case is refused; nothing changes.
TEST_F(Scripts, RefusalsNeverHoldATildeAndChangeNothing) {
    const std::string before = Document("R260006");
    const std::string flags = Flags("R260006");
    const Reply notFaxable = Fax("101~Lakeside~(555) 201-4410", "R260006;R260005");
    EXPECT_NE(notFaxable.body.find("R260005"), std::string::npos) << notFaxable.body;
    std::vector<std::pair<std::string, Reply>> cases{
        {"esign user", Upload("qm_esign.php", ";|;", {}, "R260006", "{\\rtf1 x}")},
        {"esign of another's report",
         Upload("qm_esign.php", "30", {{"esign", "1"}}, "R260005", "{\\rtf1 x}")},
        {"resync of another's report", Upload("qm_resync.php", "30", {}, "R260005", "{\\rtf1 x}")},
        {"no zip", PostDeskForm(Url("qm_esign.php"), {{"loginid", "30"}}, FilePart{kLocalZip, "no zip"})},
        {"fax document", Fax("101~L~(555) 201-4410", "R~1")},
        {"fax number not in the book", Fax("101~Lakeside Cardiology~(555) 201-4411", "R260006")},
        {"fax not allowed", notFaxable},
        {"rename job",
         PostDeskForm(Url("qm_rename.php"), {{"loginid", "30"}, {"filename", "J~1;"}, {"stat", "stat4"}})},
        {"new property", PostDeskForm(Url("qm_cp_add.php"), {{"loginid", "30"}, {"cps", "a|b~"}})},
        {"list user", Get(FileListUrl("1~2", "All", "All", "t"))},
        {"list provider", Get(FileListUrl("90", "18", "All", "t"))},
        {"document", Get(Url("qm_download_files.php?filename=AB~C"))},
        {"status", Get(Url("qm_statusupdate.php?physicianid=12&locationid=3&vfilename=R260006&field=o~n"))},
        {"properties", Get(Url("qm_customproperties.php?physicianid=9~9"))},
        {"not found: host page", Get(Url("desk.php?user=7~7"))},
        {"audit", Get(Url("view_audittrail.php?loginid=12&filename=R~1&fromdate=&todate=&admin=0"))},
        {"address", Get(Url("qm_address_update.php?physicianid=12&address=999~x~Ann~~Lee~1~a@b~"))},
    };
    // The desk's bodiless probe of every form script is such a refusal too.
    for (const char* script :
         {"qm_esign.php", "qm_resync.php", "qm_rename.php", "addtofaxqueue.php", "qm_cp_add.php"}) {
        cases.emplace_back(std::string("probe ") + script, ProbePost(Url(script)));
    }
    for (const auto& [what, reply] : cases) {
        EXPECT_EQ(reply.status, what.rfind("not found", 0) == 0 ? 404 : 200) << what;
        EXPECT_FALSE(reply.body.empty()) << what;
        EXPECT_EQ(reply.body.find('~'), std::string::npos) << what << ": " << reply.body;
        if (what.rfind("list", 0) == 0) { // a zipped list's refusal is a message to show
            EXPECT_TRUE(reply.body.front() == '*' && reply.body.back() == '*') << what;
        }
    }
    EXPECT_EQ(Document("R260006"), before);
    EXPECT_EQ(VersionCount("R260006"), 0);
    EXPECT_EQ(Flags("R260006"), flags) << "nothing was faxed or signed";
}

// What the desk's own tests see only as "~": the fax queued for numbers of the book (blanks
// trimmed), the signed document stored with the old one kept as a version.
TEST_F(Scripts, AcceptedRequestsShowInTheNextList) {
    ASSERT_EQ(Flags("R260011").at(2), '0'); // Opened, Printed, Faxed, Forwarded, E-Signed
    EXPECT_EQ(Fax("101~Lakeside Cardiology~ (555) 201-4410 |103~Hugo~(555) 442-7781", "R260011;R260006").body,
              "~");
    EXPECT_EQ(Flags("R260011").at(2), '1');
    EXPECT_EQ(Flags("R260006").at(2), '1');

    const std::string original = Document("R260006");
    const std::string signedDoc =
        original + "\\par This document has been Electronically ESigned by Amelia Hart.";
    ASSERT_EQ(Flags("R260006").at(4), '0');
    EXPECT_EQ(Upload("qm_esign.php", "30", {{"esign", "1"}, {"edit", "1"}}, "R260006", signedDoc).body, "~");
    EXPECT_EQ(Flags("R260006").at(4), '1');
    EXPECT_EQ(Document("R260006"), signedDoc);
    ASSERT_EQ(VersionCount("R260006"), 1);
    EXPECT_EQ(ZippedText(Url("qm_download_versionfiles.php?filename=R260006.v1")), original);
}
