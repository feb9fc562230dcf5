#include "decoder/AudioConverter.h"

#include "decoder/WaveFileWriter.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace {

constexpr int kDssBlock = 512;
constexpr int kMinRate = 8000;
constexpr int kMaxRate = 48000;
constexpr double kShortfall = 0.98;   // audio below this share of the declared length: cut short
constexpr double kSlackSeconds = 0.1; // codec padding at the end of short files

std::uint32_t Le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// A WAVE file whose data chunk claims more bytes than the file holds was cut short (FFmpeg
// quietly plays what is there). 0 and 0xFFFFFFFF are what streaming writers leave.
bool WaveCutShort(const std::string& path, std::uint64_t fileSize) {
    std::ifstream in(path, std::ios::binary);
    std::array<unsigned char, 8> chunk{};
    std::uint64_t at = 12;
    for (int seen = 0; seen < 64 && at + 8 <= fileSize; ++seen) {
        in.seekg(static_cast<std::streamoff>(at));
        if (!in.read(reinterpret_cast<char*>(chunk.data()), chunk.size())) {
            return false;
        }
        const std::uint32_t size = Le32(chunk.data() + 4);
        if (std::equal(chunk.begin(), chunk.begin() + 4, "data")) {
            return size != 0 && size != 0xFFFFFFFFu && at + 8 + size > fileSize;
        }
        at += 8 + static_cast<std::uint64_t>(size) + (size & 1u);
    }
    return false;
}

// Everything FFmpeg hands out for one conversion, released together.
struct Session {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwrContext* swr = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    ~Session() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        swr_free(&swr);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }
};

class Converter {
public:
    Converter(const std::string& input, const std::string& output, const ConversionLimits& limits)
        : input_(input), writer_(output), limits_(limits) {}

    bool Run(std::string& error);

private:
    bool OpenInput(std::string& error);
    bool Decode(std::string& error);
    bool Drain(std::string& error);
    bool Emit(const std::uint8_t** data, int samples, std::string& error);

    std::string input_;
    WaveFileWriter writer_;
    ConversionLimits limits_;
    Session s_;
    int stream_ = -1;
    int outRate_ = 0;
    int outChannels_ = 0;
    std::uint64_t maxFrames_ = 0;
    std::uint64_t fileSize_ = 0;
    std::vector<std::int16_t> buffer_;
    std::int64_t audioPackets_ = 0;
    std::int64_t badPackets_ = 0;
};

bool Converter::OpenInput(std::string& error) {
    struct stat info {};
    if (::stat(input_.c_str(), &info) != 0) {
        error = "cannot read " + input_;
        return false;
    }
    // Pipes and devices may never end.
    if (!S_ISREG(info.st_mode)) {
        error = input_ + " is not a file";
        return false;
    }
    fileSize_ = static_cast<std::uint64_t>(info.st_size);
    if (fileSize_ == 0) {
        error = input_ + " is empty";
        return false;
    }
    if (info.st_size > limits_.maxInputBytes) {
        error = input_ + " is too large";
        return false;
    }
    // Only the file itself: a playlist-like input must not reach other files or the network.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const int opened = avformat_open_input(&s_.format, input_.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0) {
        error = input_ + " is not audio that can be read";
        return false;
    }
    // The analysis reads ahead and drops read errors quietly; a container whose header already
    // describes its audio (DSS, WAVE) skips it, so that damage surfaces while decoding.
    bool described = s_.format->nb_streams > 0 && !(s_.format->ctx_flags & AVFMTCTX_NOHEADER);
    for (unsigned i = 0; i < s_.format->nb_streams; ++i) {
        const AVCodecParameters* p = s_.format->streams[i]->codecpar;
        described = described && p->codec_id != AV_CODEC_ID_NONE && p->sample_rate > 0 &&
                    p->ch_layout.nb_channels > 0;
    }
    if (!described && avformat_find_stream_info(s_.format, nullptr) < 0) {
        error = input_ + " is not audio that can be read";
        return false;
    }
    const AVCodec* decoder = nullptr;
    stream_ = av_find_best_stream(s_.format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (stream_ < 0 || !decoder) {
        error = input_ + " holds no audio that can be decoded";
        return false;
    }
    const std::string format = s_.format->iformat->name;
    // A DSS file is whole 512-byte blocks; anything else was cut short in transfer.
    if (format == "dss" && fileSize_ % kDssBlock != 0) {
        error = input_ + " was cut short";
        return false;
    }
    if (format == "wav" && WaveCutShort(input_, fileSize_)) {
        error = input_ + " was cut short";
        return false;
    }
    s_.codec = avcodec_alloc_context3(decoder);
    if (!s_.codec || avcodec_parameters_to_context(s_.codec, s_.format->streams[stream_]->codecpar) < 0 ||
        avcodec_open2(s_.codec, decoder, nullptr) < 0) {
        error = "cannot decode the audio of " + input_;
        return false;
    }
    return true;
}

