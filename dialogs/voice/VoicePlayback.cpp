#include "dialogs/voice/VoicePlayback.h"

#include "host/core/ActivityLog.h"
#include "host/core/CUtility.h"
#include "host/core/Delays.h"
#include "host/core/NameGate.h"
#include "host/core/PrivateModes.h"
#include "host/core/Prompts.h"
#include "host/core/SessionSettings.h"
#include "host/core/Shell.h"
#include "transport/CFileDownloads.h"
#include "transport/scripts/ServerScripts.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace {

const QString kLog = QStringLiteral("OnPopPlay: ");
const QString kConverter = QStringLiteral("DSSDecoder");

// Set while a Play waits for its converter: the window still handles clicks then.
bool playing = false;

// Waits for the converter without freezing the window. No time limit: a converter that
// never ends keeps this Play waiting (the user can still close the desk). One that takes long
// is named in the status line, so the spinner is not all the user sees.
void WaitPainting(ProgramHandle& converter, const std::function<void(const QString&)>& status) {
    QProcess* process = converter.Process();
    if (!process) {
        converter.Wait();
        return;
    }
    QEventLoop loop;
    QObject::connect(process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer notice;
    notice.setSingleShot(true);
    bool noticed = false;
    QObject::connect(&notice, &QTimer::timeout, &loop, [&] {
        noticed = true;
        status(QStringLiteral("Converting the dictation..."));
    });
    if (converter.Running()) {
        notice.start(Delays::Get().convertingNotice);
        loop.exec();
    }
    if (noticed) {
        status({});
    }
}

// The converter ended by itself with status 0 (a program that cannot say so, as a test's
// stand-in, counts when it ended).
bool ConverterSucceeded(ProgramHandle& converter) {
    const QProcess* process = converter.Process();
    if (process == nullptr) {
        return !converter.Running();
    }
    return process->state() == QProcess::NotRunning && process->exitStatus() == QProcess::NormalExit &&
           process->exitCode() == 0;
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

QString VoicePlayback::NoPlayerText(const QString& wav) {
    return QStringLiteral(
               "No program is set up to play .wav files.\nThe dictation, to play by hand until the "
               "desk is closed:\n") +
           wav;
}

QString VoicePlayback::VoiceFolder() {
    return CUtility::TempFolder() + QStringLiteral("VoiceFiles/");
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
    desk_.ShowBusy(DeskContext::Busy::DocumentPicture, true);
    desk_.RepaintNow();
    // The window may be closed while the converter runs; then nothing of it is touched again.
    const QPointer<QWidget> window = desk_.DialogParent();
    const bool hasWindow = !window.isNull();
    auto hideBusy = [&] {
        if (!hasWindow || window) {
            desk_.ShowBusy(DeskContext::Busy::DocumentPicture, false);
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
    // The job name comes from the server's list: the audio and the wave it becomes are named
    // after it, and both must stay in the voice folder.
    const QString dss = NameGate::PathInside(folder, job, QStringLiteral(".dss"));
    const QString wav = NameGate::PathInside(folder, job, QStringLiteral(".wav"));
    auto unable = [&](const QString& why) {
        WriteLog(kLog + why);
        hideBusy();
        Prompts::Error(QStringLiteral("Unable to play the selected voice file."));
    };
    if (dss.isEmpty() || wav.isEmpty()) {
        unable(QStringLiteral("Job name refused, ") + NameGate::Printable(job));
        return;
    }
    const QString url = VoiceFileRequest{job}.Address();
    WriteLog(kLog + QStringLiteral("Voice file download URL, ") + url);

    // Only a wave this Play's converter writes is ever opened: an earlier one goes first.
    QFile::remove(wav);
    QString unpacked;
    {
        CFileDownloads download;
        download.SetURL(url);
        download.SetTargetFolder(folder);
        unpacked = download.DownloadFiles(job);
    }
    Delays::Wait(Delays::Get().voiceStep);

    if (unpacked.isEmpty() || !CUtility::FileExists(dss)) {
        unable(QStringLiteral("Voice file could not be downloaded, ") + job);
        return;
    }
    const QString converter = Session().SystemFolder() + QLatin1Char('/') + kConverter;
    std::unique_ptr<ProgramHandle> handle = CUtility::RunProgram(converter, dss + QLatin1Char('|') + wav);
    if (!handle) {
        unable(QStringLiteral("Converter could not be started, ") + converter);
        return;
    }
    WaitPainting(*handle, [&](const QString& text) {
        if (!hasWindow || window) {
            desk_.ShowStatus(text);
        }
    });
    if (hasWindow && !window) {
        return;
    }
    if (!ConverterSucceeded(*handle)) {
        unable(QStringLiteral("Converter failed for ") + dss);
        return;
    }
    // The converter writes with the umask's mode; the dictation is as private as the report.
    PrivateModes::Restrict(wav);
    Delays::Wait(Delays::Get().voiceStep);
    hideBusy();

    WriteLog(kLog + QStringLiteral("Voice file Played, ") + wav);
    if (QFileInfo(wav).isFile() && !QFileInfo(wav).isSymLink()) {
        Shell::Get().OpenWatched(wav, [wav] {
            WriteLog(kLog + QStringLiteral("No program opened ") + wav);
            Prompts::Error(NoPlayerText(wav));
        });
    } else {
        Prompts::Error(QStringLiteral("Unable to play the selected voice file."));
    }
}
