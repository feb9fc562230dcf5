// The e-sign and resync uploads as the desk posts them (multipart, comma before "boundary",
// scrambled credentials, the zipped document under its full local path), and the probe POST.
#include "tests/server/ServerTestBase.h"

using namespace Qt::StringLiterals;

using namespace ServerClient;

namespace {

const std::string kLocalZip = "/home/amelia/.local/share/velmo/Temp/R260006.zip";

std::string SignedDocument(const std::string& original) {
    std::string doc = original;
    doc.insert(doc.rfind('}'), "\\par This document has been Electronically ESigned by Amelia Hart, MD on "
                               "03-15-26 at 09:05:00.\\par\n");
    return doc;
}

} // namespace

class UploadTest : public ServerTest {
protected:
    std::string Document(const std::string& name) {
        return SingleFileText(Get(Url("qm_download_files.php?filename=" + name)).body).value_or("");
    }
    int VersionCount(const std::string& name) {
        const std::string text =
            ZippedText(Url("qm_versionlist.php?physicianid=12&filename=" + name + "&locationid=3"));
        return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    }
    Reply Upload(const std::string& script, const std::string& user, const Fields& extra,
                 const std::string& name, const std::string& doc) {
        Fields fields{
            {"loginid", Scramble(user)}, {"password", Scramble("")}, {"locationid", "3"}, {"phyid", "12"}};
        fields.insert(fields.end(), extra.begin(), extra.end());
        return PostDeskForm(Url(script), fields, FilePart{kLocalZip, Zip({{name + ".doc", doc}})});
    }
    Reply Esign(const std::string& user, const std::string& name, const std::string& doc) {
        return Upload("qm_esign.php", user, {{"esign", "1"}, {"edit", "1"}}, name, doc);
    }
};

TEST_F(UploadTest, EsignStoresTheDocumentKeepsTheOldOneAndShowsESignedInTheNextList) {
    const std::string original = Document("R260006");
    ASSERT_FALSE(original.empty());
    ASSERT_EQ(Activity("R260006").substr(4), "0");
    ASSERT_EQ(VersionCount("R260006"), 0);

    const std::string signedDoc = SignedDocument(original);
    const auto reply = Esign("12", "R260006", signedDoc);
    ASSERT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, "~");

    EXPECT_EQ(Document("R260006"), signedDoc);
    EXPECT_EQ(Activity("R260006").substr(4), "1");
    ASSERT_EQ(VersionCount("R260006"), 1);
    EXPECT_EQ(SingleFileText(Get(Url("qm_download_versionfiles.php?filename=R260006.v1")).body), original);

    // A second signature keeps growing the history.
    EXPECT_EQ(Esign("12", "R260006", signedDoc + " ").body, "~");
    EXPECT_EQ(VersionCount("R260006"), 2);
}

TEST_F(UploadTest, EsignIsOnlyForTheReportsOwnProvider) {
    // R260005 belongs to provider 15; the demo user may read it but not sign it.
    const std::string before = Document("R260005");
    const auto reply = Esign("12", "R260005", "{\\rtf1 forged}");
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body.find('~'), std::string::npos) << reply.body;
    EXPECT_EQ(Document("R260005"), before);
    // The same upload from provider 15 is accepted.
    EXPECT_EQ(Esign("15", "R260005", "{\\rtf1 signed}").body, "~");
}

TEST_F(UploadTest, ResyncAppliesTheDemographicsToTheNextList) {
    const auto reply = Upload("qm_resync.php", "12", {{"demographics", "FirstName~Zelda|MRN~77~88| "}},
                              "R260006", "{\\rtf1 edited}");
    EXPECT_EQ(reply.body, "~");
    const auto record = RecordOf("R260006");
    EXPECT_EQ(FieldOf(record, "FirstName"), "Zelda");
    EXPECT_EQ(FieldOf(record, "MRN"), "77~88");
    EXPECT_EQ(FieldOf(record, "Activity Indicator").substr(4), "0") << "a resync does not sign";
    EXPECT_EQ(VersionCount("R260006"), 1);
    EXPECT_EQ(Document("R260006"), "{\\rtf1 edited}");

    // Without demographics only the document changes.
    EXPECT_EQ(Upload("qm_resync.php", "12", {}, "R260006", "{\\rtf1 again}").body, "~");
    EXPECT_EQ(FieldOf(RecordOf("R260006"), "FirstName"), "Zelda");
}

