#include "dialogs/voice/VoicePlayback.h"

#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "host/core/Shell.h"
#include "transport/CFileDownloads.h"

#include <QEventLoop>
#include <QPointer>
#include <QProcess>
#include <QWidget>

namespace {

const QString kLog = QStringLiteral("OnPopPlay: ");
const QString kConverter = QStringLiteral("DSSDecoder");

// Set while a Play waits for its converter: the window still handles clicks then.
bool playing = false;

// Waits for the converter without freezing the window. No time limit: a converter that
// never ends keeps this Play waiting (the user can still close the desk).
void WaitPainting(ProgramHandle& converter) {
    QProcess* process = converter.Process();
    if (!process) {
        converter.Wait();
        return;
    }
    QEventLoop loop;
    QObject::connect(process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    if (converter.Running()) {
        loop.exec();
    }
}

} // namespace

QString VoicePlayback::JobName(const QString& filename) {
    QString name = filename.trimmed();
    const qsizetype open = name.indexOf(QLatin1Char('{'));
    if (open < 0) {
        return name;
    }
    const qsizetype close = name.indexOf(QLatin1Char('}'), open);
    // Without a closing brace the rest of the name is the braced part.
    return name.left(open) + (close < 0 ? QString() : name.mid(close + 1));
}

QString VoicePlayback::VoiceFolder() {
    return CUtility().TempFolder() + QStringLiteral("VoiceFiles/");
}

void VoicePlayback::Run() {
    if (playing) {
        return;
    }
    playing = true;
    Play();
    playing = false;
}

void VoicePlayback::Play() {
    desk_.ShowBusy(DeskContext::Busy::Picture256, true);
    desk_.RepaintNow();
    // The window may be closed while the converter runs; then nothing of it is touched again.
    const QPointer<QWidget> window = desk_.DialogParent();
    const bool hasWindow = !window.isNull();
    auto hideBusy = [&] {
        if (!hasWindow || window) {
            desk_.ShowBusy(DeskContext::Busy::Picture256, false);
        }
    };

    const QList<int> rows = desk_.SelectedRows();
    if (rows.isEmpty()) {
        Prompts::Information(QStringLiteral("Select file to play."));
        hideBusy();
        return;
    }
    QString filename;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        filename = desk_.Filename(rows.at(i));
        if (!filename.isEmpty() && i + 1 < rows.size()) {
            Prompts::Information(QStringLiteral("Select only one file to play."));
            hideBusy();
            return;
        }
    }
    const QString job = JobName(filename);
    const QString folder = VoiceFolder();
    const QString url = Session().ServerURL() + QStringLiteral("download_play_voicefile.php") +
                        QStringLiteral("?filename=") + job;
    WriteLog(kLog + QStringLiteral("Voice file download URL, ") + url);

    {
        CFileDownloads download;
        download.SetURL(url);
        download.SetTargetFolder(folder);
        download.DownloadFiles(job);
    }
    Delays::Wait(Delays::Get().voiceStep);

    const CUtility util;
    const QString dss = folder + job + QStringLiteral(".dss");
    if (util.FileExists(dss)) {
        const QString converter = Session().SystemFolder() + QLatin1Char('/') + kConverter;
        std::unique_ptr<ProgramHandle> handle =
            util.RunProgram(converter, dss + QLatin1Char('|') + folder + job + QStringLiteral(".wav"));
        if (handle) {
            WaitPainting(*handle);
        }
        if (hasWindow && !window) {
            return;
        }
    }
    Delays::Wait(Delays::Get().voiceStep);
    hideBusy();

    const QString wav = (folder + job + QStringLiteral(".wav")).trimmed();
    WriteLog(kLog + QStringLiteral("Voice file Played, ") + wav);
    if (util.FileExists(wav)) {
        Shell::Get().Open(wav);
    } else {
        Prompts::Error(QStringLiteral("Unable to play the selected voice file."));
    }
}
