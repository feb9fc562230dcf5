// The velmo program itself, run as a launcher would run it.
#include "tests/app/ProgramRun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

// A session handed over with --param: on a server nobody listens at, user 12 unless another is
// given, then the options.
QStringList SessionArgs(const QStringList& options, const QString& user = "12") {
    return QStringList{"--param", "ServerURL=http://127.0.0.1:9/", "--param", "LoggedUserId=" + user,
                       "--param", "PhysicianList=12~Provider One"} +
           options;
}

class DeskProgram : public ::testing::Test {
protected:
    // Runs velmo; returns its exit code (-1 when it crashed or hung), keeping its errors.
    int Velmo(const QStringList& arguments) {
        const QString root = home.path();
        const Result run = RunTool(VELMO_EXECUTABLE, arguments,
                                   DeskEnvironment(root + "/data", root + "/config", root + "/etc"), root);
        err = run.err;
        return run.exitCode;
    }
    // Today's log, whose lines end " LastError = " and the error number.
    QString Log() const { return DeskLog(home.path() + "/data"); }

    // The desk has been used with this server before: no first-contact question.
    void KnowServer(const QByteArray& host) {
        WriteFile(home.path() + "/data/velmo/KnownServers", host + "\n");
    }

    QTemporaryDir home;
    QString err;
};

TEST_F(DeskProgram, ScreenshotRunWritesThePictureAndStartsTheLogFromParamsOrTheHostPage) {
    const QString png = home.filePath("out.png");
    KnowServer("127.0.0.1");
    // Logs are kept 30 days when the settings file does not say otherwise.
    const QString oldLog =
        home.path() + "/data/velmo/Log/" + ActivityLog::FileNameFor(QDate::currentDate().addDays(-31));
    WriteFile(oldLog, "an old line\r\n");
    ASSERT_EQ(Velmo(SessionArgs({"--size", "900x640", "--screenshot", png})), 0) << err.toStdString();
    const QImage picture(png);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size() / picture.devicePixelRatio(), QSize(900, 640));
    const QRegularExpression start(
        " : OCX Version : 1\\.0\\.1\\.0 August 6 2009 Version Changed for MID : "
        "2433,2156,2242,2423,2429 LastError = \\d+\r\n"
        // The start's housekeeping: the test made the profile with the umask's modes and left a
        // log of 31 days ago.
        "(\\d\\d:\\d\\d:\\d\\d : (InitInstance|RemoveOldLogs|ServerTrust): [^\r]*\r\n)*"
        "\\d\\d:\\d\\d:\\d\\d : SetWebsite: HostName, http://127\\.0\\.0\\.1:9/ LastError");
    EXPECT_TRUE(start.match(Log()).hasMatch()) << Log().toStdString();
    EXPECT_TRUE(Log().contains("RemoveOldLogs: File, " + oldLog + ", deleted")) << Log().toStdString();

    // A host page given through the URL scheme holds the session.
    const QString page = home.filePath("desk.velmo");
    WriteFile(page, "<object classid='clsid:5E3D9A41-7C2B-4F86-A1D0-3B9E6C5F2A17'>"
                    "<param name='ServerURL' value='http://127.0.0.1:9/page/'></object>");
    ASSERT_EQ(Velmo({"velmo:" + page, "--screenshot", png}), 0) << err.toStdString();
    EXPECT_TRUE(Log().contains("SetWebsite: HostName, http://127.0.0.1:9/page/ LastError"))
        << Log().toStdString();
}

// --fixed-waits brings the pacing back: the first list is asked for only after its 4 s.
TEST_F(DeskProgram, FixedWaitsPaceTheFirstList) {
    KnowServer("127.0.0.1");
    QElapsedTimer run;
    run.start();
    ASSERT_EQ(Velmo(SessionArgs({"--param", "LocationList=[12]3~North Clinic", "--fixed-waits",
                                 "--screenshot", home.filePath("x.png")})),
              0)
        << err.toStdString();
    EXPECT_GE(run.elapsed(), 4000);
}

// Before a session starts: an administrator's AllowedServers (it holds over the user's own) lets
// only its servers through; without one, a server the desk has not used is asked about (a headless
// run answers No); a page id the desk cannot use as a name ends the session.
TEST_F(DeskProgram, TheSessionsServerAndIdsAreCheckedBeforeItStarts) {
    const struct {
        const char *admin, *own; // AllowedServers of the two settings files (nullptr: no file)
        bool known;
        const char* user;
        int exit;
        const char* said; // on stderr
    } cases[] = {
        {nullptr, nullptr, false, "12", 1,
         "This link connects the desk to 127.0.0.1, which it has not used before. Continue?"},
        {"reports.example", "127.0.0.1", true, "12", 1,
         "The desk may not connect to 127.0.0.1: it is not one of the report servers allowed on this "
         "computer."},
        {nullptr, nullptr, true, "../../x", 1, "the user id (LoggedUserId) \"../../x\" is not a valid id"},
        {nullptr, "Reports.Example, 127.0.0.1", false, "12", 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said);
        QDir(home.path()).removeRecursively();
        QDir().mkpath(home.path());
        for (const auto& [file, hosts] :
             {std::pair{"/etc/velmo/velmo.conf", c.admin}, {"/config/velmo/velmo.conf", c.own}}) {
            if (hosts != nullptr) {
                WriteFile(home.path() + file, QByteArray("AllowedServers=") + hosts);
            }
        }
        if (c.known) {
            KnowServer("127.0.0.1");
        }
        const QString png = home.filePath("out.png");
        EXPECT_EQ(Velmo(SessionArgs({"--screenshot", png}, c.user)), c.exit) << err.toStdString();
        EXPECT_TRUE(err.contains(c.said)) << err.toStdString();
        EXPECT_EQ(QFileInfo::exists(png), c.exit == 0);
    }
}

TEST_F(DeskProgram, AMissingPageExitsNonZeroNamingIt) {
    EXPECT_EQ(Velmo({"--page", home.filePath("missing.html"), "--screenshot", home.filePath("x.png")}), 1);
    EXPECT_TRUE(err.contains("missing.html")) << err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.filePath("x.png")));
}

TEST_F(DeskProgram, RegisterAndUnregister) {
    const QString desktop = home.path() + "/data/applications/velmo.desktop";
    ASSERT_EQ(Velmo({"--register"}), 0) << err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(ReadFile(desktop))
                    .contains("Exec=\"" + QFileInfo(VELMO_EXECUTABLE).canonicalFilePath()));
    EXPECT_EQ(Velmo({"--unregister"}), 0) << err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(desktop));
    // A file where the MIME folder belongs: registration fails with one line naming the result.
    ASSERT_TRUE(QDir(home.path() + "/data/mime").removeRecursively());
    WriteFile(home.path() + "/data/mime", "in the way");
    EXPECT_EQ(Velmo({"--register"}), 1);
    EXPECT_TRUE(err.contains("0x80040200")) << err.toStdString();
    EXPECT_EQ(err.trimmed().count('\n'), 0);
}

} // namespace