// The desk counts any answer holding "~" as success, so no refusal may hold one, whatever the
// request echoed into it. Each case is refused; nothing changes.
TEST_F(UploadTest, RefusalsNeverHoldATildeAndChangeNothing) {
    const std::string before = Document("R260006");
    const auto form = [this](const std::string& script, const Fields& fields) {
        return PostDeskForm(Url(script), fields);
    };
    const std::vector<std::pair<std::string, Reply>> cases{
        {"document", Get(Url("qm_download_files.php?filename=AB~C"))},
        {"status name",
         Get(Url("qm_statusupdate.php?physicianid=12&locationid=3&vfilename=AB~C&field=open"))},
        {"status field",
         Get(Url("qm_statusupdate.php?physicianid=12&locationid=3&vfilename=R260006&field=o~n"))},
        {"list user", Get(FileListUrl("1~2", "All", "All", IsoDay(6), IsoDay(0), "t"))},
        {"list type", Get(FileListUrl("12", "All", "All", IsoDay(6), IsoDay(0), "~"))},
        {"list dates", Get(FileListUrl("12", "All", "All", "0~6-01-2026", IsoDay(0), "t"))},
        {"list provider", Get(FileListUrl("90", "18", "All", IsoDay(6), IsoDay(0), "t"))},
        {"version", Get(Url("qm_download_versionfiles.php?filename=R~1.v1"))},
        {"audio", Get(Url("download_play_voicefile.php?filename=J~1"))},
        {"custom properties", Get(Url("qm_customproperties.php?physicianid=9~9"))},
        {"custom order", Get(Url("qm_custom_order.php?physicianid=9~9&props=A~"))},
        {"search", Get(Url("qm_searchfreetext.php?searchtext=x&loginuserid=~"))},
        {"no script", Get(Url("no~such.php"))},
        {"host page", Get(Url("desk.php?user=7~7"))},
        {"audit trail", Get(Url("view_audittrail.php?loginid=12&filename=R~1&fromdate=&todate=&admin=0"))},
        {"esign user", Upload("qm_esign.php", "9~9", {}, "R260006", "{\\rtf1 x}")},
        {"resync report", Upload("qm_resync.php", "12", {}, "R~6", "{\\rtf1 x}")},
        {"resync demographics",
         Upload("qm_resync.php", "12", {{"demographics", "~Zelda"}}, "R260006", "{\\rtf1 x}")},
        {"resync of another's report", Upload("qm_resync.php", "12", {}, "R260005", "{\\rtf1 x}")},
        {"no zip",
         PostDeskForm(Url("qm_esign.php"), {{"loginid", Scramble("12")}}, FilePart{kLocalZip, "not a zip"})},
        {"no file", form("qm_resync.php", {{"loginid", Scramble("12")}})},
        {"no form", Post(Url("qm_esign.php"), DeskFormType("abc"), "garbage without boundaries")},
        {"fax document", form("addtofaxqueue.php",
                              {{"recipient", "101~L~(555) 201-4410"}, {"loginid", "12"}, {"faxdoc", "R~1"}})},
        {"fax user",
         form("addtofaxqueue.php",
              {{"recipient", "101~L~(555) 201-4410"}, {"loginid", "1~2"}, {"faxdoc", "R260006"}})},
        {"fax number",
         form("addtofaxqueue.php", {{"recipient", "101~L~5~5"}, {"loginid", "12"}, {"faxdoc", "R260006"}})},
        {"rename job",
         form("qm_rename.php", {{"loginid", Scramble("12")}, {"filename", "J~1;"}, {"stat", "stat4"}})},
        {"rename stat",
         form("qm_rename.php", {{"loginid", Scramble("12")}, {"filename", "J260101;"}, {"stat", "s~t"}})},
        {"new property", form("qm_cp_add.php", {{"loginid", Scramble("12")}, {"cps", "a|b~"}})},
        {"address key", Get(Url("qm_address_update.php?physicianid=12&address=999~x~Ann~~Lee~1~a@b~"))},
        {"address fields", Get(Url("qm_address_update.php?physicianid=12&address=a~b~c"))},
    };
    for (const auto& [what, reply] : cases) {
        EXPECT_EQ(reply.status, what == "no script" || what == "host page" ? 404 : 200) << what;
        EXPECT_FALSE(reply.body.empty()) << what;
        EXPECT_EQ(reply.body.find('~'), std::string::npos) << what << ": " << reply.body;
        if (what.rfind("list", 0) == 0) { // a zipped list's refusal is a message to show
            EXPECT_TRUE(reply.body.front() == '*' && reply.body.back() == '*') << what;
        }
    }
    // The desk's bodiless probe of every form script is such a refusal too.
    for (const char* script :
         {"qm_esign.php", "qm_resync.php", "qm_rename.php", "addtofaxqueue.php", "qm_cp_add.php"}) {
        const auto reply = ProbePost(Url(script));
        EXPECT_EQ(reply.status, 200) << script;
        EXPECT_FALSE(reply.body.empty() || reply.body.find('~') != std::string::npos) << script;
    }
    EXPECT_EQ(Document("R260006"), before);
    EXPECT_EQ(VersionCount("R260006"), 0);
    EXPECT_EQ(Activity("R260006").at(2), '0') << "nothing was faxed";
}
