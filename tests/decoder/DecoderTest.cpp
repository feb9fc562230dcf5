#include "decoder/AudioConverter.h"
#include "server/DictationAudio.h" // the stand-in server's DSS writer
#include "tests/support/Files.h"
#include "tests/support/QStringPrinting.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Wave {
    int rate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples; // interleaved
    double Seconds() const { return rate && channels ? double(samples.size()) / channels / rate : 0.0; }
    double Rms() const {
        double sum = 0;
        for (const std::int16_t s : samples) {
            sum += double(s) * s;
        }
        return samples.empty() ? 0.0 : std::sqrt(sum / double(samples.size()));
    }
    // Sign changes per second of the first channel: the pitch of a tone, roughly twice its frequency.
    double CrossingsPerSecond() const {
        int crossings = 0;
        for (std::size_t i = std::size_t(channels); i < samples.size(); i += std::size_t(channels)) {
            crossings += (samples[i - std::size_t(channels)] < 0) != (samples[i] < 0);
        }
        return crossings / Seconds();
    }
};

// A 16-bit PCM WAVE file, read strictly: any other layout fails the test.
Wave ReadWave(const QString& path) {
    const QByteArray b = ReadFile(path);
    const auto le16 = [&](int at) { return qFromLittleEndian<quint16>(b.constData() + at); };
    const auto le32 = [&](int at) { return qFromLittleEndian<quint32>(b.constData() + at); };
    Wave w;
    if (b.size() < 44 || !b.startsWith("RIFF") || b.mid(8, 8) != "WAVEfmt " || le16(20) != 1 ||
        le16(34) != 16 || b.mid(36, 4) != "data" || le32(40) != quint32(b.size() - 44) ||
        le32(4) != quint32(b.size() - 8)) {
        ADD_FAILURE() << "not a complete 16-bit PCM WAVE file: " << path.toStdString();
        return w;
    }
    w.channels = le16(22);
    w.rate = int(le32(24));
    w.samples.resize(std::size_t(b.size() - 44) / 2);
    std::memcpy(w.samples.data(), b.constData() + 44, w.samples.size() * 2);
    return w;
}

// A tone at 8 kHz, as the stand-in server writes dictations.
QByteArray DssTone(double seconds, double frequency) {
    std::vector<std::int16_t> s(std::size_t(seconds * 8000));
    for (std::size_t i = 0; i < s.size(); ++i) {
        s[i] = std::int16_t(6000.0 * std::sin(2.0 * kPi * frequency * double(i) / 8000));
    }
    return QByteArray::fromStdString(EncodeDss(s, DssInfo{}));
}

struct DecoderRun {
    int exitCode = -1;
    QString stderrText;
};

// The converter as the desk starts it: one unsplit parameter text.
DecoderRun RunDecoder(const QString& parameters) {
    QProcess p;
    p.start(QStringLiteral(VELMO_DSSDECODER_PATH), {parameters});
    // A converter that never ends on bad input (e.g. /dev/zero) fails here.
    EXPECT_TRUE(p.waitForFinished(30000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardError())};
}

class DecoderTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return dir_.filePath(name); }
    // The files in a folder, to see that a failed run left nothing behind.
    QStringList Files(const QString& folder = {}) const {
        return QDir(Path(folder)).entryList(QDir::Files | QDir::Hidden);
    }
    QTemporaryDir dir_;
};

