// view_audittrail.php?loginid=&filename=&fromdate=&todate=&admin=0: an HTML page of the events
// recorded for one report (every request that touches a report records one).
#include "server/DateText.h"
#include "server/Practice.h"
#include "server/Scripts.h"
#include "server/ServerContext.h"
#include "server/TextUtil.h"

namespace {

Answer AuditTrail(ServerContext& ctx, const ScriptRequest& request) {
    auto lock = ctx.Lock();
    const std::string name = Practice::JobName(request.query.Value("filename"));
    const auto report = Practice::FindReport(ctx.db, name);
    // Like every refusal, the page for an unknown name holds no "~".
    const std::string shown = report ? name : Text::WithoutTilde(name);
    std::string page = "<!DOCTYPE html>\n<html>\n<head><meta charset=\"utf-8\"><title>Audit trail - " +
                       Text::HtmlEscape(shown) + "</title></head>\n<body>\n<h1>Audit trail of " +
                       Text::HtmlEscape(shown) + "</h1>\n";
    if (!report) {
        page += "<p>There is no report named " + Text::HtmlEscape(shown) + ".</p>\n</body>\n</html>\n";
        return Answer::Html(page);
    }
    page += "<p>Care provider: " + Text::HtmlEscape(Practice::ProviderName(ctx.db, report->providerId)) +
            " [" + Text::HtmlEscape(report->providerId) + "]</p>\n";
    page += "<table border=\"1\" cellpadding=\"4\">\n<tr><th>Date/Time</th><th>User</th><th>Event</th>"
            "<th>Details</th></tr>\n";
    auto stmt =
        ctx.db.Prepare("SELECT at, user_id, event, detail FROM audit WHERE report_name = ? ORDER BY id");
    stmt.Bind(1, report->name);
    int rows = 0;
    while (stmt.Step()) {
        page += "<tr><td>" + Text::HtmlEscape(DateText::StoredToListDateTime(stmt.Text(0))) + "</td><td>" +
                Text::HtmlEscape(stmt.Text(1)) + "</td><td>" + Text::HtmlEscape(stmt.Text(2)) + "</td><td>" +
                Text::HtmlEscape(stmt.Text(3)) + "</td></tr>\n";
        ++rows;
    }
    page += "</table>\n<p>" + std::to_string(rows) + " event(s).</p>\n</body>\n</html>\n";
    return Answer::Html(page);
}

} // namespace

void AddAuditTrailScript(ScriptTable& table) {
    table.emplace_back("view_audittrail.php", &AuditTrail);
}
