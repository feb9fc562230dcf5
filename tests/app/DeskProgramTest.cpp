// The velmo program itself, run as a launcher would run it.
#include "host/core/ActivityLog.h"
#include "tests/host/HostTestSupport.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr int kProgramTimeoutMs = 100000;

struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class DeskProgram : public ::testing::Test {
protected:
    ProgramRun Velmo(const QStringList& arguments) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", home.path() + "/data");
        env.insert("XDG_CONFIG_HOME", home.path() + "/config");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(home.path());
        process.start(QStringLiteral(VELMO_EXECUTABLE), arguments);
        ProgramRun run;
        if (!process.waitForFinished(kProgramTimeoutMs)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << "velmo did not finish";
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
        run.err = QString::fromLocal8Bit(process.readAllStandardError());
        return run;
    }
    QStringList Log() const {
        const QString path =
            home.path() + QStringLiteral("/data/velmo/Log/") + ActivityLog::FileNameFor(QDate::currentDate());
        return QString::fromLocal8Bit(hosttest::ReadFile(path)).split("\r\n", Qt::SkipEmptyParts);
    }

    QTemporaryDir home;
};

bool IsLine(const QString& line, const QString& message) {
    return QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d : ") +
                              QRegularExpression::escape(message) + " LastError = \\d+$")
        .match(line)
        .hasMatch();
}

// A server address nobody answers on, so the start-up query fails at once.
const QString kNoServer = "http://127.0.0.1:9/";

TEST_F(DeskProgram, ScreenshotRunWritesThePictureAndStartsTheLog) {
    const QString png = home.path() + "/out.png";
    const ProgramRun run =
        Velmo({"--param", QStringLiteral("ServerURL=") + kNoServer, "--param", "LoggedUserId=12", "--param",
               "PhysicianList=12~Provider One", "--size", "900x640", "--screenshot", png});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QImage picture(png);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size() / picture.devicePixelRatio(), QSize(900, 640));

    const QStringList log = Log();
    ASSERT_GE(log.size(), 2);
    EXPECT_TRUE(
        IsLine(log.at(0), QStringLiteral("OCX Version : 1.0.1.0 August 6 2009 Version Changed for MID : "
                                         "2433,2156,2242,2423,2429")))
        << log.at(0).toStdString();
    EXPECT_TRUE(IsLine(log.at(1), QStringLiteral("SetWebsite: HostName, ") + kNoServer))
        << log.at(1).toStdString();
}

TEST_F(DeskProgram, HostPageGivesTheSessionAndParamsOverrideIt) {
    const QString page = home.path() + "/desk.velmo";
    hosttest::WriteFile(page, "<object classid='clsid:5E3D9A41-7C2B-4F86-A1D0-3B9E6C5F2A17'>"
                              "<param name='ServerURL' value='http://127.0.0.1:9/page/'>"
                              "<param name='LoggedUserId' value='12'></object>");
    const QString png = home.path() + "/page.png";
    ProgramRun run = Velmo({QStringLiteral("velmo:") + page, "--screenshot", png});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(IsLine(Log().value(1), "SetWebsite: HostName, http://127.0.0.1:9/page/"));

    run = Velmo({"--page", page, "--param", "SERVERURL=http://127.0.0.1:9/override/", "--screenshot", png});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList log = Log();
    ASSERT_EQ(log.filter("SetWebsite").size(), 2);
    EXPECT_TRUE(
        IsLine(log.filter("SetWebsite").last(), "SetWebsite: HostName, http://127.0.0.1:9/override/"));
}

TEST_F(DeskProgram, CommandLineMistakesAndBadPagesExitNonZeroWithOneLine) {
    ProgramRun run = Velmo({"--size", "huge"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("--size"));

    run = Velmo({"--page", home.path() + "/missing.html", "--screenshot", home.path() + "/x.png"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("missing.html")) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.path() + "/x.png"));

    run = Velmo({"--help"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* option :
         {"--page", "--param", "--register", "--unregister", "--screenshot", "--size", "--help"}) {
        EXPECT_TRUE(run.out.contains(QLatin1String(option))) << option;
    }
}

TEST_F(DeskProgram, RegisterAndUnregister) {
    const QString desktop = home.path() + "/data/applications/velmo.desktop";
    ProgramRun run = Velmo({"--register"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(hosttest::ReadFile(desktop))
                    .contains(QStringLiteral("Exec=\"") +
                              QFileInfo(QStringLiteral(VELMO_EXECUTABLE)).canonicalFilePath()));
    run = Velmo({"--unregister"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(desktop));

    ASSERT_TRUE(QDir(home.path() + "/data/mime").removeRecursively());
    hosttest::WriteFile(home.path() + "/data/mime", "in the way");
    run = Velmo({"--register"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains("0x80040200")) << run.err.toStdString();
    EXPECT_EQ(run.err.trimmed().count(QLatin1Char('\n')), 0);
}

} // namespace
