// What only the server's own tests see: refusals, the state behind the short answers, STAT marks,
// the journal and aimed faults. The desk's side of each exchange is in the transport tests.
#include "tests/server/ServerTestBase.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;
using namespace ServerClient;

namespace {

const std::string kLocalZip = "/home/amelia/.local/share/velmo/Temp/R260006.zip";

class Scripts : public ServerTest {
protected:
    std::string Document(const std::string& name) {
        return SingleFileText(Get(Url("qm_download_files.php?filename=" + name)).body).value_or("");
    }
    int VersionCount(const std::string& name) {
        const std::string text =
            ZippedText(Url("qm_versionlist.php?physicianid=12&filename=" + name + "&locationid=3"));
        return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    }
    // The desk's e-sign or resync post: scrambled credentials, the zipped document under its local path.
    Reply Upload(const std::string& script, const std::string& user, const Fields& extra,
                 const std::string& name, const std::string& doc) {
        Fields fields{
            {"loginid", Scramble(user)}, {"password", Scramble("")}, {"locationid", "3"}, {"phyid", "12"}};
        fields.insert(fields.end(), extra.begin(), extra.end());
        return PostDeskForm(Url(script), fields, FilePart{kLocalZip, Zip({{name + ".doc", doc}})});
    }
    Reply Fax(const std::string& recipients, const std::string& documents, const std::string& user = "12") {
        return PostDeskForm(Url("addtofaxqueue.php"),
                            {{"recipient", recipients}, {"loginid", user}, {"faxdoc", documents}});
    }
    Reply Form(const std::string& script, const Fields& fields) { return PostDeskForm(Url(script), fields); }
    std::string Flags(const std::string& name) { return FieldOfReport(name, "Activity Indicator"); }
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
        {"esign user", Upload("qm_esign.php", "9~9", {}, "R260006", "{\\rtf1 x}")},
        {"esign of another's report",
         Upload("qm_esign.php", "12", {{"esign", "1"}}, "R260005", "{\\rtf1 x}")},
        {"resync report", Upload("qm_resync.php", "12", {}, "R~6", "{\\rtf1 x}")},
        {"resync demographics", Upload("qm_resync.php", "12", {{"demographics", "~Zelda"}}, "R260006", "x")},
        {"resync of another's report", Upload("qm_resync.php", "12", {}, "R260005", "{\\rtf1 x}")},
        {"no zip", PostDeskForm(Url("qm_esign.php"), {{"loginid", "30"}}, FilePart{kLocalZip, "no zip"})},
        {"no file", Form("qm_resync.php", {{"loginid", "30"}})},
        {"no form", Post(Url("qm_esign.php"), "multipart/form-data, boundary=abc", "garbage")},
        {"fax document", Fax("101~L~(555) 201-4410", "R~1")},
        {"fax user", Fax("101~L~(555) 201-4410", "R260006", "1~2")},
        {"fax number", Fax("101~L~5~5", "R260006")},
        {"fax number blank", Fax("103~Hugo~ ", "R260006")},
        {"fax name for a number", Fax("101~Lakeside Cardiology~Paul", "R260006")},
        {"fax number not in the book", Fax("101~Lakeside Cardiology~(555) 201-4411", "R260006")},
        {"fax without recipient", Fax("", "R260006")},
        {"fax not allowed", notFaxable},
        {"rename job", Form("qm_rename.php", {{"loginid", "30"}, {"filename", "J~1;"}, {"stat", "stat4"}})},
        {"rename stat",
         Form("qm_rename.php", {{"loginid", "30"}, {"filename", "J260101;"}, {"stat", "s~t"}})},
        {"new property", Form("qm_cp_add.php", {{"loginid", "30"}, {"cps", "a|b~"}})},
        {"list user", Get(FileListUrl("1~2", "All", "All", "t"))},
        {"list type", Get(FileListUrl("12", "All", "All", "~"))},
        {"list provider", Get(FileListUrl("90", "18", "All", "t"))},
        {"list dates", Get(Url("qm_download_filelist.php?loginuserid=12&physicianid=All&locationid=All"
                               "&fromdate=0~6-01-2026&todate=2026-01-31&reporttype=t"))},
    };
    for (const char* get : {
             "qm_download_files.php?filename=AB~C",
             "qm_statusupdate.php?physicianid=12&locationid=3&vfilename=AB~C&field=open",
             "qm_statusupdate.php?physicianid=12&locationid=3&vfilename=R260006&field=o~n",
             "qm_download_versionfiles.php?filename=R~1.v1",
             "download_play_voicefile.php?filename=J~1",
             "qm_customproperties.php?physicianid=9~9",
             "qm_custom_order.php?physicianid=9~9&props=A~",
             "qm_searchfreetext.php?searchtext=x&loginuserid=~",
             "not found: no~such.php",
             "not found: desk.php?user=7~7",
             "view_audittrail.php?loginid=12&filename=R~1&fromdate=&todate=&admin=0",
             "qm_address_update.php?physicianid=12&address=999~x~Ann~~Lee~1~a@b~",
             "qm_address_update.php?physicianid=12&address=a~b~c",
         }) {
        const std::string what(get);
        const std::size_t colon = what.find(": ");
        cases.emplace_back(what, Get(Url(colon == std::string::npos ? what : what.substr(colon + 2))));
    }
    for (const auto& [what, reply] : cases) {
        EXPECT_EQ(reply.status, what.rfind("not found", 0) == 0 ? 404 : 200) << what;
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
    EXPECT_EQ(Upload("qm_esign.php", "12", {{"esign", "1"}, {"edit", "1"}}, "R260006", signedDoc).body, "~");
    EXPECT_EQ(Flags("R260006").at(4), '1');
    EXPECT_EQ(Document("R260006"), signedDoc);
    ASSERT_EQ(VersionCount("R260006"), 1);
    EXPECT_EQ(SingleFileText(Get(Url("qm_download_versionfiles.php?filename=R260006.v1")).body), original);

    // A resync stores the document and the demographics, and signs nothing.
    EXPECT_EQ(Upload("qm_resync.php", "12", {{"demographics", "FirstName~Zelda|MRN~77~88| "}}, "R260011",
                     "{\\rtf1 edited}")
                  .body,
              "~");
    EXPECT_EQ(FieldOfReport("R260011", "FirstName"), "Zelda");
    EXPECT_EQ(FieldOfReport("R260011", "MRN"), "77~88");
    EXPECT_EQ(Flags("R260011").at(4), '0');
    EXPECT_EQ(Document("R260011"), "{\\rtf1 edited}");
}

TEST_F(Scripts, RenameMarksStatOrMovesJobsWhenTheUserMayRenameThemAll) {
    const auto rename = [this](const std::string& jobs, const Fields& target) {
        Fields fields{{"loginid", Scramble("12")}, {"password", Scramble("")}, {"filename", jobs}};
        fields.insert(fields.end(), target.begin(), target.end());
        return Form("qm_rename.php", fields).body;
    };
    const auto shown = [this](const std::string& job, const std::string& provider = "All") {
        for (const auto& record : List("12", provider, "All", "p")) {
            if (FieldOf(record, "Filename") == job) {
                return true;
            }
        }
        return false;
    };
    EXPECT_EQ(rename("J260101;J260105;", {{"phyid", ""}, {"locationid", ""}, {"stat", "stat8"}}), "~");
    EXPECT_TRUE(shown("J260101{STAT8}") && shown("J260105{STAT8}"));
    // The marked name as the list shows it is taken back as the job's.
    EXPECT_EQ(rename("J260101{STAT8};", {{"stat", "notag"}}), "~");
    EXPECT_TRUE(shown("J260101"));
    EXPECT_EQ(rename("J260101;", {{"phyid", "15"}, {"locationid", "5"}, {"phyid", "15"}}), "~");
    EXPECT_TRUE(shown("J260101", "15"));
    // Provider 18's jobs may not be renamed by the demo user, nor jobs moved to a location their new
    // provider does not have; nothing changes then.
    EXPECT_NE(rename("J260105;J260104;", {{"stat", "stat4"}}), "~");
    EXPECT_NE(rename("J260105;", {{"phyid", "18"}, {"locationid", "3"}}), "~");
    EXPECT_TRUE(shown("J260105{STAT8}"));
}

TEST(ServerJournal, KeepsTheRequestAsReceivedWithSchemePortAndStatus) {
    StandInServer::Options options;
    options.extraHttpPort = 8080;
    StandInServer server(options);
    ASSERT_TRUE(server.Start()) << server.Error().toStdString();
    const std::string address = server.Address().toStdString();
    const std::string query = "loginuserid=12&physicianid=All&locationid=All&fromdate=" + IsoDay(6) +
                              "&todate=" + IsoDay(0) + "&reporttype=t&note=a|b~c[1]%20d";
    EXPECT_TRUE(Unzip(Get(server.BaseUrl().toStdString() + "qm_download_filelist.php?" + query).body));
    EXPECT_EQ(Get("https://" + address + "/getservertime.asp").status, 200);
    EXPECT_EQ(Get("http://" + address + "/no_such.php").status, 404);
    const std::string cpAdd = server.BaseUrl().toStdString() + "qm_cp_add.php";
    EXPECT_EQ(PostDeskForm(cpAdd, {{"loginid", "30"}, {"cps", "Caf\xe9~"}}).body, "~");
    ProbePost(cpAdd);
    const auto entries = server.Journal();
    ASSERT_EQ(entries.size(), 5);
    EXPECT_EQ(entries[0]["query"].toString().toStdString(), query);
    EXPECT_EQ(entries[0]["method"].toString(), u"GET"_s);
    EXPECT_TRUE(entries[0]["content_length"].isNull() && entries[0]["content_type"].isNull());
    EXPECT_FALSE(entries[0]["time"].toString().isEmpty());
    const char* vias[] = {"http:8080 200", "https:443 200", "http:80 404", "http:8080 200"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(entries[i]["scheme"].toString().toStdString() + ":" +
                      std::to_string(entries[i]["port"].toInt()) + " " +
                      std::to_string(entries[i]["status"].toInt()),
                  vias[i]);
    }
    EXPECT_EQ(entries[3]["body_size"].toInteger(), entries[3]["content_length"].toString().toLongLong());
    EXPECT_TRUE(entries[4]["content_length"] == u"0"_s && entries[4]["content_type"].isNull()) << "the probe";
    // Bytes that are no UTF-8 still make valid JSON.
    EXPECT_EQ(entries[3]["fields"].toArray().at(1).toObject()["value"], QString::fromLatin1("Caf\xe9~"));
}

TEST(ServerFaults, AimedFaultsChangeTheirScriptsWhileTheServerRuns) {
    StandInServer server;
    ASSERT_TRUE(server.Start()) << server.Error().toStdString();
    const auto get = [&](const std::string& script) { return Get(server.BaseUrl().toStdString() + script); };
    const std::string status =
        "qm_statusupdate.php?physicianid=12&locationid=3&vfilename=R260001&field=open&value=1";
    ASSERT_TRUE(server.SetFault(u"refuse"_s, u"QM_STATUSUPDATE.PHP"_s));
    EXPECT_EQ(get(status).body, "The report service cannot do this right now.");
    EXPECT_EQ(get("getservertime.asp").body.size(), 19u) << "other scripts behave";
    ASSERT_TRUE(server.SetFault(u"empty"_s, u"qm_statusupdate.php"_s));
    EXPECT_EQ(get(status).status, 200);
    EXPECT_EQ(get(status).body, "");

    ASSERT_TRUE(server.SetFault(u"asterisk"_s));
    EXPECT_EQ(get("qm_customproperties.php?physicianid=12").body,
              "*The report service is busy. Please try again in a few minutes.*");
    EXPECT_TRUE(Unzip(get("qm_download_files.php?filename=R260001").body)) << "documents are no lists";
    ASSERT_TRUE(server.SetFault(u"407"_s));
    EXPECT_EQ(get("getservertime.asp").status, 407);
    EXPECT_EQ(get("desk.php").status, 200) << "the host page always behaves";
    EXPECT_EQ(get(status).body, "") << "a script's own fault wins over the one for all";
    ASSERT_TRUE(server.ClearFaults(u"qm_statusupdate.php"_s));
    EXPECT_EQ(get(status).status, 407);
    ASSERT_TRUE(server.ClearFaults());
    EXPECT_EQ(get(status).body, "~");
    EXPECT_FALSE(server.SetFault(u"sideways"_s));
    // Control requests are not the desk's: the journal holds only the script requests.
    EXPECT_EQ(server.Journal().size(), 11);
}

TEST(ServerStart, ASecondServerOnTheSameAddressFailsWithOneLineOnStderr) {
    StandInServer first;
    ASSERT_TRUE(first.Start()) << first.Error().toStdString();
    QTemporaryDir data;
    QProcess second;
    second.start(QStringLiteral(REPORT_SERVER_BINARY),
                 {u"--data"_s, data.path(), u"--bind"_s, first.Address()});
    ASSERT_TRUE(second.waitForFinished(10000)) << "it must not share the port";
    EXPECT_NE(second.exitCode(), 0);
    const QString error = QString::fromUtf8(second.readAllStandardError()).trimmed();
    EXPECT_TRUE(error.startsWith(u"report-server: cannot bind"_s)) << error.toStdString();
    EXPECT_FALSE(error.contains(QLatin1Char('\n')));
}