TEST_F(DecoderTest, ConvertsDssWaveAndMp3ToWaveOfTheSameLengthAndPitch) {
    const struct {
        const char* name;          // may hold blanks
        double seconds, frequency; // the length and the tone expected
        int rate;                  // of the output
    } inputs[] = {
        {"J260101.dss", 3.0, 440.0, 8000},                 // several blocks, frames across block edges
        {"voice files/Dr Hart J 7.dss", 0.5, 300.0, 8000}, // one block, a path with blanks
        {"tone.mp3", 2.0, 440.0, 22050},
    };
    for (const auto& in : inputs) {
        SCOPED_TRACE(in.name);
        const QString source = Path(QString::fromUtf8(in.name));
        const QString suffix = QFileInfo(source).suffix();
        if (suffix == "dss") {
            WriteFile(source, DssTone(in.seconds, in.frequency));
        } else {
            const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
            ASSERT_FALSE(ffmpeg.isEmpty()) << "ffmpeg is needed to make the WAVE and MP3 inputs";
            const int made =
                QProcess::execute(ffmpeg, {"-loglevel", "error", "-y", "-f", "lavfi", "-i",
                                           QString("sine=frequency=%1:duration=%2:sample_rate=%3")
                                               .arg(in.frequency)
                                               .arg(in.seconds)
                                               .arg(in.rate),
                                           source});
            ASSERT_EQ(made, 0);
        }
        const QString wav = source.left(source.size() - suffix.size()) + "wav";
        const DecoderRun run = RunDecoder(source + "|" + wav);
        ASSERT_EQ(run.exitCode, 0) << run.stderrText.toStdString();
        const Wave w = ReadWave(wav);
        EXPECT_EQ(w.rate, in.rate);
        EXPECT_EQ(w.channels, 1);
        EXPECT_NEAR(w.Seconds(), in.seconds, in.seconds * 0.02 + 0.03); // plus the last 30 ms frame
        EXPECT_GT(w.Rms(), 1000.0);
        EXPECT_NEAR(w.CrossingsPerSecond(), 2 * in.frequency, 2 * in.frequency * 0.1);
    }
}

// Unreadable audio, a missing input, a parameter text without both names and an input that never
// ends: each fails with its exit code and one line, and leaves no wave behind.
TEST_F(DecoderTest, BadInputsParameterTextsAndTheCapFailWithOneLineAndLeaveAnEarlierWave) {
    QByteArray noise(40000, '\0');
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    WriteFile(Path("in/cut.dss"), DssTone(3.0, 440.0).left(1024 + 512 * 2 + 100));
    WriteFile(Path("in/empty.dss"), {});
    WriteFile(Path("in/random.dss"), noise);
    QDir().mkpath(Path("out"));
    const QString out = "|" + Path("out/result.wav");
    const std::pair<QString, int> cases[] = {
        {Path("in/cut.dss") + out, 1},  {Path("in/empty.dss") + out, 1}, {Path("in/random.dss") + out, 1},
        {Path("in/none.dss") + out, 1}, {Path("in/none.dss"), 2},        {out, 2}, // no "|", no input
        {"/dev/zero" + out, 1},                                                    // never ends
    };
    for (const auto& [parameters, exitCode] : cases) {
        SCOPED_TRACE(parameters.toStdString());
        const DecoderRun run = RunDecoder(parameters);
        EXPECT_EQ(run.exitCode, exitCode) << run.stderrText.toStdString();
        EXPECT_EQ(run.stderrText.count('\n'), 1) << run.stderrText.toStdString();
        EXPECT_TRUE(run.stderrText.startsWith("DSSDecoder: "));
        EXPECT_EQ(Files("out"), QStringList());
    }
    // The output is capped, and an earlier wave survives a failure.
    WriteFile(Path("long.dss"), DssTone(3.0, 440.0));
    WriteFile(Path("long.wav"), "earlier");
    const std::string dss = Path("long.dss").toStdString(), wav = Path("long.wav").toStdString();
    std::string error;
    EXPECT_FALSE(ConvertToWave(dss, wav, ConversionLimits{.maxSeconds = 2.0}, error));
    EXPECT_NE(error.find("limit"), std::string::npos) << error;
    EXPECT_EQ(ReadFile(Path("long.wav")), "earlier");
    EXPECT_EQ(Files(), QStringList({"long.dss", "long.wav"}));
    EXPECT_TRUE(ConvertToWave(dss, wav, ConversionLimits{.maxSeconds = 4.0}, error)) << error;
    EXPECT_NEAR(ReadWave(Path("long.wav")).Seconds(), 3.0, 0.06);
}

} // namespace
