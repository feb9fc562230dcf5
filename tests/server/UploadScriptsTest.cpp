// The e-sign and resync uploads as the desk posts them (multipart, comma before "boundary",
// scrambled credentials, the zipped document under its full local path), and the probe POST.
#include "tests/server/ServerTestBase.h"

#include <QJsonArray>
#include <QJsonObject>

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

TEST_F(UploadTest, JournalRecordsTheFormFieldsInOrderAndTheZipInsideTheFilePart) {
    ASSERT_EQ(Esign("12", "R260006", "{\\rtf1 x}").body, "~");
    const auto entries = server_.JournalFor(QStringLiteral("qm_esign.php"));
    ASSERT_EQ(entries.size(), 1);
    const QJsonObject entry = entries.front();
    EXPECT_EQ(entry["method"].toString(), "POST");
    EXPECT_TRUE(
        entry["content_type"].toString().startsWith(QStringLiteral("multipart/form-data, boundary=")));
    QStringList names;
    for (const auto& field : entry["fields"].toArray()) {
        names << field.toObject()["name"].toString();
    }
    EXPECT_EQ(names, (QStringList{"loginid", "password", "locationid", "phyid", "esign", "edit"}));
    EXPECT_EQ(entry["fields"].toArray().at(0).toObject()["value"],
              QStringLiteral("30")); // "12" scrambled: "1"+2, "2"-2
    const auto files = entry["files"].toArray();
    ASSERT_EQ(files.size(), 1);
    const QJsonObject file = files.at(0).toObject();
    EXPECT_EQ(file["field"].toString(), "FILE");
    EXPECT_EQ(file["filename"].toString().toStdString(), kLocalZip);
    EXPECT_EQ(file["entries"].toArray(), QJsonArray{QStringLiteral("R260006.doc")});
    EXPECT_GT(file["size"].toInt(), 0);
    EXPECT_EQ(entry["body_size"].toInteger(), entry["content_length"].toString().toLongLong());
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

TEST_F(UploadTest, MalformedPostsGetASentenceAndChangeNothing) {
    const std::string before = Document("R260006");
    const std::vector<Reply> replies{
        // demographics item without a name
        Upload("qm_resync.php", "12", {{"demographics", "FirstName"}}, "R260006", "{\\rtf1 x}"),
        // unknown user
        Upload("qm_resync.php", "55", {}, "R260006", "{\\rtf1 x}"),
        // a file part that is no zip
        PostDeskForm(Url("qm_esign.php"), {{"loginid", Scramble("12")}}, FilePart{kLocalZip, "not a zip"}),
        // no file part at all
        PostDeskForm(Url("qm_resync.php"), {{"loginid", Scramble("12")}}),
        // a body that is no multipart form for its header
        Post(Url("qm_esign.php"), DeskFormType("abc"), "garbage without boundaries"),
        // user 12 may not edit provider 15's reports
        Upload("qm_resync.php", "12", {}, "R260005", "{\\rtf1 x}"),
    };
    for (std::size_t i = 0; i < replies.size(); ++i) {
        EXPECT_EQ(replies[i].status, 200) << i;
        EXPECT_FALSE(replies[i].body.empty()) << i;
        EXPECT_EQ(replies[i].body.find('~'), std::string::npos) << i << ": " << replies[i].body;
    }
    EXPECT_EQ(Document("R260006"), before);
    EXPECT_EQ(VersionCount("R260006"), 0);
}

TEST_F(UploadTest, BodilessProbeOfEveryPostScriptIs200WithoutTildeAndIsJournaled) {
    for (const char* script :
         {"qm_esign.php", "qm_resync.php", "qm_rename.php", "addtofaxqueue.php", "qm_cp_add.php"}) {
        const auto reply = ProbePost(Url(script));
        EXPECT_EQ(reply.status, 200) << script;
        EXPECT_FALSE(reply.body.empty()) << script;
        EXPECT_EQ(reply.body.find('~'), std::string::npos) << script;
        const auto entries = server_.JournalFor(QString::fromLatin1(script));
        ASSERT_EQ(entries.size(), 1) << script;
        EXPECT_EQ(entries.front()["body_size"].toInt(), 0);
        EXPECT_EQ(entries.front()["content_length"].toString(), QStringLiteral("0"));
    }
    EXPECT_EQ(VersionCount("R260006"), 0);
}
