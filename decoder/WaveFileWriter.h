#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Writes a 16-bit PCM WAVE file without ever leaving a partial one at the target path: the
// samples go to a hidden file beside it, which Commit() completes and renames over the target.
// Until then (and when Commit fails) the destructor removes the hidden file.
class WaveFileWriter final {
public:
    explicit WaveFileWriter(std::string target);
    ~WaveFileWriter();
    WaveFileWriter(const WaveFileWriter&) = delete;
    WaveFileWriter& operator=(const WaveFileWriter&) = delete;

    bool Open(int sampleRate, int channels, std::string& error);
    // Interleaved samples, frames * channels of them.
    bool Write(const std::int16_t* samples, std::size_t frames, std::string& error);
    bool Commit(std::string& error);

    std::uint64_t Frames() const { return frames_; }

private:
    bool WriteHeader();
    void Discard();

    std::string target_;
    std::string partPath_;
    std::FILE* file_ = nullptr;
    int sampleRate_ = 0;
    int channels_ = 0;
    std::uint64_t frames_ = 0;
};
