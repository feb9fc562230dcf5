#include "server/DictationAudio.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

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

namespace {

constexpr int kDictationRate = 8000;
constexpr std::size_t kHeaderSize = 1024; // version 2: two blocks
constexpr std::size_t kBlockSize = 512;
constexpr std::size_t kBlockHeaderSize = 6;
constexpr std::size_t kAuthorOffset = 0x0c;
constexpr std::size_t kAuthorSize = 16;
constexpr std::size_t kStartTimeOffset = 0x26;
constexpr std::size_t kEndTimeOffset = 0x32;
constexpr std::size_t kTimeSize = 12;
constexpr std::size_t kCodecOffset = 0x2a4;
constexpr char kCodecG723 = 2;
constexpr std::size_t kCommentOffset = 0x31e;
constexpr std::size_t kCommentSize = 64;

std::uint32_t GetLe(const std::string& in, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(in[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

void PutText(std::string& header, std::size_t at, std::size_t size, const std::string& text) {
    header.replace(at, std::min(size, text.size()), text.substr(0, size));
}

// The G.723.1 frames (6.3 kbit/s, 24 bytes per 30 ms) of 8 kHz mono samples.
std::string EncodeG723(const std::vector<std::int16_t>& samples) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_G723_1);
    if (!codec) {
        return {};
    }
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    std::string out;
    bool ok = ctx && frame && packet;
    if (ok) {
        ctx->sample_rate = kDictationRate;
        ctx->sample_fmt = AV_SAMPLE_FMT_S16;
        ctx->bit_rate = 6300;
        av_channel_layout_default(&ctx->ch_layout, 1);
        ok = avcodec_open2(ctx, codec, nullptr) >= 0 && ctx->frame_size > 0;
    }
    auto drain = [&] {
        while (avcodec_receive_packet(ctx, packet) >= 0) {
            out.append(reinterpret_cast<const char*>(packet->data), static_cast<std::size_t>(packet->size));
            av_packet_unref(packet);
        }
    };
    if (ok) {
        const auto frameSize = static_cast<std::size_t>(ctx->frame_size);
        frame->nb_samples = ctx->frame_size;
        frame->format = ctx->sample_fmt;
        ok = av_channel_layout_copy(&frame->ch_layout, &ctx->ch_layout) >= 0 &&
             av_frame_get_buffer(frame, 0) >= 0;
        for (std::size_t at = 0; ok && at < samples.size(); at += frameSize) {
            ok = av_frame_make_writable(frame) >= 0;
            auto* data = reinterpret_cast<std::int16_t*>(frame->data[0]);
            const std::size_t n = std::min(frameSize, samples.size() - at);
            std::copy_n(samples.begin() + static_cast<std::ptrdiff_t>(at), n, data);
            std::fill(data + n, data + frameSize, std::int16_t{0}); // the last frame is padded with silence
            frame->pts = static_cast<std::int64_t>(at);
            ok = ok && avcodec_send_frame(ctx, frame) >= 0;
            drain();
        }
        if (ok && avcodec_send_frame(ctx, nullptr) >= 0) {
            drain();
        }
    }
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&ctx);
    return ok ? out : std::string{};
}

} // namespace