bool Converter::Emit(const std::uint8_t** data, int samples, std::string& error) {
    if (!s_.swr) {
        // The decoder knows its output format for sure only once it has produced a frame.
        AVChannelLayout outLayout{};
        outChannels_ = std::clamp(s_.frame->ch_layout.nb_channels, 1, 2);
        av_channel_layout_default(&outLayout, outChannels_);
        outRate_ = std::clamp(s_.frame->sample_rate, kMinRate, kMaxRate);
        const int made = swr_alloc_set_opts2(
            &s_.swr, &outLayout, AV_SAMPLE_FMT_S16, outRate_, &s_.frame->ch_layout,
            static_cast<AVSampleFormat>(s_.frame->format), s_.frame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&outLayout);
        if (made < 0 || swr_init(s_.swr) < 0) {
            error = "cannot convert the audio of " + input_;
            return false;
        }
        maxFrames_ = static_cast<std::uint64_t>(limits_.maxSeconds * outRate_);
        if (!writer_.Open(outRate_, outChannels_, error)) {
            return false;
        }
    }
    const int room = swr_get_out_samples(s_.swr, samples);
    if (room < 0) {
        error = "cannot convert the audio of " + input_;
        return false;
    }
    buffer_.resize(static_cast<std::size_t>(room) * static_cast<std::size_t>(outChannels_));
    auto* out = reinterpret_cast<std::uint8_t*>(buffer_.data());
    const int made = swr_convert(s_.swr, &out, room, data, samples);
    if (made < 0) {
        error = "cannot convert the audio of " + input_;
        return false;
    }
    if (writer_.Frames() + static_cast<std::uint64_t>(made) > maxFrames_) {
        error = input_ + " is longer than the " + std::to_string(static_cast<int>(limits_.maxSeconds / 60)) +
                "-minute limit";
        return false;
    }
    return writer_.Write(buffer_.data(), static_cast<std::size_t>(made), error);
}

bool Converter::Drain(std::string& error) {
    while (true) {
        const int got = avcodec_receive_frame(s_.codec, s_.frame);
        if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) {
            return true;
        }
        if (got < 0) {
            ++badPackets_;
            return true;
        }
        const bool ok =
            Emit(const_cast<const std::uint8_t**>(s_.frame->extended_data), s_.frame->nb_samples, error);
        av_frame_unref(s_.frame);
        if (!ok) {
            return false;
        }
    }
}

bool Converter::Decode(std::string& error) {
    const bool dss = std::string(s_.format->iformat->name) == "dss";
    for (std::int64_t packets = 0;; ++packets) {
        if (packets >= limits_.maxPackets) {
            error = input_ + " has too many packets";
            return false;
        }
        const int read = av_read_frame(s_.format, s_.packet);
        if (read == AVERROR_EOF) {
            break;
        }
        if (read < 0) {
            // The DSS reader meets the 0xFF fill of the last block as invalid data: that is the
            // end of the recording. Anywhere before the last block it is damage.
            const std::int64_t at = avio_tell(s_.format->pb);
            if (dss && read == AVERROR_INVALIDDATA && at >= 0 &&
                fileSize_ - static_cast<std::uint64_t>(at) < static_cast<std::uint64_t>(kDssBlock)) {
                break;
            }
            error = input_ + " is damaged and cannot be read to its end";
            return false;
        }
        if (s_.packet->stream_index == stream_) {
            ++audioPackets_;
            const int sent = avcodec_send_packet(s_.codec, s_.packet);
            if (sent < 0 && sent != AVERROR(EAGAIN)) {
                ++badPackets_;
            }
        }
        av_packet_unref(s_.packet);
        if (!Drain(error)) {
            return false;
        }
    }
    avcodec_send_packet(s_.codec, nullptr);
    if (!Drain(error)) {
        return false;
    }
    if (s_.swr) {
        return Emit(nullptr, 0, error);
    }
    return true;
}

bool Converter::Run(std::string& error) {
    s_.packet = av_packet_alloc();
    s_.frame = av_frame_alloc();
    if (!s_.packet || !s_.frame) {
        error = "out of memory";
        return false;
    }
    if (!OpenInput(error) || !Decode(error)) {
        return false;
    }
    if (writer_.Frames() == 0) {
        error = input_ + " holds no audio";
        return false;
    }
    // A few bad packets are a scratch; many mean the file is not what it claims to be.
    if (badPackets_ * 10 > audioPackets_) {
        error = input_ + " is damaged";
        return false;
    }
    // A declared length (a WAVE or MP3 header, not a guess from the bit rate) tells a file that
    // lost its end.
    const AVStream* stream = s_.format->streams[stream_];
    if (s_.format->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE &&
        stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
        // The encoder's priming samples (before the start time) are counted but never decoded.
        const std::int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
        const double declared = static_cast<double>(stream->duration - start) * av_q2d(stream->time_base);
        const double decoded = static_cast<double>(writer_.Frames()) / outRate_;
        if (decoded + kSlackSeconds < declared * kShortfall) {
            error = input_ + " was cut short";
            return false;
        }
    }
    return writer_.Commit(error);
}

} // namespace

bool ConvertToWave(const std::string& input, const std::string& output, const ConversionLimits& limits,
                   std::string& error) {
    Converter converter(input, output, limits);
    return converter.Run(error);
}
