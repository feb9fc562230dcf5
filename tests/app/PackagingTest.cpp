// What the package installs, checked without building one: the files pass the desktop's own
// tools, the install rules lay out a tree the installed desk works from, and the manual page
// keeps up with the options.
#include "host/core/ControlIdentity.h"
#include "host/core/LaunchOptions.h"
#include "host/core/Registration.h"
#include "tests/app/ProgramRun.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

const QString kSource = QStringLiteral(VELMO_SOURCE_DIR);

TEST(PackagedDesktopEntry, PackagedAndPerUserEntriesAreValidAndClaimBothTypes) {
    QTemporaryDir home;
    // A per-user entry names the executable, quoted: a path with a blank, a quote, "$" and "%".
    const Registration::Paths user{home.filePath("data"), home.filePath("config"),
                                   home.filePath("my desk/\"v$1 100%\"/velmo")};
    ASSERT_EQ(Registration::Register(user), Registration::kOk);
    const struct {
        QString path, exec;
    } entries[] = {
        {kSource + "/resources/desktop/velmo.desktop", "Exec=velmo %u"},
        {user.DesktopEntry(), "Exec=\"" + home.filePath("my desk/\\\\\"v\\\\$1 100%%\\\\\"/velmo") + "\" %u"},
    };
    for (const auto& entry : entries) {
        const Result check = RunTool("desktop-file-validate", {entry.path});
        EXPECT_EQ(check.exitCode, 0) << check.out.toStdString();
        EXPECT_FALSE(check.out.contains("error:")) << check.out.toStdString();
        const QStringList lines = QString::fromUtf8(ReadFile(entry.path)).split('\n');
        EXPECT_TRUE(lines.contains(entry.exec)) << entry.path.toStdString();
        EXPECT_TRUE(lines.contains("MimeType=x-scheme-handler/velmo;application/x-velmo-hostpage;"));
    }
}

TEST(PackagedMimeType, TheMimeDatabaseMapsTheGlobToTheHostPageType) {
    QTemporaryDir data;
    WriteFile(data.filePath("mime/packages/velmo.xml"), ReadFile(kSource + "/resources/desktop/velmo.xml"));
    // update-mime-database reports a file it cannot parse but still succeeds: look at its result.
    RunTool("update-mime-database", {data.filePath("mime")});
    const QStringList globs = QString::fromUtf8(ReadFile(data.filePath("mime/globs2"))).split('\n');
    EXPECT_TRUE(globs.contains("50:application/x-velmo-hostpage:*.velmo")) << globs.join('\n').toStdString();
}

TEST(PackagedManualPage, RendersWithoutWarningsAndNamesEveryOptionOfHelp) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("MANWIDTH", "80");
    env.insert("MAN_KEEP_FORMATTING", "0");
    const Result man = RunTool(
        "man", {"--warnings", "-l", QStringLiteral(VELMO_BINARY_DIR) + "/resources/man/velmo.1"}, env);
    ASSERT_EQ(man.exitCode, 0) << man.err.toStdString();
    EXPECT_EQ(man.err, "");
    // Rendered text, with the terminal's bold and underline overstrikes taken out.
    QString page = man.out;
    page.remove(QRegularExpression(".\b"));
    // Its footer names the version the program prints.
    const Result version = RunTool(QStringLiteral(VELMO_EXECUTABLE), {"--version"});
    EXPECT_EQ(version.out, "velmo " + QString(ControlIdentity::kVersion) + "\n");
    EXPECT_TRUE(page.contains(version.out.trimmed() + " ")) << version.out.toStdString();
    // Each option of --help has an entry of its own in OPTIONS: a line that starts with it.
    const QRegularExpressionMatch section =
        QRegularExpression("\nOPTIONS\n(.*?)\n[A-Z]", QRegularExpression::DotMatchesEverythingOption)
            .match(page);
    ASSERT_TRUE(section.hasMatch()) << page.toStdString();
    const QString options = "\n" + section.captured(1);
    const QRegularExpression option("(?<![\\w-])(--?[a-z][a-z-]*)");
    for (auto it = option.globalMatch(LaunchOptions::HelpText()); it.hasNext();) {
        const QString name = it.next().captured(1);
        EXPECT_TRUE(options.contains(
            QRegularExpression("\n {7}(-\\w, )?" + QRegularExpression::escape(name) + "\\b")))
            << "the manual page has no entry for " << name.toStdString();
    }
}

TEST(PackagedAppStream, MetainfoValidates) {
    const Result check =
        RunTool("appstreamcli", {"validate", "--no-net",
                                 kSource + "/resources/desktop/com.molve_reports.velmo.metainfo.xml"});
    EXPECT_EQ(check.exitCode, 0) << check.out.toStdString() << check.err.toStdString();
}

TEST(InstalledTree, HoldsTheDesksFilesAndTheInstalledDeskFindsItsSystemFolder) {
    QTemporaryDir prefix;
    const Result install =
        RunTool(QStringLiteral(VELMO_CMAKE_COMMAND),
                {"--install", QStringLiteral(VELMO_BINARY_DIR), "--prefix", prefix.path()});
    ASSERT_EQ(install.exitCode, 0) << install.out.toStdString() << install.err.toStdString();
    for (const QString& path :
         QStringLiteral("bin/velmo lib/velmo/DSSDecoder lib/velmo/BkImage.bmp "
                        "share/applications/velmo.desktop share/mime/packages/velmo.xml "
                        "share/icons/hicolor/scalable/apps/velmo.svg share/man/man1/velmo.1 "
                        "share/metainfo/com.molve_reports.velmo.metainfo.xml")
             .split(' ')) {
        EXPECT_TRUE(QFileInfo::exists(prefix.filePath(path))) << path.toStdString();
    }
    EXPECT_TRUE(QFileInfo(prefix.filePath("lib/velmo/DSSDecoder")).isExecutable());
    EXPECT_FALSE(QFileInfo::exists(prefix.filePath("bin/report-server")))
        << "the stand-in server is not for clinics";

    // The installed desk takes the folder beside it as its system folder, where Play finds the converter.
    // An off-screen run answers the first-contact question No: the profile already knows the host.
    WriteFile(prefix.filePath("profile/velmo/KnownServers"), "127.0.0.1\n");
    const Result run = RunTool(
        prefix.filePath("bin/velmo"),
        {"--param", "ServerURL=http://127.0.0.1:9/", "--screenshot", prefix.filePath("desk.png")},
        DeskEnvironment(prefix.filePath("profile"), prefix.filePath("config"), prefix.filePath("config")));
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString log = DeskLog(prefix.filePath("profile"));
    EXPECT_TRUE(log.contains("OnInitDialog: Winsys path, " + prefix.filePath("lib/velmo") + " LastError"))
        << log.toStdString();
}

} // namespace
