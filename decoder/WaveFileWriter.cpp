#include "decoder/WaveFileWriter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <limits>

namespace {

constexpr std::uint32_t kHeaderSize = 44;

void PutLe(std::array<unsigned char, kHeaderSize>& out, std::size_t at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>((value >> (8 * i)) & 0xFFu);
    }
}

std::string Reason() {
    return std::strerror(errno);
}

} // namespace

WaveFileWriter::WaveFileWriter(std::string target) : target_(std::move(target)) {}

WaveFileWriter::~WaveFileWriter() {
    Discard();
}

bool WaveFileWriter::Open(int sampleRate, int channels, std::string& error) {
    sampleRate_ = sampleRate;
    channels_ = channels;
    // Beside the target, so that the final rename stays on one file system.
    const std::size_t slash = target_.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string{} : target_.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    std::string pattern = folder + "." + name + ".partXXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        error = "cannot write beside " + target_ + ": " + Reason();
        return false;
    }
    partPath_ = pattern;
    // mkstemp makes the file private; the finished WAVE gets the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        ::close(fd);
        error = "cannot write " + partPath_ + ": " + Reason();
        return false;
    }
    if (!WriteHeader()) {
        error = "cannot write " + partPath_ + ": " + Reason();
        return false;
    }
    return true;
}

bool WaveFileWriter::Write(const std::int16_t* samples, std::size_t frames, std::string& error) {
    const std::size_t count = frames * static_cast<std::size_t>(channels_);
    const std::uint64_t bytesAfter = (frames_ + frames) * static_cast<std::uint64_t>(channels_) * 2u;
    if (bytesAfter > std::numeric_limits<std::uint32_t>::max() - kHeaderSize) {
        error = "the audio is too long for a WAVE file";
        return false;
    }
    // The WAVE format is little-endian, as is every machine this runs on.
    if (std::fwrite(samples, sizeof(std::int16_t), count, file_) != count) {
        error = "cannot write " + partPath_ + ": " + Reason();
        return false;
    }
    frames_ += frames;
    return true;
}

bool WaveFileWriter::Commit(std::string& error) {
    if (!file_) {
        error = "nothing was written";
        return false;
    }
    const bool written = std::fflush(file_) == 0 && std::fseek(file_, 0, SEEK_SET) == 0 && WriteHeader() &&
                         std::fflush(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (!written || !closed) {
        error = "cannot write " + partPath_ + ": " + Reason();
        return false;
    }
    if (std::rename(partPath_.c_str(), target_.c_str()) != 0) {
        error = "cannot write " + target_ + ": " + Reason();
        return false;
    }
    partPath_.clear();
    return true;
}

bool WaveFileWriter::WriteHeader() {
    const auto blockAlign = static_cast<std::uint32_t>(channels_ * 2);
    const auto dataBytes = static_cast<std::uint32_t>(frames_ * blockAlign);
    std::array<unsigned char, kHeaderSize> header{};
    std::memcpy(header.data(), "RIFF", 4);
    PutLe(header, 4, kHeaderSize - 8 + dataBytes, 4);
    std::memcpy(header.data() + 8, "WAVEfmt ", 8);
    PutLe(header, 16, 16, 4);
    PutLe(header, 20, 1, 2); // PCM
    PutLe(header, 22, static_cast<std::uint32_t>(channels_), 2);
    PutLe(header, 24, static_cast<std::uint32_t>(sampleRate_), 4);
    PutLe(header, 28, static_cast<std::uint32_t>(sampleRate_) * blockAlign, 4);
    PutLe(header, 32, blockAlign, 2);
    PutLe(header, 34, 16, 2);
    std::memcpy(header.data() + 36, "data", 4);
    PutLe(header, 40, dataBytes, 4);
    return std::fwrite(header.data(), 1, header.size(), file_) == header.size();
}

void WaveFileWriter::Discard() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!partPath_.empty()) {
        ::unlink(partPath_.c_str());
        partPath_.clear();
    }
}
