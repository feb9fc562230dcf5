#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Dictation audio for a job, made when it is first downloaded (never at start-up): a spoken
// sentence by espeak-ng when it is installed, else a short tone, stored as digital dictation
// recorders store it: DSS with G.723.1 audio. Falls back to the 16-bit PCM WAV when the
// G.723.1 encoder is missing (FFmpeg reads either, whatever the file is called).
std::string MakeDictationAudio(const std::string& sentence, const std::string& scratchDir);

// A WAV of a few short beeps (8 kHz, mono, 16-bit).
std::string ToneWav();

// The samples of a 16-bit PCM WAV as 8 kHz mono; empty when wav is not one.
std::vector<std::int16_t> WavToDictationRate(const std::string& wav);

// What the DSS header says about the recording.
struct DssInfo {
    std::string author;  // up to 16 characters
    std::string comment; // up to 64 characters
    // "YYMMDDhhmmss"; readers insist on a well-formed time.
    std::string startTime = "260105090000";
    std::string endTime = "260105090000";
};

// 8 kHz mono samples as a DSS file: a 1024-byte header, then 512-byte blocks (a 6-byte block
// header and 506 bytes of G.723.1 frames at 6.3 kbit/s; frames run on across blocks, the last
// block is filled with 0xFF). Empty when the encoder is not available.
std::string EncodeDss(const std::vector<std::int16_t>& samples, const DssInfo& info);
