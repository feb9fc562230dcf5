#pragma once

#include <cstdint>
#include <string>

// Bounds that keep a damaged or endless input from running or growing without limit.
struct ConversionLimits {
    double maxSeconds = 4.0 * 3600.0;           // longest audio written
    std::int64_t maxPackets = 20'000'000;       // demuxed packets, audio or not
    std::int64_t maxInputBytes = 4'000'000'000; // the input file's size
};

// Converts the audio of input (DSS with DSS SP or G.723.1 audio, or anything FFmpeg reads) into
// a 16-bit PCM WAVE file at output: the source's rate (8 to 48 kHz) and channels (at most two).
// On failure answers false with a one-line reason in error, and output is left as it was.
bool ConvertToWave(const std::string& input, const std::string& output, const ConversionLimits& limits,
                   std::string& error);
