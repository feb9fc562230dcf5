#pragma once

#include <string>

// Dictation audio for a job, made when it is first downloaded (never at start-up): a spoken
// sentence by espeak-ng when it is installed, else a short tone. Both are 16-bit PCM WAV, which
// FFmpeg reads whatever the file is called (the server serves it as JOB.dss).
std::string MakeDictationAudio(const std::string& sentence, const std::string& scratchDir);

// A WAV of a few short beeps (8 kHz, mono, 16-bit).
std::string ToneWav();
