#pragma once

#include "reportlist/core/DeskContext.h"

#include <QString>

// "Play": fetches the dictation behind the selected pending job into the voice folder, has the
// converter (DSSDecoder in the session's system folder) turn it into a WAVE file, and opens that
// with the desktop's player. The window keeps painting while the converter works; a second Play
// in the meantime does nothing.
class VoicePlayback final {
public:
    explicit VoicePlayback(DeskContext& desk) : desk_(desk) {}
    void Run();

    // The job name of a "Filename" cell: trimmed, with the first "{...}" part cut out.
    static QString JobName(const QString& filename);
    // TempFolder + "VoiceFiles/".
    static QString VoiceFolder();
    // Said when the desktop has no program to play the converted dictation at wav.
    static QString NoPlayerText(const QString& wav);

private:
    void Play();

    DeskContext& desk_;
};
