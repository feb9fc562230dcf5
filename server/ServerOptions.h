#pragma once

#include <optional>
#include <string>
#include <vector>

// What the command line asks for:
// report-server --data DIR [--bind ADDR] [--http-port N] [--https-port N] [--extra-https-port N]
//               [--seed demo|FILE] [--no-convert] [--journal FILE] [--fault MODE]
//               [--require-auth USER:PASS] [--authority DIR]
struct ServerOptions {
    std::string dataDir;
    // Where the local authority that signs the HTTPS certificate lives (ca.crt, ca.key); the data
    // folder when not given. Servers that share one are all trusted through its ca.crt.
    std::string authorityDir;
    std::string bindAddress = "127.0.0.1";
    int httpPort = 80;
    int httpsPort = 443;
    int extraHttpsPort = -1; // a second HTTPS port (a ServerURL with a port of its own); -1: none
    bool seedDemo = false;
    std::string seedFile;      // a JSON practice instead of the demo
    bool convertWord97 = true; // the demo's Word 97 report, made with LibreOffice when it is there
    std::string journalPath;
    std::string fault;       // empty: behave
    std::string requireAuth; // "USER:PASS", empty: no authentication
};

// Parses argv; on a mistake returns nothing and sets error to a one-line explanation.
std::optional<ServerOptions> ParseServerOptions(const std::vector<std::string>& args, std::string& error);

// The usage text printed with a command-line mistake.
std::string ServerUsage();