std::vector<std::int16_t> WavToDictationRate(const std::string& wav) {
    if (wav.size() < 12 || wav.compare(0, 4, "RIFF") != 0 || wav.compare(8, 4, "WAVE") != 0) {
        return {};
    }
    int channels = 0;
    int rate = 0;
    int bits = 0;
    std::size_t dataAt = 0;
    std::size_t dataSize = 0;
    // Chunks: "fmt " and "data" matter, the rest is skipped; sizes are clamped to the file.
    for (std::size_t at = 12; at + 8 <= wav.size() && dataAt == 0;) {
        const std::string id = wav.substr(at, 4);
        const std::size_t size = std::min<std::size_t>(GetLe(wav, at + 4, 4), wav.size() - at - 8);
        if (id == "fmt " && size >= 16) {
            if (GetLe(wav, at + 8, 2) != 1) {
                return {}; // not PCM
            }
            channels = static_cast<int>(GetLe(wav, at + 10, 2));
            rate = static_cast<int>(GetLe(wav, at + 12, 4));
            bits = static_cast<int>(GetLe(wav, at + 22, 2));
        } else if (id == "data") {
            dataAt = at + 8;
            dataSize = size;
        }
        at += 8 + size + (size & 1u);
    }
    if (dataAt == 0 || bits != 16 || channels < 1 || channels > 8 || rate < 1000 || rate > 192000) {
        return {};
    }
    const int inSamples = static_cast<int>(dataSize / (2u * static_cast<unsigned>(channels)));
    AVChannelLayout inLayout{};
    AVChannelLayout outLayout{};
    av_channel_layout_default(&inLayout, channels);
    av_channel_layout_default(&outLayout, 1);
    SwrContext* swr = nullptr;
    std::vector<std::int16_t> out;
    if (swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, kDictationRate, &inLayout, AV_SAMPLE_FMT_S16,
                            rate, 0, nullptr) >= 0 &&
        swr_init(swr) >= 0) {
        out.resize(static_cast<std::size_t>(swr_get_out_samples(swr, inSamples)) + 64);
        const auto* in = reinterpret_cast<const std::uint8_t*>(wav.data() + dataAt);
        auto* dst = reinterpret_cast<std::uint8_t*>(out.data());
        const int made = swr_convert(swr, &dst, static_cast<int>(out.size()), &in, inSamples);
        int flushed = 0;
        if (made >= 0) {
            std::uint8_t* rest = reinterpret_cast<std::uint8_t*>(out.data() + made);
            flushed = swr_convert(swr, &rest, static_cast<int>(out.size()) - made, nullptr, 0);
        }
        out.resize(made < 0 ? 0u : static_cast<std::size_t>(made + std::max(flushed, 0)));
    }
    swr_free(&swr);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    return out;
}

std::string EncodeDss(const std::vector<std::int16_t>& samples, const DssInfo& info) {
    const std::string frames = EncodeG723(samples);
    if (frames.empty()) {
        return {};
    }
    std::string dss(kHeaderSize, '\0');
    dss[0] = 2; // version: the header is two blocks
    dss.replace(1, 3, "dss");
    PutText(dss, kAuthorOffset, kAuthorSize, info.author);
    PutText(dss, kStartTimeOffset, kTimeSize, info.startTime);
    PutText(dss, kEndTimeOffset, kTimeSize, info.endTime);
    dss[kCodecOffset] = kCodecG723;
    PutText(dss, kCommentOffset, kCommentSize, info.comment);

    // The frames are one stream cut into block payloads; a reader skips each block header.
    constexpr std::size_t kPayload = kBlockSize - kBlockHeaderSize;
    for (std::size_t at = 0; at < frames.size(); at += kPayload) {
        std::string block(kBlockHeaderSize, '\0');
        block += frames.substr(at, kPayload);
        block.resize(kBlockSize, '\xff'); // 0xFF never starts a frame: it marks the end
        dss += block;
    }
    return dss;
}

std::string MakeDictationAudio(const std::string& sentence, const std::string& scratchDir) {
    std::string wav = Speak(sentence, scratchDir);
    if (wav.empty()) {
        wav = ToneWav();
    }
    const std::vector<std::int16_t> samples = WavToDictationRate(wav);
    const double seconds = static_cast<double>(samples.size()) / kDictationRate;
    // A recorder writes the start and end of the recording; the demo's dictations start at
    // a fixed moment so that the files are the same from run to run.
    const int length = static_cast<int>(std::ceil(seconds));
    char endTime[32]; // room for any int the compiler cannot rule out
    std::snprintf(endTime, sizeof endTime, "26010509%02d%02d", std::min(length / 60, 59), length % 60);
    const std::string dss =
        EncodeDss(samples, DssInfo{"DEMO", sentence.substr(0, kCommentSize), "260105090000", endTime});
    return dss.empty() ? wav : dss;
}
