// Documents and what is recorded about them: download, status updates, the server clock and
// the document history.
#include "server/DateText.h"
#include "server/Practice.h"
#include "server/Scripts.h"
#include "server/ServerContext.h"
#include "server/TextUtil.h"

#include <charconv>

namespace {

std::string NotFound(const std::string& name) {
    return "The report " + name + " could not be found.";
}

// qm_download_files.php?filename=NAME -> a zip holding NAME.doc
Answer DownloadFiles(ServerContext& ctx, const ScriptRequest& request) {
    auto lock = ctx.Lock();
    const std::string name = Practice::JobName(request.query.Value("filename"));
    const auto report = Practice::FindReport(ctx.db, name);
    auto stmt = ctx.db.Prepare("SELECT document FROM reports WHERE name = ? AND document IS NOT NULL");
    stmt.Bind(1, name);
    if (!report || !stmt.Step()) {
        return Answer::Message(NotFound(name));
    }
    Practice::RecordAudit(ctx.db, report->name, "", "Document downloaded", "");
    return Answer::ZippedFile(report->name + ".doc", stmt.Blob(0));
}

// qm_statusupdate.php?physicianid=&locationid=&vfilename=&field=open|print|edit&value=1
Answer StatusUpdate(ServerContext& ctx, const ScriptRequest& request) {
    auto lock = ctx.Lock();
    const std::string name = Practice::JobName(request.query.Value("vfilename"));
    const auto report = Practice::FindReport(ctx.db, name);
    if (!report) {
        return Answer::Refusal(NotFound(name));
    }
    const std::string field = Text::Lower(request.query.Value("field"));
    const std::string userId = request.query.Value("physicianid");
    const std::int64_t value = request.query.Value("value") == "0" ? 0 : 1;
    if (field == "open" || field == "print") {
        const char* sql = field == "open" ? "UPDATE reports SET opened = ? WHERE name = ?"
                                          : "UPDATE reports SET printed = ? WHERE name = ?";
        ctx.db.Prepare(sql).Bind(1, value).Bind(2, report->name).Run();
        Practice::RecordAudit(ctx.db, report->name, userId, field == "open" ? "Opened" : "Printed", "");
    } else if (field == "edit") {
        Practice::RecordAudit(ctx.db, report->name, userId, "Edited", "");
    } else {
        return Answer::Refusal("The status " + request.query.Value("field") + " is not known.");
    }
    return Answer::Plain("~");
}

// getservertime.asp: local time as MM-DD-YYYY HH:MM:SS
Answer ServerTime(ServerContext&, const ScriptRequest&) {
    return Answer::Plain(DateText::ServerTime(DateText::LocalNow()));
}

std::string VersionFileName(const std::string& report, std::int64_t version) {
    return report + "_Version" + std::to_string(version);
}
std::string ServerVersionName(const std::string& report, std::int64_t version) {
    return report + ".v" + std::to_string(version);
}

// qm_versionlist.php?physicianid=&filename=&locationid=
// lines: version file name|transcribed date/time|revised date/time|server file name
Answer VersionList(ServerContext& ctx, const ScriptRequest& request) {
    auto lock = ctx.Lock();
    const std::string name = Practice::JobName(request.query.Value("filename"));
    const auto report = Practice::FindReport(ctx.db, name);
    if (!report) {
        return Answer::Message(NotFound(name));
    }
    auto stmt = ctx.db.Prepare(
        "SELECT version, transcribed_at, revised_at FROM versions WHERE report_name = ? ORDER BY version");
    stmt.Bind(1, report->name);
    std::string text;
    while (stmt.Step()) {
        const std::int64_t version = stmt.Int(0);
        text += VersionFileName(report->name, version) + "|" + DateText::StoredToListDateTime(stmt.Text(1)) +
                "|" + DateText::StoredToListDateTime(stmt.Text(2)) + "|" +
                ServerVersionName(report->name, version) + "\n";
    }
    Practice::RecordAudit(ctx.db, report->name, request.query.Value("physicianid"), "Document history viewed",
                          "");
    return Answer::ZippedList(report->name + "_versions.txt", text);
}

// qm_download_versionfiles.php?filename=NAME.vN -> a zip holding NAME.vN.doc
Answer DownloadVersionFile(ServerContext& ctx, const ScriptRequest& request) {
    auto lock = ctx.Lock();
    const std::string serverName = Text::Trim(request.query.Value("filename"));
    const std::size_t mark = serverName.rfind(".v");
    std::int64_t version = 0;
    if (mark != std::string::npos) {
        const char* first = serverName.data() + mark + 2;
        const char* last = serverName.data() + serverName.size();
        const auto [ptr, ec] = std::from_chars(first, last, version);
        if (ec != std::errc() || ptr != last) {
            version = 0;
        }
    }
    if (version <= 0) {
        return Answer::Message("The version " + serverName + " could not be found.");
    }
    const std::string name = serverName.substr(0, mark);
    auto stmt = ctx.db.Prepare("SELECT document FROM versions WHERE report_name = ? AND version = ?");
    stmt.Bind(1, name).Bind(2, version);
    if (!stmt.Step()) {
        return Answer::Message("The version " + serverName + " could not be found.");
    }
    const std::string document = stmt.Blob(0);
    Practice::RecordAudit(ctx.db, name, "", "Version " + std::to_string(version) + " downloaded", "");
    return Answer::ZippedFile(serverName + ".doc", document);
}

} // namespace

void AddDocumentScripts(ScriptTable& table) {
    table.emplace_back("qm_download_files.php", &DownloadFiles);
    table.emplace_back("qm_statusupdate.php", &StatusUpdate);
    table.emplace_back("getservertime.asp", &ServerTime);
    table.emplace_back("qm_versionlist.php", &VersionList);
    table.emplace_back("qm_download_versionfiles.php", &DownloadVersionFile);
}
