// Play: the job's dictation fetched, converted by the built converter and opened; the refusals.
#include "dialogs/voice/VoicePlayback.h"
#include "host/core/Delays.h"
#include "tests/support/FakeDesk.h"

namespace {

class VoicePlayTest : public ServerTest {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        shell_.run = true;
        Session().SetSystemFolder(QFileInfo(QStringLiteral(VELMO_DSSDECODER_PATH)).absolutePath());
        QDir(VoicePlayback::VoiceFolder()).removeRecursively();
        CUtility::CreateFolderPath(VoicePlayback::VoiceFolder());
    }

    QStringList VoiceRequests() const {
        return Queries(QStringLiteral("download_play_voicefile.php")).replaceInStrings("filename=", "");
    }
    // Plays the selected rows; busy picture 256 is shown first and hidden last, whatever the way out.
    void Play(const QStringList& names, const QList<int>& selected) {
        FakeDesk desk = FakeDesk::Of("p", FakeDesk::Named(names));
        desk.selected = selected;
        VoicePlayback(desk).Run();
        ASSERT_GE(desk.busy.size(), 2);
        EXPECT_EQ(desk.busy.first(), std::make_pair(DeskContext::Busy::DocumentPicture, true));
        EXPECT_EQ(desk.busy.last(), std::make_pair(DeskContext::Busy::DocumentPicture, false));
        EXPECT_GE(desk.repaints, 1);
    }
};

TEST(VoiceJobName, BracedPartIsCutOutWhereverItStands) {
    const std::pair<const char*, const char*> cases[] = {
        {"  J260101 ", "J260101"}, {"J26{x}0101", "J260101"}, {"J1{a}2{b}", "J12{b}"}, {"J1{open", "J1"}};
    for (const auto& [cell, job] : cases) {
        EXPECT_EQ(VoicePlayback::JobName(QString::fromUtf8(cell)).toStdString(), job) << cell;
    }
}

TEST_F(VoicePlayTest, PlaysTheConvertedDictationOfTheBracedJob) {
    const LogCapture log;
    Play({"J260102", "J260101{STAT4}", "J260103"}, {1});

    const QString folder = VoicePlayback::VoiceFolder();
    EXPECT_EQ(VoiceRequests(), QStringList{"J260101"});
    const QString url = server_.BaseUrl() + "download_play_voicefile.php?filename=J260101";
    EXPECT_TRUE(log.Messages().contains("OnPopPlay: Voice file download URL, " + url));
    const QStringList converter{Session().SystemFolder() + "/DSSDecoder",
                                folder + "J260101.dss|" + folder + "J260101.wav"};
    EXPECT_EQ(shell_.started, QList<QStringList>{converter});
    EXPECT_EQ(shell_.opened, QStringList{folder + "J260101.wav"});
    EXPECT_TRUE(log.Messages().contains("OnPopPlay: Voice file Played, " + folder + "J260101.wav"));
    EXPECT_GT(QFileInfo(folder + "J260101.wav").size(), 8000 * 2); // more than a second of sound
    EXPECT_TRUE(Shown().isEmpty());
}

TEST_F(VoicePlayTest, ASlowConverterIsNamedInTheStatusLineAndADesktopWithoutAPlayerIsTold) {
    shell_.refuse = true;
    Delays::Get().convertingNotice = 0; // any converter is slow now (as ZeroAll left it: nothing to restore)
    FakeDesk desk = FakeDesk::Of("p", FakeDesk::Named({"J260101"}));
    VoicePlayback(desk).Run();
    EXPECT_EQ(desk.statuses, (QStringList{"Converting the dictation...", ""}));
    ExpectOneBox(VoicePlayback::NoPlayerText(VoicePlayback::VoiceFolder() + "J260101.wav"),
                 Prompts::Icon::Error);
    EXPECT_TRUE(Shown().value(0).startsWith("No program is set up to play .wav files.\n"));
}

TEST_F(VoicePlayTest, SelectionMistakesAreToldAndNothingIsFetched) {
    for (const auto& [selected, message] : {std::pair<QList<int>, const char*>{{}, "Select file to play."},
                                            {{0, 2}, "Select only one file to play."}}) {
        SCOPED_TRACE(message);
        PromptsDouble::Current().Clear();
        Play({"J260104", "", "J260105"}, selected);
        ExpectOneBox(message, Prompts::Icon::Information);
    }
    EXPECT_TRUE(VoiceRequests().isEmpty());
    Play({"J260104", "", "J260105"}, {1, 2}); // an empty name followed by another row: the last row plays
    EXPECT_EQ(VoiceRequests(), QStringList{"J260105"});
    EXPECT_EQ(shell_.opened, QStringList{VoicePlayback::VoiceFolder() + "J260105.wav"});
}

// Only a wave this Play's converter wrote is opened: not one left from before when the download
// fails, nor one beside audio the converter failed on.
TEST_F(VoicePlayTest, OnlyTheWaveThisPlayConvertedIsOpened) {
    const QString folder = VoicePlayback::VoiceFolder();
    // The server knows no such dictation (no archive, no .dss); the converter (standing in for
    // DSSDecoder, empty: the real one) fails.
    for (const auto& [job, converter] : {std::pair{"J999999", ""}, {"J260104", "false"}}) {
        SCOPED_TRACE(job);
        PromptsDouble::Current().Clear();
        shell_.standIn = QString::fromLatin1(converter);
        WriteFile(folder + job + ".wav", "RIFF left from before");
        Play({job}, {0});
        EXPECT_TRUE(shell_.opened.isEmpty());
        ExpectOneBox("Unable to play the selected voice file.", Prompts::Icon::Error);
    }
    EXPECT_EQ(VoiceRequests(), (QStringList{"J999999", "J260104"}));
    EXPECT_EQ(shell_.started.size(), 1); // no audio, no converter
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
        FakeDesk other = FakeDesk::Of("p", {{{"J260106"}}});
        VoicePlayback(other).Run();
        EXPECT_TRUE(other.busy.isEmpty());
        converter->closeWriteChannel(); // the converter ends, having written nothing
    };
    QTimer::singleShot(0, duringWait);
    Play({"J260107"}, {0});

    EXPECT_TRUE(sawWait);
    EXPECT_EQ(VoiceRequests(), QStringList{"J260107"});
    EXPECT_EQ(shell_.started.size(), 1);
    ExpectOneBox("Unable to play the selected voice file.", Prompts::Icon::Error);

    // Once the first Play is over, Play works again.
    shell_.standIn.clear();
    Play({"J260106"}, {0});
    EXPECT_EQ(shell_.opened, QStringList{VoicePlayback::VoiceFolder() + "J260106.wav"});
}

} // namespace
