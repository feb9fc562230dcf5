#include "dialogs/voice/VoicePlayback.h"
#include "host/core/CUtility.h"
#include "host/core/SessionSettings.h"
#include "host/core/Shell.h"
#include "tests/reportlist/window/LogCapture.h"
#include "tests/support/PromptsDouble.h"
#include "tests/support/ServerFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QUrlQuery>

#include <gtest/gtest.h>

#include <functional>

namespace {

// The report list as Play sees it: rows with a "Filename" text, some of them selected.
class FakeDesk final : public DeskContext {
public:
    QStringList filenames;
    QList<int> selected;
    QList<std::pair<Busy, bool>> busy; // ShowBusy calls in order
    int repaints = 0;

    WindowState& State() override { return state_; }
    QList<int> SelectedRows() const override { return selected; }
    int RowCount() const override { return int(filenames.size()); }
    QString CellText(int row, const QString& caption) const override {
        return caption == QLatin1String("Filename") ? Filename(row) : QString();
    }
    QString Filename(int row) const override { return filenames.value(row); }
    QString AccessFlags(int) const override { return {}; }
    QString EsignOwner(int) const override { return {}; }
    QStringList ColumnCaptions() const override {
        return {QStringLiteral("Sr.#"), QStringLiteral("Filename")};
    }
    void SetStatusForSelected(StatusColumn, const QStringList&, const QString&) override {}
    void DeleteAllRows() override { filenames.clear(); }
    void ShowBusy(Busy which, bool shown) override { busy.append({which, shown}); }
    void RepaintNow() override { ++repaints; }
    void RunQuery() override {}
    void LoadFileList(const QString&) override {}
    void DownloadDocuments(const QStringList&) override {}
    QWidget* DialogParent() override { return nullptr; }

private:
    WindowState state_;
};

// The desktop: records what was opened and which programs were started. Programs really run
// (the built converter), unless standIn names another program to run in their place.
class RecordingShell final : public Shell {
public:
    struct Started {
        QString program;
        QStringList arguments;
    };
    QStringList opened;
    QList<Started> started;
    QString standIn;
    QProcess* last = nullptr;

    bool Open(const QString& fileOrUrl) override {
        opened.append(fileOrUrl);
        return true;
    }
    bool StartDetached(const QString&, const QStringList&) override { return false; }
    std::unique_ptr<ProgramHandle> Start(const QString& program, const QStringList& arguments) override {
        started.append({program, arguments});
        auto process = std::make_shared<QProcess>();
        process->setProgram(standIn.isEmpty() ? program : standIn);
        process->setArguments(standIn.isEmpty() ? arguments : QStringList{});
        process->start();
        if (!process->waitForStarted()) {
            return nullptr;
        }
        last = process.get();
        return std::make_unique<ProgramHandle>(std::move(process));
    }
};

class VoicePlayTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Start()) << server_.Error().toStdString();
        Session().Reset();
        Session().SetServerURL(server_.BaseUrl());
        Session().SetSystemFolder(QFileInfo(QStringLiteral(VELMO_DSSDECODER_PATH)).absolutePath());
        QDir(VoicePlayback::VoiceFolder()).removeRecursively();
        CUtility().CreateFolderPath(VoicePlayback::VoiceFolder());
        PromptsDouble::Current().Clear();
        Shell::Install(&shell_);
    }
    void TearDown() override { Shell::Install(nullptr); }

    // The filename= values the server was asked for.
    QStringList VoiceRequests() const {
        QStringList names;
        for (const QJsonObject& e : server_.JournalFor(QStringLiteral("download_play_voicefile.php"))) {
            names.append(QUrlQuery(e.value(QStringLiteral("query")).toString()).queryItemValue("filename"));
        }
        return names;
    }
    void Play(const QStringList& rows, const QList<int>& selected) {
        desk_.filenames = rows;
        desk_.selected = selected;
        VoicePlayback(desk_).Run();
    }
    // Busy picture 256 shown first and hidden last, whatever the way out.
    void ExpectBusyShownAndHidden() const {
        ASSERT_GE(desk_.busy.size(), 2);
        EXPECT_EQ(desk_.busy.first(), std::make_pair(DeskContext::Busy::Picture256, true));
        EXPECT_EQ(desk_.busy.last(), std::make_pair(DeskContext::Busy::Picture256, false));
        EXPECT_GE(desk_.repaints, 1);
    }

    StandInServer server_;
    FakeDesk desk_;
    RecordingShell shell_;
};

