// DSSDecoder: turns a dictation (DSS, or any audio FFmpeg reads) into a 16-bit PCM WAVE file
// for the desktop's player. One parameter text: "input path|wave path". Exit status 0 when the
// WAVE file was written; otherwise 1 and one line on stderr, and no WAVE file.
#include "decoder/AudioConverter.h"
#include "decoder/ParameterText.h"

#include <sys/stat.h>

#include <cstdio>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

int main(int argc, char** argv) {
    // The desk passes one unsplit text; a shell that split it at blanks gets it joined again.
    std::string text;
    for (int i = 1; i < argc; ++i) {
        // Appended piece by piece: GCC 12 at -O3 warns (-Wrestrict) about "literal + string".
        if (i > 1) {
            text += ' ';
        }
        text += argv[i];
    }
    ConversionPaths paths;
    const bool split = SplitParameterText(text, paths, [](const std::string& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
    });
    if (!split) {
        std::fprintf(stderr, "DSSDecoder: usage: DSSDecoder \"input path|wave path\"\n");
        return 2;
    }
    av_log_set_level(AV_LOG_QUIET); // the one line below is all the caller gets
    std::string error;
    if (!ConvertToWave(paths.input, paths.output, ConversionLimits{}, error)) {
        std::fprintf(stderr, "DSSDecoder: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
