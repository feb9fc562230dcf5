// Converts DSS dictations of a few lengths (default 1, 10 and 30 minutes) with the DSSDecoder
// program, as the desk runs it, and prints for each: wall and processor time, the real-time
// factor (audio seconds per wall second) and the converter's peak resident memory.
//   bench_decoder [MINUTES...]
#include "server/DictationAudio.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kRate = 8000;
constexpr double kPi = 3.14159265358979323846;

// Speech-like sound: a voiced tone with harmonics, its pitch drifting, cut into syllables and
// pauses, so that the codec works as it does on a dictation (not on silence).
std::vector<std::int16_t> Dictation(double seconds) {
    std::vector<std::int16_t> s(static_cast<std::size_t>(seconds * kRate));
    double phase = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double pitch = 120.0 + 30.0 * std::sin(2 * kPi * 0.3 * t);
        phase += 2 * kPi * pitch / kRate;
        const double syllable = std::max(0.0, std::sin(2 * kPi * 4.0 * t));
        const double pause = std::fmod(t, 6.0) < 5.0 ? 1.0 : 0.0;
        const double voice = std::sin(phase) + 0.5 * std::sin(2 * phase) + 0.3 * std::sin(3 * phase);
        s[i] = static_cast<std::int16_t>(5000.0 * voice * syllable * pause);
    }
    return s;
}

struct Result {
    int status = -1;
    double wallSeconds = 0;
    double cpuSeconds = 0;
    long peakKilobytes = 0;
};

Result Convert(const std::string& parameters) {
    std::string program = VELMO_DSSDECODER_PATH;
    std::string text = parameters;
    char* argv[] = {program.data(), text.data(), nullptr};
    Result r;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
        return r;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    r.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    r.peakKilobytes = usage.ru_maxrss;
    return r;
}

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atol(line.c_str() + 6);
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<double> minutes;
    for (int i = 1; i < argc; ++i) {
        minutes.push_back(std::atof(argv[i]));
    }
    if (minutes.empty()) {
        minutes = {1, 10, 30};
    }
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("bench_decoder-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::printf("bench_decoder: own resident memory %.1f MB (a spawned peak never reads below it)\n",
                static_cast<double>(ResidentKilobytes()) / 1024.0);
    std::printf("%8s %10s %10s %10s %10s %12s\n", "minutes", "dss KB", "wall s", "cpu s", "x realtime",
                "peak MB");
    for (const double m : minutes) {
        const std::string in = (dir / "dictation.dss").string();
        const std::string out = (dir / "dictation.wav").string();
        // A child process makes the dictation: a spawned program's peak memory starts from its
        // parent's, so the bench itself must stay small.
        const pid_t maker = fork();
        if (maker == 0) {
            const std::string dss = EncodeDss(Dictation(m * 60.0), DssInfo{});
            std::ofstream(in, std::ios::binary).write(dss.data(), static_cast<std::streamsize>(dss.size()));
            _exit(dss.empty() ? 1 : 0);
        }
        int made = -1;
        waitpid(maker, &made, 0);
        if (maker < 0 || !WIFEXITED(made) || WEXITSTATUS(made) != 0) {
            std::fprintf(stderr, "bench_decoder: no G.723.1 encoder\n");
            return 1;
        }
        const auto dssBytes = std::filesystem::file_size(in);
        Result best;
        for (int run = 0; run < 3; ++run) { // the best of three: the machine is shared
            const Result r = Convert(in + "|" + out);
            if (r.status != 0) {
                std::fprintf(stderr, "bench_decoder: the conversion failed (%d)\n", r.status);
                return 1;
            }
            if (run == 0 || r.wallSeconds < best.wallSeconds) {
                best = r;
            }
        }
        std::printf("%8.0f %10zu %10.3f %10.3f %10.0f %12.1f\n", m, static_cast<std::size_t>(dssBytes / 1024),
                    best.wallSeconds, best.cpuSeconds, m * 60.0 / best.wallSeconds,
                    static_cast<double>(best.peakKilobytes) / 1024.0);
        std::filesystem::remove(out);
        std::filesystem::rename(in, dir / ("dictation-" + std::to_string(static_cast<int>(m)) + "min.dss"));
    }
    if (std::getenv("BENCH_DECODER_KEEP")) {
        std::printf("the dictations are kept in %s\n", dir.c_str());
    } else {
        std::filesystem::remove_all(dir);
    }
    return 0;
}
