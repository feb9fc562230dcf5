#include "server/ControlRequests.h"

#include "server/FaultMode.h"
#include "server/QueryString.h"
#include "server/ServerContext.h"

#include <httplib.h>

namespace {

// A crafted answer is held whole; as large as a form post may be.
constexpr std::size_t kMaxCraftedAnswer = 64u * 1024u * 1024u;

bool FromLoopback(const httplib::Request& req) {
    return req.remote_addr.rfind("127.", 0) == 0 || req.remote_addr == "::1";
}

} // namespace

void Control(ServerContext& ctx, const httplib::Request& req, httplib::Response& res,
             const std::string& action, const QueryString& query, const httplib::ContentReader* reader) {
    const auto answer = [&res](int status, const std::string& text) {
        res.status = status;
        res.set_content(text, "text/plain");
    };
    if (!FromLoopback(req) || req.method != "POST") {
        answer(403, "Faults are set by a POST from the loopback.");
        return;
    }
    const std::string script = query.Value("script");
    if (action == "clear") {
        ctx.faults.Clear(script);
        ctx.crafted.Clear(script);
        answer(200, "cleared");
        return;
    }
    if (action == "answer" && !script.empty()) {
        std::string body;
        bool tooLarge = false;
        if (reader != nullptr) {
            (*reader)([&](const char* data, std::size_t length) {
                tooLarge = tooLarge || body.size() + length > kMaxCraftedAnswer;
                if (!tooLarge) {
                    body.append(data, length);
                }
                return !tooLarge;
            });
        }
        if (tooLarge) {
            answer(400, "The crafted answer is too large.");
            return;
        }
        ctx.crafted.Set(script, std::move(body));
        answer(200, "set");
        return;
    }
    const auto mode = ParseFaultMode(query.Value("mode"));
    if (action != "fault" || !mode) {
        answer(400, "Unknown control request or fault mode.");
        return;
    }
    ctx.faults.Set(script, *mode);
    answer(200, "set");
}
