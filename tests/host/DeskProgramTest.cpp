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
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
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
        return QString::fromLocal8Bit(hosttest::ReadFile(path))
            .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }

    QTemporaryDir home;
};

bool IsLine(const QString& line, const QString& message) {
    return QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d : ") +
                              QRegularExpression::escape(message) + QStringLiteral(" LastError = \\d+$"))
        .match(line)
        .hasMatch();
}

// A server address nobody answers on, so the start-up query fails at once.
const QString kNoServer = QStringLiteral("http://127.0.0.1:9/");

TEST_F(DeskProgram, ScreenshotRunWritesThePictureAndStartsTheLog) {
    const QString png = home.path() + QStringLiteral("/out.png");
    const ProgramRun run =
        Velmo({QStringLiteral("--param"), QStringLiteral("ServerURL=") + kNoServer, QStringLiteral("--param"),
               QStringLiteral("LoggedUserId=12"), QStringLiteral("--param"),
               QStringLiteral("PhysicianList=12~Provider One"), QStringLiteral("--size"),
               QStringLiteral("900x640"), QStringLiteral("--screenshot"), png});
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
    const QString page = home.path() + QStringLiteral("/desk.velmo");
    hosttest::WriteFile(page, "<object classid='clsid:5E3D9A41-7C2B-4F86-A1D0-3B9E6C5F2A17'>"
                              "<param name='ServerURL' value='http://127.0.0.1:9/page/'>"
                              "<param name='LoggedUserId' value='12'></object>");
    const QString png = home.path() + QStringLiteral("/page.png");
    ProgramRun run = Velmo({QStringLiteral("velmo:") + page, QStringLiteral("--screenshot"), png});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(IsLine(Log().value(1), QStringLiteral("SetWebsite: HostName, http://127.0.0.1:9/page/")));

    run = Velmo({QStringLiteral("--page"), page, QStringLiteral("--param"),
                 QStringLiteral("SERVERURL=http://127.0.0.1:9/override/"), QStringLiteral("--screenshot"),
                 png});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList log = Log();
    ASSERT_EQ(log.filter(QStringLiteral("SetWebsite")).size(), 2);
    EXPECT_TRUE(IsLine(log.filter(QStringLiteral("SetWebsite")).last(),
                       QStringLiteral("SetWebsite: HostName, http://127.0.0.1:9/override/")));
}

TEST_F(DeskProgram, CommandLineMistakesAndBadPagesExitNonZeroWithOneLine) {
    ProgramRun run = Velmo({QStringLiteral("--size"), QStringLiteral("huge")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(QStringLiteral("--size")));

    run = Velmo({QStringLiteral("--page"), home.path() + QStringLiteral("/missing.html"),
                 QStringLiteral("--screenshot"), home.path() + QStringLiteral("/x.png")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("missing.html"))) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.path() + QStringLiteral("/x.png")));

    run = Velmo({QStringLiteral("--help")});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* option :
         {"--page", "--param", "--register", "--unregister", "--screenshot", "--size", "--help"}) {
        EXPECT_TRUE(run.out.contains(QLatin1String(option))) << option;
    }
}

TEST_F(DeskProgram, RegisterAndUnregister) {
    const QString desktop = home.path() + QStringLiteral("/data/applications/velmo.desktop");
    ProgramRun run = Velmo({QStringLiteral("--register")});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(hosttest::ReadFile(desktop))
                    .contains(QStringLiteral("Exec=\"") +
                              QFileInfo(QStringLiteral(VELMO_EXECUTABLE)).canonicalFilePath()));
    run = Velmo({QStringLiteral("--unregister")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(desktop));

    ASSERT_TRUE(QDir(home.path() + QStringLiteral("/data/mime")).removeRecursively());
    hosttest::WriteFile(home.path() + QStringLiteral("/data/mime"), "in the way");
    run = Velmo({QStringLiteral("--register")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("0x80040200"))) << run.err.toStdString();
    EXPECT_EQ(run.err.trimmed().count(QLatin1Char('\n')), 0);
}

} // namespace
