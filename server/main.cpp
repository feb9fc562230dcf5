// report-server: a stand-in for the report service, for the demo and the tests.
#include "server/Certificate.h"
#include "server/DateText.h"
#include "server/DemoSeed.h"
#include "server/Practice.h"
#include "server/Router.h"
#include "server/SeedFile.h"
#include "server/ServerContext.h"
#include "server/ServerOptions.h"

#include <httplib.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <thread>

namespace {

int Fail(const std::string& message) {
    std::cerr << "report-server: " << message << std::endl;
    return 1;
}

// Stop on SIGTERM or SIGINT through sigwait; every thread made after this inherits the mask, so
// none of them is interrupted by the signal.
sigset_t BlockStopSignals() {
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return stopSignals;
}

// The database, seeded when empty (the demo or a seed file), and the journal; nothing, with the
// reason in error, when one of them cannot be had.
std::unique_ptr<ServerContext> OpenContext(const ServerOptions& options, std::string& error) {
    std::unique_ptr<ServerContext> ctx;
    try {
        ctx = std::make_unique<ServerContext>(options, options.dataDir + "/report-server.sqlite");
        ctx->db.CreateSchema();
        if (options.seedDemo && ctx->db.IsEmpty()) {
            SeedDemo(ctx->db, DateText::LocalNow());
            std::cout << (options.convertWord97 ? AddWord97Report(ctx->db, options.dataDir)
                                                : "demo: R260039 stays RTF: --no-convert was given")
                      << std::endl;
        }
        std::string seedError;
        if (!options.seedFile.empty() && ctx->db.IsEmpty() &&
            !SeedFromFile(ctx->db, options.seedFile, DateText::LocalNow(), seedError)) {
            error = "cannot seed from " + options.seedFile + ": " + seedError;
            return nullptr;
        }
    } catch (const DatabaseError& dbError) {
        error = dbError.what();
        return nullptr;
    }
    if (!options.journalPath.empty() && !ctx->journal.Open(options.journalPath)) {
        error = "cannot write the journal " + options.journalPath;
        return nullptr;
    }
    return ctx;
}

// Binds server to the address and port (0: any free port); the bound port, or -1.
int Bind(httplib::Server& server, const std::string& address, int port) {
    if (port == 0) {
        return server.bind_to_any_port(address);
    }
    return server.bind_to_port(address, port) ? port : -1;
}

// The plain and TLS servers, and the second TLS port a ServerURL with a port of its own reaches.
struct Listeners {
    Listeners(const std::string& certPath, const std::string& keyPath)
        : https(certPath.c_str(), keyPath.c_str()), extra(certPath.c_str(), keyPath.c_str()) {}

    // Routes and binds every server asked for; false, with the reason in error, when one cannot.
    bool Bind(const ServerOptions& options, ServerContext& ctx, std::string& error) {
        // SO_REUSEADDR only: the library's default adds SO_REUSEPORT, which would let a second
        // server share this address and port instead of failing to start.
        const auto reuseAddress = [](socket_t sock) {
            const int yes = 1;
            setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        };
        http.set_socket_options(reuseAddress);
        https.set_socket_options(reuseAddress);
        extra.set_socket_options(reuseAddress);
        InstallRoutes(http, ctx, "http");
        InstallRoutes(https, ctx, "https");
        InstallRoutes(extra, ctx, "https");
        const auto bind = [&](httplib::Server& server, int port, int& bound) {
            bound = ::Bind(server, options.bindAddress, port);
            if (bound < 0) {
                error = "cannot bind " + options.bindAddress + " port " + std::to_string(port);
            }
            return bound >= 0;
        };
        if (!bind(http, options.httpPort, httpPort) || !bind(https, options.httpsPort, httpsPort) ||
            (options.extraHttpsPort >= 0 && !bind(extra, options.extraHttpsPort, extraPort))) {
            return false;
        }
        ctx.httpPort = httpPort;
        ctx.httpsPort = httpsPort;
        return true;
    }

    // Serves until SIGTERM or SIGINT, then stops every server and waits for it.
    void ServeUntil(const sigset_t& stopSignals) {
        std::thread httpThread([this] { http.listen_after_bind(); });
        std::thread httpsThread([this] { https.listen_after_bind(); });
        std::thread extraThread;
        if (extraPort >= 0) {
            extraThread = std::thread([this] { extra.listen_after_bind(); });
        }
        int signal = 0;
        sigwait(&stopSignals, &signal);
        // stop() only reaches a server whose accept loop has begun; a signal right after start-up
        // may come before that.
        for (int i = 0;
             i < 2000 && !(http.is_running() && https.is_running() && (extraPort < 0 || extra.is_running()));
             ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        http.stop();
        https.stop();
        extra.stop();
        httpThread.join();
        httpsThread.join();
        if (extraThread.joinable()) {
            extraThread.join();
        }
    }

    httplib::Server http;
    httplib::SSLServer https;
    httplib::SSLServer extra;
    int httpPort = -1;
    int httpsPort = -1;
    int extraPort = -1;
};

// What the demo and the tests read from the server's output: the demo's users and host page,
// the authority to trust and the ports bound.
void Announce(const ServerOptions& options, ServerContext& ctx, const Listeners& listeners) {
    if (options.seedDemo) {
        const std::lock_guard lock(ctx.dbMutex);
        for (const auto& user : Practice::AllUsers(ctx.db)) {
            std::cout << "demo user " << user.id << ": " << user.name << " ("
                      << (user.role == "provider" ? "care provider" : "office staff") << ")\n";
        }
        std::cout << "host page: https://" << options.bindAddress;
        if (listeners.httpsPort != 443) {
            std::cout << ':' << listeners.httpsPort;
        }
        std::cout << "/desk.php?user=ID\n";
    }
    std::cout << "authority: " << AuthorityCertificatePath(options.authorityDir) << "\n";
    std::cout << "listening on " << options.bindAddress << " http=" << listeners.httpPort
              << " https=" << listeners.httpsPort;
    if (listeners.extraPort >= 0) {
        std::cout << " extra-https=" << listeners.extraPort;
    }
    std::cout << std::endl;
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = ParseServerOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "report-server: " << error << "\n" << ServerUsage() << std::endl;
        return 2;
    }
    std::error_code ec;
    std::filesystem::create_directories(options->dataDir, ec);
    if (!std::filesystem::is_directory(options->dataDir)) {
        return Fail("cannot use the data folder " + options->dataDir);
    }
    const sigset_t stopSignals = BlockStopSignals();
    const std::unique_ptr<ServerContext> ctx = OpenContext(*options, error);
    if (!ctx) {
        return Fail(error);
    }
    std::string certPath;
    std::string keyPath;
    std::filesystem::create_directories(options->authorityDir, ec);
    if (!EnsureCertificate(options->authorityDir, options->dataDir, options->bindAddress, certPath, keyPath,
                           error)) {
        return Fail(error);
    }
    Listeners listeners(certPath, keyPath);
    if (!listeners.https.is_valid()) {
        return Fail("cannot load the certificate " + certPath);
    }
    if (!listeners.Bind(*options, *ctx, error)) {
        return Fail(error);
    }
    Announce(*options, *ctx, listeners);
    listeners.ServeUntil(stopSignals);
    return 0;
}
