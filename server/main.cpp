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

// Binds server to the address and port (0: any free port); the bound port, or -1.
int Bind(httplib::Server& server, const std::string& address, int port) {
    if (port == 0) {
        return server.bind_to_any_port(address);
    }
    return server.bind_to_port(address, port) ? port : -1;
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

    // Stop on SIGTERM or SIGINT through sigwait below; every thread made from here on inherits
    // the mask, so none of them is interrupted by the signal.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::unique_ptr<ServerContext> ctx;
    try {
        ctx = std::make_unique<ServerContext>(*options, options->dataDir + "/report-server.sqlite");
        ctx->db.CreateSchema();
        if (options->seedDemo && ctx->db.IsEmpty()) {
            SeedDemo(ctx->db, DateText::LocalNow());
            std::cout << (options->convertWord97 ? AddWord97Report(ctx->db, options->dataDir)
                                                 : "demo: R260039 stays RTF: --no-convert was given")
                      << std::endl;
        }
        if (!options->seedFile.empty() && ctx->db.IsEmpty() &&
            !SeedFromFile(ctx->db, options->seedFile, DateText::LocalNow(), error)) {
            return Fail("cannot seed from " + options->seedFile + ": " + error);
        }
    } catch (const DatabaseError& dbError) {
        return Fail(dbError.what());
    }
    if (!options->journalPath.empty() && !ctx->journal.Open(options->journalPath)) {
        return Fail("cannot write the journal " + options->journalPath);
    }
    std::string certPath;
    std::string keyPath;
    std::filesystem::create_directories(options->authorityDir, ec);
    if (!EnsureCertificate(options->authorityDir, options->dataDir, options->bindAddress, certPath, keyPath,
                           error)) {
        return Fail(error);
    }

    httplib::Server http;
    httplib::SSLServer https(certPath.c_str(), keyPath.c_str());
    if (!https.is_valid()) {
        return Fail("cannot load the certificate " + certPath);
    }
    // SO_REUSEADDR only: the library's default adds SO_REUSEPORT, which would let a second server
    // share this address and port instead of failing to start.
    const auto reuseAddress = [](socket_t sock) {
        const int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    };
    httplib::SSLServer extra(certPath.c_str(), keyPath.c_str());
    http.set_socket_options(reuseAddress);
    https.set_socket_options(reuseAddress);
    extra.set_socket_options(reuseAddress);
    InstallRoutes(http, *ctx, "http");
    InstallRoutes(https, *ctx, "https");
    InstallRoutes(extra, *ctx, "https");
    const int httpPort = Bind(http, options->bindAddress, options->httpPort);
    if (httpPort < 0) {
        return Fail("cannot bind " + options->bindAddress + " port " + std::to_string(options->httpPort));
    }
    const int httpsPort = Bind(https, options->bindAddress, options->httpsPort);
    if (httpsPort < 0) {
        return Fail("cannot bind " + options->bindAddress + " port " + std::to_string(options->httpsPort));
    }
    ctx->httpPort = httpPort;
    ctx->httpsPort = httpsPort;
    int extraPort = -1;
    if (options->extraHttpsPort >= 0) {
        extraPort = Bind(extra, options->bindAddress, options->extraHttpsPort);
        if (extraPort < 0) {
            return Fail("cannot bind " + options->bindAddress + " port " +
                        std::to_string(options->extraHttpsPort));
        }
    }

    if (options->seedDemo) {
        const std::lock_guard lock(ctx->dbMutex);
        for (const auto& user : Practice::AllUsers(ctx->db)) {
            std::cout << "demo user " << user.id << ": " << user.name << " ("
                      << (user.role == "provider" ? "care provider" : "office staff") << ")\n";
        }
        std::cout << "host page: https://" << options->bindAddress
                  << (httpsPort == 443 ? std::string() : ":" + std::to_string(httpsPort))
                  << "/desk.php?user=ID\n";
    }
    std::cout << "authority: " << AuthorityCertificatePath(options->authorityDir) << "\n";
    std::cout << "listening on " << options->bindAddress << " http=" << httpPort << " https=" << httpsPort;
    if (extraPort >= 0) {
        std::cout << " extra-https=" << extraPort;
    }
    std::cout << std::endl;

    std::thread httpThread([&http] { http.listen_after_bind(); });
    std::thread httpsThread([&https] { https.listen_after_bind(); });
    std::thread extraThread;
    if (extraPort >= 0) {
        extraThread = std::thread([&extra] { extra.listen_after_bind(); });
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
    return 0;
}
