#pragma once

#include <string>

namespace httplib {
class Server;
}
struct ServerContext;

// Registers the one request handler on server (the HTTP and the HTTPS server get the same).
// It reads the body itself (the desk's multipart header is not the usual form), writes the
// journal line before answering, checks --require-auth, runs the script and applies the faults in force.
// scheme ("http" or "https") goes into the journal with the port the request came in on.
void InstallRoutes(httplib::Server& server, ServerContext& ctx, const std::string& scheme);
