#include "server/ServerOptions.h"

#include "server/FaultMode.h"

#include <charconv>

namespace {

bool ParsePort(const std::string& text, int& port) {
    int value = -1;
    const auto* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || value < 0 || value > 65535) {
        return false;
    }
    port = value;
    return true;
}

} // namespace

std::string ServerUsage() {
    return "usage: report-server --data DIR [--bind ADDR] [--http-port N] [--https-port N] "
           "[--extra-https-port N] [--seed demo|FILE] [--no-convert] [--journal FILE] [--fault MODE] "
           "[--require-auth USER:PASS] [--authority DIR]";
}

std::optional<ServerOptions> ParseServerOptions(const std::vector<std::string>& args, std::string& error) {
    ServerOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            error = ServerUsage();
            return std::nullopt;
        }
        if (arg == "--no-convert") {
            options.convertWord97 = false;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = "missing value after " + arg;
            return std::nullopt;
        }
        const std::string& value = args[++i];
        if (arg == "--data") {
            options.dataDir = value;
        } else if (arg == "--bind") {
            options.bindAddress = value;
        } else if (arg == "--http-port") {
            if (!ParsePort(value, options.httpPort)) {
                error = "bad HTTP port: " + value;
                return std::nullopt;
            }
        } else if (arg == "--https-port") {
            if (!ParsePort(value, options.httpsPort)) {
                error = "bad HTTPS port: " + value;
                return std::nullopt;
            }
        } else if (arg == "--extra-https-port") {
            if (!ParsePort(value, options.extraHttpsPort)) {
                error = "bad extra HTTPS port: " + value;
                return std::nullopt;
            }
        } else if (arg == "--seed") {
            options.seedDemo = value == "demo";
            options.seedFile = options.seedDemo ? std::string() : value;
        } else if (arg == "--authority") {
            options.authorityDir = value;
        } else if (arg == "--journal") {
            options.journalPath = value;
        } else if (arg == "--fault") {
            if (!ParseFaultMode(value)) {
                error = "unknown fault mode: " + value;
                return std::nullopt;
            }
            options.fault = value;
        } else if (arg == "--require-auth") {
            if (value.find(':') == std::string::npos) {
                error = "--require-auth wants USER:PASS";
                return std::nullopt;
            }
            options.requireAuth = value;
        } else {
            error = "unknown option: " + arg;
            return std::nullopt;
        }
    }
    if (options.dataDir.empty()) {
        error = "--data DIR is required";
        return std::nullopt;
    }
    if (options.authorityDir.empty()) {
        options.authorityDir = options.dataDir;
    }
    return options;
}
