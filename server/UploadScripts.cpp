// The two document uploads: "qm_esign.php" (the signed document) and "qm_resync.php" (an edited
// document, optionally with changed demographics). Both are multipart posts with the fields
// loginid and password (scrambled), locationid, phyid, [esign, edit | demographics] and the file
// part FILE holding a zip of NAME.doc.
#include "server/DateText.h"
#include "server/Practice.h"
#include "server/Scripts.h"
#include "server/ServerContext.h"
#include "server/TextUtil.h"
#include "server/ZipArchive.h"

namespace {

struct Demographic {
    std::string name;
    std::string value;
};

// "name~value|name~value": items trimmed, empty items skipped; a value may hold further "~".
std::optional<std::vector<Demographic>> ParseDemographics(const std::string& text, std::string& bad) {
    std::vector<Demographic> items;
    for (const std::string& item : Text::SplitTrimmed(text, '|', 256)) {
        const std::size_t tilde = item.find('~');
        const std::string name =
            tilde == std::string::npos ? std::string() : Text::Trim(item.substr(0, tilde));
        if (name.empty()) {
            bad = item;
            return std::nullopt;
        }
        items.push_back({name, Text::Trim(item.substr(tilde + 1))});
    }
    return items;
}

// The report name from the archive's document entry: folders and ".doc" taken off.
std::optional<ZipEntry> DocumentEntry(const std::string& zipBytes, std::string& reportName) {
    auto entries = ReadZip(zipBytes);
    if (!entries) {
        return std::nullopt;
    }
    for (ZipEntry& entry : *entries) {
        std::string base = entry.name.substr(entry.name.find_last_of("/\\") + 1);
        if (base.size() > 4 && Text::EqualsNoCase(base.substr(base.size() - 4), ".doc")) {
            reportName = base.substr(0, base.size() - 4);
            return std::move(entry);
        }
    }
    return std::nullopt;
}

Answer Upload(ServerContext& ctx, const ScriptRequest& request, bool esign) {
    const std::string script = esign ? "qm_esign.php" : "qm_resync.php";
    if (!request.hasBody) {
        // The desk's bodiless first request: answered, nothing changes.
        return Answer::Refusal("Send the document to " + script + " as a form.");
    }
    if (!request.formIsValid) {
        return Answer::Refusal("The form sent to " + script + " could not be read.");
    }
    auto lock = ctx.Lock();
    const std::string loginId = Practice::Unscramble(request.Field("loginid"));
    const auto user = Practice::FindUser(ctx.db, loginId);
    if (!user) {
        return Answer::Refusal("The user " + loginId + " is not known to the report service.");
    }
    const FormPart* file = request.File("FILE");
    if (!file) {
        return Answer::Refusal("The form carries no document.");
    }
    std::string name;
    const auto document = DocumentEntry(file->value, name);
    if (!document || document->data.empty()) {
        return Answer::Refusal("The document archive could not be read.");
    }
    const auto report = Practice::FindReport(ctx.db, name);
    if (!report || report->kind != "t") {
        return Answer::Refusal("The report " + name + " could not be found.");
    }
    const bool owner = Text::EqualsNoCase(user->id, report->providerId);
    if (esign && !owner) {
        return Answer::Refusal("Only the report's care provider can e-sign " + report->name + ".");
    }
    if (!esign && !owner && !Practice::Allows(Practice::PrivilegesFor(ctx.db, user->id, *report), 4)) {
        return Answer::Refusal("You are not set up to edit " + report->name + ".");
    }
    std::vector<Demographic> demographics;
    if (!esign && request.HasField("demographics")) {
        std::string bad;
        auto parsed = ParseDemographics(request.Field("demographics"), bad);
        if (!parsed) {
            return Answer::Refusal("The demographics could not be read at: " + bad);
        }
        demographics = std::move(*parsed);
    }

    Transaction transaction(ctx.db);
    const int version = Practice::KeepVersion(ctx.db, *report);
    const std::string now = DateText::Stored(DateText::LocalNow());
    ctx.db
        .Prepare(esign ? "UPDATE reports SET document = ?, saved_at = ?, esigned = 1 WHERE name = ?"
                       : "UPDATE reports SET document = ?, saved_at = ? WHERE name = ?")
        .BindBlob(1, document->data)
        .Bind(2, now)
        .Bind(3, report->name)
        .Run();
    std::string changed;
    for (const Demographic& item : demographics) {
        if (Practice::SetField(ctx.db, report->name, item.name, item.value)) {
            changed += (changed.empty() ? "" : ", ") + item.name + " = " + item.value;
        }
    }
    const std::string kept =
        version > 0 ? "previous document kept as version " + std::to_string(version) : "";
    Practice::RecordAudit(ctx.db, report->name, user->id, esign ? "E-signed" : "Edited document uploaded",
                          kept);
    if (!changed.empty()) {
        Practice::RecordAudit(ctx.db, report->name, user->id, "Demographics changed", changed);
    }
    transaction.Commit();
    return Answer::Plain("~");
}

Answer Esign(ServerContext& ctx, const ScriptRequest& request) {
    return Upload(ctx, request, true);
}
Answer Resync(ServerContext& ctx, const ScriptRequest& request) {
    return Upload(ctx, request, false);
}

} // namespace

void AddUploadScripts(ScriptTable& table) {
    table.emplace_back("qm_esign.php", &Esign);
    table.emplace_back("qm_resync.php", &Resync);
}
