#pragma once

#include <string>

namespace httplib {
struct Request;
struct Response;
class ContentReader;
} // namespace httplib
class QueryString;
struct ServerContext;

// POST /__control/fault?mode=MODE[&script=NAME], POST /__control/answer?script=NAME (the body is
// the answer) and POST /__control/clear[?script=NAME]: the tests change the faults and crafted
// answers of a running server. Loopback only, and never journaled. action is the path after
// "/__control/"; reader is null for a GET.
void Control(ServerContext& ctx, const httplib::Request& req, httplib::Response& res,
             const std::string& action, const QueryString& query, const httplib::ContentReader* reader);