TEST(VoiceJobName, BracedPartIsCutOutWhereverItStands) {
    const struct {
        const char* cell;
        const char* job;
    } cases[] = {
        {"J260101", "J260101"},    {"  J260101 ", "J260101"}, {"J260101{STAT4}", "J260101"},
        {"{x}J260101", "J260101"}, {"J26{x}0101", "J260101"}, {"J1{a}2{b}", "J12{b}"},
        {"J1{open", "J1"},         {"J1}x{y}", "J1}x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VoicePlayback::JobName(QString::fromUtf8(c.cell)).toStdString(), c.job) << c.cell;
    }
}

TEST_F(VoicePlayTest, PlaysTheConvertedDictationOfTheBracedJob) {
    const LogCapture log;
    Play({"J260102", "J260101{STAT4}", "J260103"}, {1});

    const QString folder = VoicePlayback::VoiceFolder();
    EXPECT_EQ(VoiceRequests(), QStringList{"J260101"});
    const QString url = server_.BaseUrl() + "download_play_voicefile.php?filename=J260101";
    EXPECT_TRUE(log.Messages().contains("OnPopPlay: Voice file download URL, " + url))
        << log.Messages().join('\n').toStdString();
    ASSERT_EQ(shell_.started.size(), 1);
    EXPECT_EQ(shell_.started[0].program, Session().SystemFolder() + "/DSSDecoder");
    EXPECT_EQ(shell_.started[0].arguments, QStringList{folder + "J260101.dss|" + folder + "J260101.wav"});
    EXPECT_EQ(shell_.opened, QStringList{folder + "J260101.wav"});
    EXPECT_TRUE(log.Messages().contains("OnPopPlay: Voice file Played, " + folder + "J260101.wav"));
    QFile wav(folder + "J260101.wav");
    ASSERT_TRUE(wav.open(QIODevice::ReadOnly));
    const QByteArray head = wav.read(44);
    EXPECT_TRUE(head.startsWith("RIFF") && head.mid(8, 4) == "WAVE");
    EXPECT_GT(wav.size(), 8000 * 2); // more than a second of speech or beeps
    EXPECT_TRUE(PromptsDouble::Current().Shown().isEmpty());
    ExpectBusyShownAndHidden();
}

TEST_F(VoicePlayTest, SelectionMistakesAreToldAndNothingIsFetched) {
    const struct {
        QList<int> selected;
        const char* message; // nullptr: plays
    } cases[] = {
        {{}, "Select file to play."},
        {{0, 2}, "Select only one file to play."},
        {{1, 2}, nullptr}, // an empty name followed by another row: the last row plays
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message ? c.message : "plays");
        PromptsDouble::Current().Clear();
        shell_.opened.clear();
        desk_.busy.clear();
        const qsizetype requestsBefore = VoiceRequests().size();
        Play({"J260104", "", "J260105"}, c.selected);
        if (c.message) {
            ASSERT_EQ(PromptsDouble::Current().Shown().size(), 1);
            EXPECT_EQ(PromptsDouble::Current().Shown()[0].text, c.message);
            EXPECT_EQ(PromptsDouble::Current().Shown()[0].icon, Prompts::Icon::Information);
            EXPECT_EQ(VoiceRequests().size(), requestsBefore);
            EXPECT_TRUE(shell_.opened.isEmpty());
        } else {
            EXPECT_EQ(VoiceRequests().mid(requestsBefore), QStringList{"J260105"});
            EXPECT_EQ(shell_.opened, QStringList{VoicePlayback::VoiceFolder() + "J260105.wav"});
        }
        ExpectBusyShownAndHidden();
    }
}

TEST_F(VoicePlayTest, EarlierWaveIsPlayedWhenTheDownloadFailsAndNoWaveIsAnError) {
    const QString earlier = VoicePlayback::VoiceFolder() + "J999999.wav";
    {
        QFile f(earlier);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("RIFF");
    }
    Play({"J999999"}, {0}); // the server knows no such dictation: no archive, no .dss
    EXPECT_EQ(VoiceRequests(), QStringList{"J999999"});
    EXPECT_TRUE(shell_.started.isEmpty());
    EXPECT_EQ(shell_.opened, QStringList{earlier});
    EXPECT_TRUE(PromptsDouble::Current().Shown().isEmpty());

    QFile::remove(earlier);
    desk_.busy.clear();
    Play({"J999999"}, {0});
    EXPECT_EQ(shell_.opened, QStringList{earlier}); // nothing more opened
    ASSERT_EQ(PromptsDouble::Current().Shown().size(), 1);
    EXPECT_EQ(PromptsDouble::Current().Shown()[0].text, "Unable to play the selected voice file.");
    EXPECT_EQ(PromptsDouble::Current().Shown()[0].icon, Prompts::Icon::Error);
    ExpectBusyShownAndHidden();
}

TEST_F(VoicePlayTest, WindowKeepsWorkingWhileTheConverterRunsButASecondPlayDoesNothing) {
    shell_.standIn = QStringLiteral("cat"); // a converter that works until the test lets it end
    bool sawWait = false;
    std::function<void()> duringWait = [&] {
        if (!shell_.last) { // still downloading: look again
            QTimer::singleShot(0, duringWait);
            return;
        }
        QProcess* converter = shell_.last;
        sawWait = converter->state() == QProcess::Running;
        shell_.standIn = QStringLiteral("true"); // should a second Play get this far, it ends at once
        FakeDesk other;
        other.filenames = {"J260106"};
        other.selected = {0};
        VoicePlayback(other).Run();
        EXPECT_TRUE(other.busy.isEmpty());
        converter->closeWriteChannel(); // the converter ends, having written nothing
    };
    QTimer::singleShot(0, duringWait);
    Play({"J260107"}, {0});

    EXPECT_TRUE(sawWait);
    EXPECT_EQ(VoiceRequests(), QStringList{"J260107"});
    EXPECT_EQ(shell_.started.size(), 1);
    ASSERT_EQ(PromptsDouble::Current().Shown().size(), 1);
    EXPECT_EQ(PromptsDouble::Current().Shown()[0].text, "Unable to play the selected voice file.");

    // Once the first Play is over, Play works again.
    shell_.standIn.clear();
    Play({"J260106"}, {0});
    EXPECT_EQ(shell_.opened, QStringList{VoicePlayback::VoiceFolder() + "J260106.wav"});
}

} // namespace
