#include "server/Practice.h"
#include "server/Scripts.h"
#include "server/ServerContext.h"
#include "server/TextUtil.h"

namespace {

// The desk's class id, by which the page's <object> names the control.
constexpr const char* kControlClassId = "5E3D9A41-7C2B-4F86-A1D0-3B9E6C5F2A17";

std::string Param(const std::string& name, const std::string& value) {
    return "  <param name=\"" + name + "\" value=\"" + Text::HtmlEscape(value) + "\">\n";
}

} // namespace

Answer HostPage(ServerContext& ctx, const ScriptRequest& request) {
    auto lock = ctx.Lock();
    std::string userId = request.query.Value("user");
    if (userId.empty()) {
        auto stmt = ctx.db.Prepare("SELECT value FROM meta WHERE key = 'default_user'");
        if (stmt.Step()) {
            userId = stmt.Text(0);
        }
    }
    const auto user = Practice::FindUser(ctx.db, userId);
    if (!user) {
        return Answer::Html(
            "<!DOCTYPE html>\n<html><head><title>Velmo desk</title></head><body><p>There is no user " +
                Text::HtmlEscape(Text::WithoutTilde(userId)) + " at this practice.</p></body></html>\n",
            404);
    }
    std::string physicianList;
    std::string locationList;
    for (const auto& provider : Practice::ProvidersOf(ctx.db, user->id)) {
        physicianList += (physicianList.empty() ? "" : "|") + provider.id + "~" + provider.name;
        locationList += "[" + provider.id + "]";
        bool first = true;
        for (const auto& [id, name] : Practice::LocationsOf(ctx.db, provider.id)) {
            locationList += (first ? "" : "|") + id + "~" + name;
            first = false;
        }
    }
    const std::string host = request.host.empty() ? ctx.options.bindAddress : request.host;
    std::string serverUrl = "https://" + host;
    if (ctx.httpsPort != 443) {
        serverUrl.append(":").append(std::to_string(ctx.httpsPort));
    }
    serverUrl += '/';

    std::string page = "<!DOCTYPE html>\n<html>\n<head><meta charset=\"utf-8\"><title>Velmo desk - " +
                       Text::HtmlEscape(user->name) + "</title></head>\n<body>\n<p>Signed in as " +
                       Text::HtmlEscape(user->name) + " [" + Text::HtmlEscape(user->id) + "].</p>\n";
    page += "<object id=\"VelmoCtrl\" classid=\"clsid:" + std::string(kControlClassId) +
            "\" width=\"100%\" height=\"640\">\n";
    page += Param("PhysicianList", physicianList);
    page += Param("LocationList", locationList);
    page += Param("ServerURL", serverUrl);
    page += Param("LoggedUserId", user->id);
    page += Param("LoggedUserName", user->name);
    page += Param("SignatureLine", user->signatureLine);
    page += Param("Printprevilage", user->printPrivilege);
    page += Param("DefaultCustomProperty", user->defaultCustomProperty);
    // "?fromdictation=1" opens the desk on the user's pending dictations.
    page += Param("FromDictationFlag", request.query.Value("fromdictation"));
    page += "</object>\n</body>\n</html>\n";
    return Answer::Html(page);
}
