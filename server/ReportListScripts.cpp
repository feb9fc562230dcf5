// The scripts that answer with a file list: the report query and the two searches, plus the list
// of demographics a search can use.
#include "server/DateText.h"
#include "server/FileListLines.h"
#include "server/Practice.h"
#include "server/Scripts.h"
#include "server/ServerContext.h"
#include "server/TextUtil.h"

#include <algorithm>
#include <set>

namespace {

using Practice::Report;

struct Scope {
    std::set<std::string> providers; // lower-case ids
    bool Contains(const std::string& id) const { return providers.count(Text::Lower(id)) > 0; }
};

Scope AllServed(Database& db, const std::string& userId) {
    Scope scope;
    for (const auto& provider : Practice::ProvidersOf(db, userId)) {
        scope.providers.insert(Text::Lower(provider.id));
    }
    return scope;
}

std::string ListText(Database& db, const std::string& userId, std::vector<Report> reports, bool byDictation) {
    std::stable_sort(reports.begin(), reports.end(), [byDictation](const Report& a, const Report& b) {
        const std::string& da = byDictation ? a.dictatedAt : a.transcribedAt;
        const std::string& db2 = byDictation ? b.dictatedAt : b.transcribedAt;
        return da > db2;
    });
    FileListLines lines(db, userId);
    std::string text;
    for (const Report& report : reports) {
        text += lines.Line(report) + "\n";
    }
    return text;
}

// qm_download_filelist.php?loginuserid=&physicianid=&locationid=&fromdate=&todate=&reporttype=
Answer DownloadFileList(ServerContext& ctx, const ScriptRequest& request) {
    auto lock = ctx.Lock();
    const ReadTransaction reading(ctx.db);
    const std::string userId = request.query.Value("loginuserid");
    const auto user = Practice::FindUser(ctx.db, userId);
    if (!user) {
        return Answer::Message("The user " + userId + " is not known to the report service.");
    }
    const auto from = DateText::IsoDay(request.query.Value("fromdate"));
    const auto to = DateText::IsoDay(request.query.Value("todate"));
    if (!from || !to) {
        return Answer::Message("The dates of the query must be given as YYYY-MM-DD.");
    }
    const std::string type = Text::Lower(request.query.Value("reporttype"));
    if (type != "t" && type != "p" && type != "f" && type != "x") {
        return Answer::Message("The report type " + request.query.Value("reporttype") + " is not known.");
    }
    const std::string physicianId = request.query.Value("physicianid");
    Scope scope = AllServed(ctx.db, user->id);
    if (!Text::EqualsNoCase(physicianId, "All")) {
        if (!scope.Contains(physicianId)) {
            return Answer::Message("You are not set up to see the reports of care provider " + physicianId +
                                   ".");
        }
        scope.providers = {Text::Lower(physicianId)};
    }
    const std::string locationId = request.query.Value("locationid");
    const bool allLocations = Text::EqualsNoCase(locationId, "All");
    const bool pending = type == "p";

    std::vector<Report> found;
    for (Report& report : Practice::ReportsOfKind(ctx.db, pending ? "p" : "t")) {
        const std::string& when = pending ? report.dictatedAt : report.transcribedAt;
        const std::string day = when.substr(0, 10);
        if (report.archived || !scope.Contains(report.providerId) ||
            (!allLocations && !Text::EqualsNoCase(report.locationId, locationId)) || day < *from ||
            day > *to || (type == "f" && !report.forwarded) || (type == "x" && !report.faxed)) {
            continue;
        }
        found.push_back(std::move(report));
    }
    return Answer::ZippedList("FileList.txt", ListText(ctx.db, user->id, std::move(found), pending));
}

// qm_search.php?loginid=&locationid=&txtDemographicName=&txtDemographicValue=&chktrdate=&arrradio=
//   &txthid_stdate=MM-DD-YYYY&txthid_eddate=MM-DD-YYYY&archivedsearch=
Answer Search(ServerContext& ctx, const ScriptRequest& request) {
    auto lock = ctx.Lock();
    const ReadTransaction reading(ctx.db);
    const std::string userId = request.query.Value("loginid");
    const auto user = Practice::FindUser(ctx.db, userId);
    if (!user) {
        return Answer::Message("The user " + userId + " is not known to the report service.");
    }
    const std::string name = Text::Trim(request.query.Value("txtDemographicName"));
    const std::string value = Text::Trim(request.query.Value("txtDemographicValue"));
    if (name.empty()) {
        return Answer::Message("Choose a demographic to search on.");
    }
    if (value.empty()) {
        return Answer::Message("Enter the text to search for.");
    }
    const Scope served = AllServed(ctx.db, user->id);
    Scope scope;
    const std::string radio = request.query.Value("arrradio");
    if (radio == "0") {
        if (served.Contains(user->id)) {
            scope.providers = {Text::Lower(user->id)};
        }
    } else if (Text::EqualsNoCase(radio, "All")) {
        scope = served;
    } else if (served.Contains(radio)) {
        scope.providers = {Text::Lower(radio)};
    } else {
        return Answer::Message("You are not set up to see the reports of care provider " + radio + ".");
    }
    std::optional<std::string> from;
    std::optional<std::string> to;
    if (request.query.Value("chktrdate") == "1") {
        from = DateText::UsDay(request.query.Value("txthid_stdate"));
        to = DateText::UsDay(request.query.Value("txthid_eddate"));
        if (!from || !to) {
            return Answer::Message("The dates of the search must be given as MM-DD-YYYY.");
        }
    }
    const bool withArchive = request.query.Value("archivedsearch") == "1";
    std::vector<Report> found;
    for (Report& report : Practice::ReportsOfKind(ctx.db, "t")) {
        const std::string day = report.transcribedAt.substr(0, 10);
        if ((report.archived && !withArchive) || !scope.Contains(report.providerId) ||
            (from && day < *from) || (to && day > *to) ||
            !Text::ContainsNoCase(Practice::FieldValue(ctx.db, report, name), value)) {
            continue;
        }
        found.push_back(std::move(report));
    }
    return Answer::ZippedList("SearchResult.txt", ListText(ctx.db, user->id, std::move(found), false));
}

// qm_searchfreetext.php?searchtext=&loginuserid=
Answer SearchFreeText(ServerContext& ctx, const ScriptRequest& request) {
    auto lock = ctx.Lock();
    const ReadTransaction reading(ctx.db);
    const std::string userId = request.query.Value("loginuserid");
    const auto user = Practice::FindUser(ctx.db, userId);
    if (!user) {
        return Answer::Message("The user " + userId + " is not known to the report service.");
    }
    const std::string text = Text::Trim(request.query.Value("searchtext"));
    if (text.empty()) {
        return Answer::Message("Please enter a search phrase/word.");
    }
    const Scope scope = AllServed(ctx.db, user->id);
    std::vector<Report> found;
    auto document = ctx.db.Prepare("SELECT COALESCE(document, '') FROM reports WHERE name = ?");
    auto fields = ctx.db.Prepare("SELECT value FROM report_fields WHERE report_name = ?");
    for (Report& report : Practice::ReportsOfKind(ctx.db, "t")) {
        if (report.archived || !scope.Contains(report.providerId)) {
            continue;
        }
        bool match = false;
        fields.Reset();
        fields.Bind(1, report.name);
        while (!match && fields.Step()) {
            match = Text::ContainsNoCase(fields.Text(0), text);
        }
        if (!match) {
            document.Reset();
            document.Bind(1, report.name);
            match = document.Step() && Text::ContainsNoCase(document.Blob(0), text);
        }
        if (match) {
            found.push_back(std::move(report));
        }
    }
    return Answer::ZippedList("SearchResult.txt", ListText(ctx.db, user->id, std::move(found), false));
}

// qm_searchdemographics.php?loginid=: the names a search can use, "~"-separated, not zipped.
Answer SearchDemographics(ServerContext& ctx, const ScriptRequest& request) {
    auto lock = ctx.Lock();
    auto stmt = ctx.db.Prepare("SELECT name FROM custom_properties WHERE user_id = ? "
                               "ORDER BY selected_ord IS NULL, selected_ord, catalog_ord");
    stmt.Bind(1, request.query.Value("loginid"));
    std::string names;
    while (stmt.Step()) {
        const std::string name = stmt.Text(0);
        if (!Text::EqualsNoCase(name, Practice::kDictationDateTime) &&
            !Text::EqualsNoCase(name, Practice::kTranscribedDateTime) &&
            !Text::EqualsNoCase(name, Practice::kUploadedDateTime)) {
            names += name + "~";
        }
    }
    return Answer::Plain(names);
}

} // namespace

void AddReportListScripts(ScriptTable& table) {
    table.emplace_back("qm_download_filelist.php", &DownloadFileList);
    table.emplace_back("qm_search.php", &Search);
    table.emplace_back("qm_searchfreetext.php", &SearchFreeText);
    table.emplace_back("qm_searchdemographics.php", &SearchDemographics);
}
