#include "server/Router.h"

#include "server/Authorization.h"
#include "server/BenchScripts.h"
#include "server/ControlRequests.h"
#include "server/MultipartForm.h"
#include "server/Scripts.h"
#include "server/SendAnswer.h"
#include "server/ServerContext.h"
#include "server/TextUtil.h"
#include "server/ZipArchive.h"

#include <httplib.h>

#include <cstdint>
#include <optional>
#include <string_view>

namespace {

// A form post larger than this is refused without being stored (documents are a few KiB).
constexpr std::size_t kMaxFormBody = 64u * 1024u * 1024u;
// Where the pre-routing step moves a multipart Content-Type, so that the library hands the
// body over raw instead of parsing it with its own rules.
constexpr const char* kFormTypeHeader = "X-Velmo-Form-Content-Type";
// Requests under this path change the server, not the practice.
constexpr const char* kControlPrefix = "/__control/";

const ScriptTable& Scripts() {
    static const ScriptTable table = [] {
        ScriptTable t;
        AddReportListScripts(t);
        AddDocumentScripts(t);
        AddUploadScripts(t);
        AddAddressBookScripts(t);
        AddCustomPropertyScripts(t);
        AddJobScripts(t);
        AddAuditTrailScript(t);
        return t;
    }();
    return table;
}

Script FindScript(const std::string& name) {
    for (const auto& [scriptName, script] : Scripts()) {
        if (Text::EqualsNoCase(scriptName, name)) {
            return script;
        }
    }
    return nullptr;
}

std::string HostWithoutPort(const std::string& host) {
    if (!host.empty() && host.front() == '[') {
        const std::size_t close = host.find(']');
        return close == std::string::npos ? host : host.substr(0, close + 1);
    }
    const std::size_t colon = host.find(':');
    return colon == std::string::npos ? host : host.substr(0, colon);
}

// The request as the scripts see it: path, raw and parsed query, the Host without its port.
ScriptRequest RequestOf(const httplib::Request& req) {
    ScriptRequest request;
    request.method = req.method;
    const std::size_t mark = req.target.find('?');
    request.path = req.target.substr(0, mark);
    request.rawQuery = mark == std::string::npos ? std::string() : req.target.substr(mark + 1);
    request.query = QueryString(request.rawQuery);
    request.host = HostWithoutPort(req.get_header_value("Host"));
    return request;
}

// The journal line's request half; the body and the status are filled in as they become known.
JournalEntry JournalEntryOf(const httplib::Request& req, const ScriptRequest& request,
                            const std::string& scheme) {
    JournalEntry entry;
    entry.method = request.method;
    entry.path = request.path;
    entry.query = request.rawQuery;
    entry.scheme = scheme;
    entry.port = req.local_port;
    if (req.has_header(kFormTypeHeader)) {
        entry.contentType = req.get_header_value(kFormTypeHeader);
    } else if (req.has_header("Content-Type")) {
        entry.contentType = req.get_header_value("Content-Type");
    }
    if (req.has_header("Content-Length")) {
        entry.contentLength = req.get_header_value("Content-Length");
    }
    return entry;
}

// The line goes out when the answer is settled, before the library sends it.
struct JournalOnExit {
    ServerContext& ctx;
    JournalEntry& entry;
    const httplib::Response& res;
    ~JournalOnExit() {
        entry.status = res.status < 0 ? 200 : res.status;
        ctx.journal.Write(entry);
    }
};

struct ReceivedBody {
    std::string bytes;
    std::uint64_t size = 0; // every byte received, kept or not
    bool tooLarge = false;  // more than kMaxFormBody: reading stopped
};

// Reads the body (a GET has no reader). The upload sink's bytes are counted, not kept.
ReceivedBody ReadBody(const httplib::ContentReader* reader, bool countOnly) {
    ReceivedBody body;
    if (reader == nullptr) {
        return body;
    }
    (*reader)([&body, countOnly](const char* data, std::size_t length) {
        body.size += length;
        if (countOnly) {
            return true;
        }
        if (body.bytes.size() + length > kMaxFormBody) {
            body.tooLarge = true;
            return false;
        }
        body.bytes.append(data, length);
        return true;
    });
    return body;
}

// A multipart body becomes the request's parts, and its fields and files the journal's.
void ReadForm(const ReceivedBody& body, ScriptRequest& request, JournalEntry& entry) {
    request.hasBody = body.size > 0;
    if (!body.bytes.empty() && entry.contentType && IsMultipart(*entry.contentType)) {
        if (const auto boundary = MultipartBoundary(*entry.contentType)) {
            if (auto parts = ParseMultipart(body.bytes, *boundary)) {
                request.parts = std::move(*parts);
                request.formIsValid = true;
            }
        }
    }
    for (const FormPart& part : request.parts) {
        if (part.filename) {
            entry.files.push_back(
                JournalFile{part.name, *part.filename, part.value.size(),
                            ZipEntryNames(part.value).value_or(std::vector<std::string>{})});
        } else {
            entry.fields.push_back(JournalField{part.name, part.value});
        }
    }
}

Answer WithStatus(Answer answer, int status) {
    answer.status = status;
    return answer;
}

Answer AuthorizationRequired() {
    Answer answer = WithStatus(Answer::Refusal("Authorization is required to use the report service."), 401);
    answer.headers.emplace_back("WWW-Authenticate", "Basic realm=\"Velmo report service\"");
    return answer;
}

Answer UploadTooLarge() {
    Answer answer = Answer::Refusal("The upload is too large for the report service.");
    answer.headers.emplace_back("Connection", "close");
    return answer;
}

// A hostile server's answer: exactly the bytes the test gave, typed by how they start.
Answer CraftedAnswer(std::string bytes) {
    Answer answer = Answer::Plain(std::move(bytes));
    if (answer.body.rfind("PK", 0) == 0) {
        answer.contentType = "application/zip";
    } else if (answer.body.rfind('<', 0) == 0) {
        answer.contentType = "text/html";
    }
    return answer;
}

// A transfer facility: 302 to any address, for the client's redirect rules.
Answer Redirect(const std::string& to) {
    Answer answer = WithStatus(Answer::Refusal("Moved."), 302);
    answer.headers.emplace_back("Location", to);
    return answer;
}

// A report-service script, with the faults in force for it; 404 when there is none of that name.
void RunScript(ServerContext& ctx, const ScriptRequest& request, const std::string& scriptName,
               httplib::Response& res) {
    const Script script = FindScript(scriptName);
    if (!script) {
        SendAnswer(res, WithStatus(Answer::Refusal("There is no script named " + scriptName + " here."), 404),
                   FaultMode::None);
        return;
    }
    Answer answer;
    try {
        answer = script(ctx, request);
    } catch (const std::exception& error) {
        answer = WithStatus(Answer::Refusal(std::string("The report service failed: ") + error.what()), 500);
    }
    SendAnswer(res, std::move(answer), ctx.faults.For(scriptName));
}

// Who answers, in this order: the credentials check, the size limit, the transfer facilities and
// crafted answers and the host page (never touched by faults), then the scripts.
void Respond(ServerContext& ctx, const httplib::Request& req, const ScriptRequest& request,
             const std::string& scriptName, const ReceivedBody& body, bool sink, httplib::Response& res) {
    if (!Authorized(ctx.options.requireAuth, req.get_header_value("Authorization"))) {
        SendAnswer(res, AuthorizationRequired(), FaultMode::None);
    } else if (body.tooLarge) {
        SendAnswer(res, UploadTooLarge(), FaultMode::None);
    } else if (sink) {
        SendAnswer(res, Answer::Plain(std::string("~").append(std::to_string(body.size))), FaultMode::None);
    } else if (std::optional<std::string> crafted = ctx.crafted.For(scriptName)) {
        SendAnswer(res, CraftedAnswer(std::move(*crafted)), FaultMode::None);
    } else if (Text::EqualsNoCase(scriptName, "bigfile")) {
        if (!ServeBigFile(request.query, res)) {
            SendAnswer(res, WithStatus(Answer::Refusal("The size must be a number of bytes."), 400),
                       FaultMode::None);
        }
    } else if (Text::EqualsNoCase(scriptName, "redirect")) {
        SendAnswer(res, Redirect(request.query.Value("to")), FaultMode::None);
    } else if (Text::EqualsNoCase(scriptName, "desk.php")) {
        SendAnswer(res, HostPage(ctx, request), FaultMode::None);
    } else {
        RunScript(ctx, request, scriptName, res);
    }
}

// One request: read it, journal it (control requests excepted), answer it.
void Handle(ServerContext& ctx, const std::string& scheme, const httplib::Request& req,
            httplib::Response& res, const httplib::ContentReader* reader) {
    ScriptRequest request = RequestOf(req);
    if (request.path.rfind(kControlPrefix, 0) == 0) {
        Control(ctx, req, res, request.path.substr(std::string_view(kControlPrefix).size()), request.query,
                reader);
        return;
    }
    const std::string scriptName = PercentDecode(request.path.substr(request.path.rfind('/') + 1));
    JournalEntry entry = JournalEntryOf(req, request, scheme);
    const JournalOnExit journalOnExit{ctx, entry, res};
    const bool sink = Text::EqualsNoCase(scriptName, "upload-sink");
    const ReceivedBody body = ReadBody(reader, sink);
    entry.bodySize = body.size;
    ReadForm(body, request, entry);
    Respond(ctx, req, request, scriptName, body, sink, res);
}

} // namespace

void InstallRoutes(httplib::Server& server, ServerContext& ctx, const std::string& scheme) {
    server.set_payload_max_length(std::numeric_limits<std::size_t>::max());
    server.set_pre_routing_handler([](const httplib::Request& req, httplib::Response&) {
        // The request object is the library's own, mutable one; only its view here is const.
        auto& request = const_cast<httplib::Request&>(req);
        const auto it = request.headers.find("Content-Type");
        if (it != request.headers.end() && IsMultipart(it->second)) {
            std::string value = it->second;
            request.headers.erase(it);
            request.headers.emplace(kFormTypeHeader, std::move(value));
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.Get(".*", [&ctx, scheme](const httplib::Request& req, httplib::Response& res) {
        Handle(ctx, scheme, req, res, nullptr);
    });
    server.Post(".*", [&ctx, scheme](const httplib::Request& req, httplib::Response& res,
                                     const httplib::ContentReader& reader) {
        Handle(ctx, scheme, req, res, &reader);
    });
}
