#include "server/DemoSeed.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

// The demo report stored as Word 97 when LibreOffice can make it.
constexpr const char* kWord97Report = "R260039";
constexpr std::string_view kWord97Magic{"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8};
constexpr std::uintmax_t kMaxDocumentBytes = 16u * 1024u * 1024u;
constexpr int kConvertTimeoutMs = 120000;

std::string FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string rest = path != nullptr ? path : "";
    for (std::size_t start = 0; start <= rest.size();) {
        const std::size_t end = std::min(rest.find(':', start), rest.size());
        const std::string dir = rest.substr(start, end - start);
        std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    return {};
}

std::optional<std::string> ReadSmallFile(const std::filesystem::path& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxDocumentBytes) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return in.bad() ? std::nullopt : std::optional<std::string>(bytes);
}

bool IsWord97(const std::optional<std::string>& bytes) {
    return bytes && bytes->compare(0, kWord97Magic.size(), kWord97Magic) == 0;
}

// Runs soffice to turn rtf into a Word 97 file in dir; its output goes nowhere, so the server's
// start-up lines stay readable. Bounded in time.
bool Convert(const std::string& soffice, const std::filesystem::path& rtf, const std::filesystem::path& dir) {
    const std::string profile = "-env:UserInstallation=file://" + (dir / "profile").string();
    std::vector<std::string> args{soffice,          "--headless", profile,    "--convert-to",
                                  "doc:MS Word 97", rtf.string(), "--outdir", dir.string()};
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // The server blocks its stop signals for sigwait; the converter must not inherit that.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, soffice.c_str(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        return false;
    }
    int status = 0;
    for (int waited = 0; waited < kConvertTimeoutMs; waited += 50) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
    return false;
}

std::string Fnv1a(const std::string& bytes) {
    std::uint64_t hash = 1469598103934665603ull;
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

} // namespace

std::string AddWord97Report(Database& db, const std::string& dataDir) {
    const std::string leftOut = std::string("demo: ") + kWord97Report + " stays RTF: ";
    const std::string soffice = FindOnPath("soffice");
    if (soffice.empty()) {
        return leftOut + "soffice is not on PATH, so no Word 97 document was made";
    }
    auto stmt = db.Prepare("SELECT document FROM reports WHERE name = ?");
    stmt.Bind(1, kWord97Report);
    if (!stmt.Step()) {
        return leftOut + "the report is missing";
    }
    const std::string rtf = stmt.Blob(0);
    // A conversion costs seconds; the same document (same day) is made once per machine.
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path cacheDir = fs::temp_directory_path(ec) / "velmo-report-server-word97";
    const fs::path cached = cacheDir / (Fnv1a(rtf) + ".doc");
    std::optional<std::string> word = ReadSmallFile(cached);
    if (!IsWord97(word)) {
        const fs::path work = fs::path(dataDir) / "word97";
        fs::create_directories(work, ec);
        const fs::path source = work / (std::string(kWord97Report) + ".rtf");
        std::ofstream(source, std::ios::binary) << rtf;
        if (!Convert(soffice, source, work)) {
            return leftOut + "soffice could not convert it";
        }
        word = ReadSmallFile(work / (std::string(kWord97Report) + ".doc"));
        if (!IsWord97(word)) {
            return leftOut + "soffice wrote no Word 97 file";
        }
        fs::create_directories(cacheDir, ec);
        const fs::path temporary = cacheDir / (Fnv1a(rtf) + "." + std::to_string(::getpid()) + ".tmp");
        std::ofstream(temporary, std::ios::binary) << *word;
        fs::rename(temporary, cached, ec);
    }
    db.Prepare("UPDATE reports SET document = ? WHERE name = ?")
        .BindBlob(1, *word)
        .Bind(2, kWord97Report)
        .Run();
    return std::string("demo: ") + kWord97Report + " is stored as a Word 97 document";
}
