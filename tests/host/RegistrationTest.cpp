#include "host/core/Registration.h"
#include "tests/support/Files.h"
#include "tests/support/ScopedEnv.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class DeskRegistration : public ::testing::Test {
protected:
    Registration::Paths Paths() const { return Registration::Paths{data, config, "/opt/velmo/bin/velmo"}; }

    QTemporaryDir home;
    QString data = home.path() + "/data";
    QString config = home.path() + "/config";
    QString mime = data + "/mime/packages/velmo-hostpage.xml";
    QString mimeApps = config + "/mimeapps.list";
    ScopedEnv dataEnv{"XDG_DATA_HOME", data.toLocal8Bit()};
    ScopedEnv configEnv{"XDG_CONFIG_HOME", config.toLocal8Bit()};
};

TEST_F(DeskRegistration, RegisterWritesMimeTypeDesktopEntryAndDefaults) {
    // A desktop entry that cannot be written fails after the MIME type is in place.
    WriteFile(data + "/applications", "in the way");
    EXPECT_EQ(Registration::Register(Paths()), Registration::kClassFailed);
    EXPECT_TRUE(QFileInfo::exists(mime));
    ASSERT_TRUE(QFile::remove(data + "/applications"));
    EXPECT_EQ(Registration::Register(Paths()), Registration::kOk);
    EXPECT_TRUE(ReadText(mime).contains("<glob pattern=\"*.velmo\"/>"));
    const QString apps = ReadText(mimeApps);
    EXPECT_TRUE(apps.contains("[Default Applications]\n"));
    EXPECT_TRUE(apps.contains("\nx-scheme-handler/velmo=velmo.desktop;\n"));
    EXPECT_TRUE(apps.contains("\napplication/x-velmo-hostpage=velmo.desktop;\n"));
}

TEST_F(DeskRegistration, UnregisterRemovesOnlyWhatRegisterAdded) {
    WriteFile(mimeApps, "[Default Applications]\ntext/html=firefox.desktop;\n"
                        "x-scheme-handler/velmo=old-desk.desktop;\n\n"
                        "[Added Associations]\napplication/pdf=evince.desktop;\n");
    ASSERT_EQ(Registration::Register(Paths()), Registration::kOk);
    EXPECT_TRUE(ReadText(mimeApps).contains("x-scheme-handler/velmo=velmo.desktop;old-desk.desktop;\n"));

    EXPECT_EQ(Registration::Unregister(Paths()), Registration::kOk);
    EXPECT_FALSE(QFileInfo::exists(data + "/applications/velmo.desktop"));
    EXPECT_FALSE(QFileInfo::exists(mime));
    EXPECT_EQ(ReadText(mimeApps), "[Default Applications]\ntext/html=firefox.desktop;\n"
                                  "x-scheme-handler/velmo=old-desk.desktop;\n\n"
                                  "[Added Associations]\napplication/pdf=evince.desktop;\n");
}

} // namespace
