#include "server/DictationAudio.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

extern char** environ;

namespace {

void PutLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFFu);
    }
}

constexpr auto kSpeechTimeout = std::chrono::seconds(15);
constexpr std::size_t kMaxAudioBytes = 16u * 1024u * 1024u;

// Runs espeak-ng (no shell involved) and returns the WAV it wrote, or nothing.
std::string Speak(const std::string& sentence, const std::string& scratchDir) {
    const std::string path = scratchDir + "/speech-" + std::to_string(::getpid()) + "-" +
                             std::to_string(std::hash<std::thread::id>{}(std::this_thread::get_id())) +
                             ".wav";
    std::vector<std::string> args{"espeak-ng", "-s", "150", "-w", path, sentence};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "espeak-ng", nullptr, nullptr, argv.data(), environ) != 0) {
        return {};
    }
    const auto deadline = std::chrono::steady_clock::now() + kSpeechTimeout;
    int status = 0;
    while (true) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            break;
        }
        if (done < 0 || std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ::unlink(path.c_str());
            return {};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::string wav;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        std::ifstream in(path, std::ios::binary);
        wav.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (wav.size() > kMaxAudioBytes || wav.size() < 44 || wav.compare(0, 4, "RIFF") != 0) {
            wav.clear();
        }
    }
    ::unlink(path.c_str());
    return wav;
}

} // namespace

std::string ToneWav() {
    constexpr std::uint32_t kRate = 8000;
    constexpr double kPi = 3.14159265358979323846;
    std::vector<std::int16_t> samples;
    // Three beeps of a quarter second with pauses, 1.5 s in all.
    for (int beep = 0; beep < 3; ++beep) {
        const double frequency = 440.0 + 110.0 * beep;
        for (std::uint32_t i = 0; i < kRate / 4; ++i) {
            samples.push_back(
                static_cast<std::int16_t>(8000.0 * std::sin(2.0 * kPi * frequency * i / kRate)));
        }
        samples.insert(samples.end(), kRate / 4, 0);
    }
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::string wav = "RIFF";
    PutLe(wav, 36 + dataBytes, 4);
    wav += "WAVEfmt ";
    PutLe(wav, 16, 4);
    PutLe(wav, 1, 2); // PCM
    PutLe(wav, 1, 2); // mono
    PutLe(wav, kRate, 4);
    PutLe(wav, kRate * 2, 4);
    PutLe(wav, 2, 2);
    PutLe(wav, 16, 2);
    wav += "data";
    PutLe(wav, dataBytes, 4);
    for (const std::int16_t sample : samples) {
        PutLe(wav, static_cast<std::uint16_t>(sample), 2);
    }
    return wav;
}

std::string MakeDictationAudio(const std::string& sentence, const std::string& scratchDir) {
    std::string wav = Speak(sentence, scratchDir);
    return wav.empty() ? ToneWav() : wav;
}
