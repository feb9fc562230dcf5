#include "host/core/Registration.h"
#include "tests/host/HostTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class DeskRegistration : public ::testing::Test {
protected:
    DeskRegistration()
        : data(home.path() + "/data"), config(home.path() + "/config"),
          dataEnv("XDG_DATA_HOME", data.toLocal8Bit()), configEnv("XDG_CONFIG_HOME", config.toLocal8Bit()) {}

    Registration::Paths Paths() const { return Registration::Paths{data, config, "/opt/velmo/bin/velmo"}; }
    QString Desktop() const { return data + "/applications/velmo.desktop"; }
    QString Mime() const { return data + "/mime/packages/velmo-hostpage.xml"; }
    QString MimeApps() const { return config + "/mimeapps.list"; }

    QTemporaryDir home;
    QString data;
    QString config;
    hosttest::ScopedEnv dataEnv;
    hosttest::ScopedEnv configEnv;
};

TEST_F(DeskRegistration, RegisterWritesMimeTypeDesktopEntryAndDefaults) {
    EXPECT_EQ(Registration::Register(Paths()), Registration::kOk);

    const QByteArray mime = hosttest::ReadFile(Mime());
    EXPECT_TRUE(mime.contains("<mime-type type=\"application/x-velmo-hostpage\">"));
    EXPECT_TRUE(mime.contains("<glob pattern=\"*.velmo\"/>"));

    const QString entry = QString::fromUtf8(hosttest::ReadFile(Desktop()));
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    const QStringList lines = entry.split(QLatin1Char('\n'));
    EXPECT_TRUE(lines.contains("Type=Application"));
    EXPECT_TRUE(lines.contains("Exec=\"/opt/velmo/bin/velmo\" %u"));
    EXPECT_TRUE(lines.contains("MimeType=x-scheme-handler/velmo;application/x-velmo-hostpage;"));

    const QString apps = QString::fromUtf8(hosttest::ReadFile(MimeApps()));
    EXPECT_TRUE(apps.contains("[Default Applications]\n"));
    EXPECT_TRUE(apps.contains("\nx-scheme-handler/velmo=velmo.desktop;\n"));
    EXPECT_TRUE(apps.contains("\napplication/x-velmo-hostpage=velmo.desktop;\n"));

    // Registering twice changes nothing.
    EXPECT_EQ(Registration::Register(Paths()), Registration::kOk);
    EXPECT_EQ(QString::fromUtf8(hosttest::ReadFile(MimeApps())), apps);
}

TEST_F(DeskRegistration, UnregisterRemovesOnlyWhatRegisterAdded) {
    hosttest::WriteFile(MimeApps(), "[Default Applications]\n"
                                    "text/html=firefox.desktop;\n"
                                    "x-scheme-handler/velmo=old-desk.desktop;\n"
                                    "\n"
                                    "[Added Associations]\n"
                                    "application/pdf=evince.desktop;\n");
    ASSERT_EQ(Registration::Register(Paths()), Registration::kOk);
    const QString registered = QString::fromUtf8(hosttest::ReadFile(MimeApps()));
    EXPECT_TRUE(registered.contains("x-scheme-handler/velmo=velmo.desktop;old-desk.desktop;\n"));
    EXPECT_TRUE(registered.contains("text/html=firefox.desktop;\n"));

    EXPECT_EQ(Registration::Unregister(Paths()), Registration::kOk);
    EXPECT_FALSE(QFileInfo::exists(Desktop()));
    EXPECT_FALSE(QFileInfo::exists(Mime()));
    const QString after = QString::fromUtf8(hosttest::ReadFile(MimeApps()));
    EXPECT_FALSE(after.contains("velmo.desktop"));
    EXPECT_TRUE(after.contains("x-scheme-handler/velmo=old-desk.desktop;\n"));
    EXPECT_TRUE(after.contains("text/html=firefox.desktop;\n"));
    EXPECT_TRUE(after.contains("[Added Associations]\napplication/pdf=evince.desktop;\n"));
    EXPECT_FALSE(after.contains("application/x-velmo-hostpage"));

    // Nothing left to remove is still success.
    EXPECT_EQ(Registration::Unregister(Paths()), Registration::kOk);
}

TEST_F(DeskRegistration, MimeTypeFailureRegistersNoClassAndDesktopEntryFailureIsTheClassResult) {
    // A regular file where the mime folder belongs: nothing further is registered.
    hosttest::WriteFile(data + "/mime", "in the way");
    EXPECT_EQ(Registration::Register(Paths()), Registration::kTypeLibraryFailed);
    EXPECT_FALSE(QFileInfo::exists(Desktop()));
    EXPECT_FALSE(QFileInfo::exists(MimeApps()));

    ASSERT_TRUE(QFile::remove(data + "/mime"));
    hosttest::WriteFile(data + "/applications", "in the way");
    EXPECT_EQ(Registration::Register(Paths()), Registration::kClassFailed);
    EXPECT_TRUE(QFileInfo::exists(Mime()));
}

TEST_F(DeskRegistration, UnregisterFailuresKeepTheirOrder) {
    ASSERT_EQ(Registration::Register(Paths()), Registration::kOk);
    // A desktop entry that cannot be removed stops the unregistration before the MIME type.
    ASSERT_TRUE(QFile::remove(Desktop()));
    ASSERT_TRUE(QDir().mkpath(Desktop() + "/busy"));
    EXPECT_EQ(Registration::Unregister(Paths()), Registration::kClassFailed);
    EXPECT_TRUE(QFileInfo::exists(Mime()));

    ASSERT_TRUE(QDir(Desktop()).removeRecursively());
    ASSERT_TRUE(QFile::remove(Mime()));
    ASSERT_TRUE(QDir().mkpath(Mime() + "/busy"));
    EXPECT_EQ(Registration::Unregister(Paths()), Registration::kTypeLibraryFailed);
}

TEST(DesktopEntry, ExecLineQuotesThePath) {
    const QString entry = Registration::DesktopEntryText("/opt/my desk/v%1$\"x");
    EXPECT_TRUE(entry.contains("\nExec=\"/opt/my desk/v%%1\\\\$\\\\\"x\" %u\n")) << entry.toStdString();
}

TEST_F(DeskRegistration, EntryPointsUseTheEnvironmentAndTheRunningProgram) {
    EXPECT_EQ(DllRegisterServer(), Registration::kOk);
    const QString entry = QString::fromUtf8(hosttest::ReadFile(Desktop()));
    EXPECT_TRUE(entry.contains(QStringLiteral("Exec=\"") + QCoreApplication::applicationFilePath() + "\" %u"))
        << entry.toStdString();
    EXPECT_TRUE(QFileInfo::exists(MimeApps()));
    EXPECT_EQ(DllUnregisterServer(), Registration::kOk);
    EXPECT_FALSE(QFileInfo::exists(Desktop()));
    EXPECT_TRUE(Registration::Describe(Registration::kTypeLibraryFailed).contains("0x80040200"));
    EXPECT_TRUE(Registration::Describe(Registration::kClassFailed).contains("0x80040201"));
}

} // namespace
