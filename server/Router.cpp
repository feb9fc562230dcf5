#include "server/Router.h"

#include "server/BenchScripts.h"
#include "server/FaultMode.h"
#include "server/MultipartForm.h"
#include "server/Scripts.h"
#include "server/ServerContext.h"
#include "server/TextUtil.h"
#include "server/ZipArchive.h"

#include <httplib.h>

#include <chrono>
#include <memory>
#include <thread>

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

std::string Base64(const std::string& text) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < text.size(); i += 3) {
        const auto n = (static_cast<unsigned>(static_cast<unsigned char>(text[i])) << 16) |
                       (static_cast<unsigned>(static_cast<unsigned char>(text[i + 1])) << 8) |
                       static_cast<unsigned>(static_cast<unsigned char>(text[i + 2]));
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += kAlphabet[(n >> 6) & 63];
        out += kAlphabet[n & 63];
    }
    if (i < text.size()) {
        auto n = static_cast<unsigned>(static_cast<unsigned char>(text[i])) << 16;
        if (i + 1 < text.size()) {
            n |= static_cast<unsigned>(static_cast<unsigned char>(text[i + 1])) << 8;
        }
        out += kAlphabet[(n >> 18) & 63];
        out += kAlphabet[(n >> 12) & 63];
        out += i + 1 < text.size() ? kAlphabet[(n >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

bool Authorized(const ServerContext& ctx, const httplib::Request& req) {
    if (ctx.options.requireAuth.empty()) {
        return true;
    }
    const std::string given = Text::Trim(req.get_header_value("Authorization"));
    return Text::StartsWithNoCase(given, "Basic ") &&
           Text::Trim(given.substr(6)) == Base64(ctx.options.requireAuth);
}

std::string HostWithoutPort(const std::string& host) {
    if (!host.empty() && host.front() == '[') {
        const std::size_t close = host.find(']');
        return close == std::string::npos ? host : host.substr(0, close + 1);
    }
    const std::size_t colon = host.find(':');
    return colon == std::string::npos ? host : host.substr(0, colon);
}

// The fault modes rewrite an answer before it goes out.
Answer Misbehave(FaultMode fault, Answer answer) {
    const bool zipped = answer.kind == AnswerKind::ZippedList || answer.kind == AnswerKind::ZippedFile;
    switch (fault) {
    case FaultMode::Status500:
        answer = Answer::Refusal("Internal Server Error");
        answer.status = 500;
        break;
    case FaultMode::Refuse:
        answer = Answer::Refusal(FaultText::kRefuseSentence);
        break;
    case FaultMode::Empty:
        answer = Answer::Plain(std::string());
        break;
    case FaultMode::ProxyAuth:
        answer = Answer::Refusal(FaultText::kProxySentence);
        answer.status = 407;
        answer.headers.emplace_back("Proxy-Authenticate", FaultText::kProxyChallenge);
        break;
    case FaultMode::Asterisk:
        if (answer.kind == AnswerKind::ZippedList) {
            answer = Answer::Plain(FaultText::kAsteriskSentence);
        }
        break;
    case FaultMode::BadZip:
        if (zipped) {
            // The front half: local headers without the central directory, so no archive.
            answer.body.resize(answer.body.size() / 2);
        }
        break;
    case FaultMode::ZipSlip:
        if (zipped) {
            if (const auto zip = MakeZip({ZipEntry{FaultText::kSlipEntryName, FaultText::kSlipEntryText}})) {
                answer.body = *zip;
            }
        }
        break;
    default:
        break;
    }
    return answer;
}

void Send(httplib::Response& res, Answer answer, FaultMode fault) {
    answer = Misbehave(fault, std::move(answer));
    res.status = answer.status;
    for (const auto& [name, value] : answer.headers) {
        res.set_header(name, value);
    }
    if (fault == FaultMode::BigHeader) {
        res.set_header(FaultText::kBigHeaderName, std::string(FaultText::kBigHeaderSize, 'a'));
    }
    auto body = std::make_shared<std::string>(std::move(answer.body));
    const std::size_t size = body->size();
    switch (fault) {
    case FaultMode::Slow:
        res.set_content_provider(size, answer.contentType,
                                 [body](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                     if (offset > 0) {
                                         std::this_thread::sleep_for(
                                             std::chrono::milliseconds(FaultText::kSlowPauseMs));
                                     }
                                     const std::size_t n = std::min(length, FaultText::kSlowPiece);
                                     return sink.write(body->data() + offset, n);
                                 });
        break;
    case FaultMode::Drop:
        // Content-Length says all of it; half goes out, then the provider gives up and the
        // connection is closed.
        res.set_content_provider(
            size, answer.contentType,
            [body, size](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                const std::size_t half = size / 2;
                if (offset >= half) {
                    return false;
                }
                return sink.write(body->data() + offset, std::min(length, half - offset));
            });
        break;
    case FaultMode::NoLength:
        // No Content-Length: the body goes out chunked (a close-delimited body would leave TLS
        // clients to tell a cut-off from the end).
        res.set_chunked_content_provider(
            answer.contentType, [body](std::size_t offset, httplib::DataSink& sink) {
                if (offset < body->size()) {
                    return sink.write(body->data() + offset, body->size() - offset);
                }
                sink.done();
                return true;
            });
        break;
    default:
        res.set_content(*body, answer.contentType);
        break;
    }
}

bool FromLoopback(const httplib::Request& req) {
    return req.remote_addr.rfind("127.", 0) == 0 || req.remote_addr == "::1";
}

// POST /__control/fault?mode=MODE[&script=NAME], POST /__control/answer?script=NAME (the body is
// the answer) and POST /__control/clear[?script=NAME]: the tests change the faults and crafted
// answers of a running server. Loopback only, and never journaled.
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
                tooLarge = tooLarge || body.size() + length > kMaxFormBody;
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

void Handle(ServerContext& ctx, const std::string& scheme, const httplib::Request& req,
            httplib::Response& res, const httplib::ContentReader* reader) {
    ScriptRequest request;
    request.method = req.method;
    const std::size_t mark = req.target.find('?');
    request.path = req.target.substr(0, mark);
    request.rawQuery = mark == std::string::npos ? std::string() : req.target.substr(mark + 1);
    request.query = QueryString(request.rawQuery);
    request.host = HostWithoutPort(req.get_header_value("Host"));
    const std::string scriptName = PercentDecode(request.path.substr(request.path.rfind('/') + 1));
    if (request.path.rfind(kControlPrefix, 0) == 0) {
        Control(ctx, req, res, request.path.substr(std::string_view(kControlPrefix).size()), request.query,
                reader);
        return;
    }

    JournalEntry entry;
    entry.method = request.method;
    entry.path = request.path;
    entry.query = request.rawQuery;
    entry.scheme = scheme;
    entry.port = req.local_port;
    // The line goes out when the answer is settled, before the library sends it.
    struct JournalOnExit {
        ServerContext& ctx;
        JournalEntry& entry;
        const httplib::Response& res;
        ~JournalOnExit() {
            entry.status = res.status < 0 ? 200 : res.status;
            ctx.journal.Write(entry);
        }
    } journalOnExit{ctx, entry, res};
    if (req.has_header(kFormTypeHeader)) {
        entry.contentType = req.get_header_value(kFormTypeHeader);
    } else if (req.has_header("Content-Type")) {
        entry.contentType = req.get_header_value("Content-Type");
    }
    if (req.has_header("Content-Length")) {
        entry.contentLength = req.get_header_value("Content-Length");
    }

    std::string body;
    bool tooLarge = false;
    const bool sink = Text::EqualsNoCase(scriptName, "upload-sink");
    if (reader) {
        (*reader)([&](const char* data, std::size_t length) {
            entry.bodySize += length;
            if (sink) {
                return true; // counted, not kept
            }
            if (body.size() + length > kMaxFormBody) {
                tooLarge = true;
                return false;
            }
            body.append(data, length);
            return true;
        });
    }
    request.hasBody = entry.bodySize > 0;
    if (!body.empty() && entry.contentType && IsMultipart(*entry.contentType)) {
        if (const auto boundary = MultipartBoundary(*entry.contentType)) {
            if (auto parts = ParseMultipart(body, *boundary)) {
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

    if (!Authorized(ctx, req)) {
        Answer answer = Answer::Refusal("Authorization is required to use the report service.");
        answer.status = 401;
        answer.headers.emplace_back("WWW-Authenticate", "Basic realm=\"Velmo report service\"");
        Send(res, std::move(answer), FaultMode::None);
        return;
    }
    if (tooLarge) {
        Answer answer = Answer::Refusal("The upload is too large for the report service.");
        answer.headers.emplace_back("Connection", "close");
        Send(res, std::move(answer), FaultMode::None);
        return;
    }
    if (sink) {
        Send(res, Answer::Plain("~" + std::to_string(entry.bodySize)), FaultMode::None);
        return;
    }
    if (std::optional<std::string> crafted = ctx.crafted.For(scriptName)) {
        // A hostile server's answer: exactly the bytes the test gave.
        Answer answer = Answer::Plain(std::move(*crafted));
        if (answer.body.rfind("PK", 0) == 0) {
            answer.contentType = "application/zip";
        } else if (answer.body.rfind('<', 0) == 0) {
            answer.contentType = "text/html";
        }
        Send(res, std::move(answer), FaultMode::None);
        return;
    }
    if (Text::EqualsNoCase(scriptName, "bigfile")) {
        if (!ServeBigFile(request.query, res)) {
            Answer answer = Answer::Refusal("The size must be a number of bytes.");
            answer.status = 400;
            Send(res, std::move(answer), FaultMode::None);
        }
        return;
    }
    if (Text::EqualsNoCase(scriptName, "redirect")) {
        // A transfer facility: 302 to any address, for the client's redirect rules.
        Answer answer = Answer::Refusal("Moved.");
        answer.status = 302;
        answer.headers.emplace_back("Location", request.query.Value("to"));
        Send(res, std::move(answer), FaultMode::None);
        return;
    }
    if (Text::EqualsNoCase(scriptName, "desk.php")) {
        Send(res, HostPage(ctx, request), FaultMode::None);
        return;
    }
    const Script script = FindScript(scriptName);
    if (!script) {
        Answer answer = Answer::Refusal("There is no script named " + scriptName + " here.");
        answer.status = 404;
        Send(res, std::move(answer), FaultMode::None);
        return;
    }
    Answer answer;
    try {
        answer = script(ctx, request);
    } catch (const std::exception& error) {
        answer = Answer::Refusal(std::string("The report service failed: ") + error.what());
        answer.status = 500;
    }
    Send(res, std::move(answer), ctx.faults.For(scriptName));
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
