// The window's arrangement at common sizes, its keyboard order, and the clean-up it does
// when it goes away.
#include "host/core/CUtility.h"
#include "tests/reportlist/window/LogCapture.h"
#include "tests/reportlist/window/WindowFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>

namespace {

using LayoutTest = WindowFixture;
using CleanupTest = WindowFixture;

// The window's own control that holds w (w may be a part of a date picker or a combo box).
QString OwningControl(QWidget* w, const QWidget* page) {
    for (; w && w != page; w = w->parentWidget()) {
        if (w->parentWidget() == page) {
            return w->objectName();
        }
    }
    return {};
}

} // namespace

TEST_F(LayoutTest, TabVisitsTheControlsInOrderAndEachHasAName) {
    Start();
    page_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(page_.get()));
    Box("ctl209")->setFocus();
    QStringList visited{OwningControl(QApplication::focusWidget(), page_.get())};
    for (int i = 0; i < 40 && visited.size() < 16; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const QString name = OwningControl(QApplication::focusWidget(), page_.get());
        if (name != visited.last()) {
            visited.append(name);
        }
    }
    EXPECT_EQ(visited.join(' '),
              "ctl209 ctl211 ctl220 ctl221 ctl262 ctl219 ctl8889 ctl210 ctl201 ctl202 ctl203 "
              "ctl204 ctl207 ctl206 ctl208 ctl212");
    EXPECT_EQ(Box("ctl211")->accessibleName(), "Location");
    // Alt + the underlined letter of a filter's label reaches its box.
    QTest::keyClick(page_.get(), Qt::Key_L, Qt::AltModifier);
    EXPECT_EQ(OwningControl(QApplication::focusWidget(), page_.get()), "ctl211");
}

TEST_F(CleanupTest, ClosingEmptiesTheWorkingFoldersButKeepsThemAndRemovesTheCache) {
    Start();
    const QString temp = CUtility().TempFolder();
    for (const char* folder : {"versionfiles/", "VoiceFiles/", "nested/"}) {
        CUtility().CreateFolderPath(temp + folder);
    }
    const QStringList files{temp + "R260001.doc", temp + "versionfiles/R260001_1.doc",
                            temp + "VoiceFiles/J260101.wav"};
    for (const QString& f : files + QStringList{temp + "nested/keep.txt"}) {
        QFile file(f);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("x") == 1) << f.toStdString();
    }
    QFile::setPermissions(files.first(), QFileDevice::ReadOwner); // read-only is no obstacle
    // The provider/location cache lives as long as the window.
    const QString cache = CUtility().ProfileFolder() + "PhysicianLocationCombo.ini";
    ASSERT_TRUE(QFile::exists(cache));

    LogCapture log;
    page_.reset();

    for (const QString& f : files) {
        EXPECT_FALSE(QFile::exists(f)) << f.toStdString();
    }
    for (const char* folder : {"", "versionfiles/", "VoiceFiles/", "nested/"}) {
        EXPECT_TRUE(QDir(temp + QString::fromLatin1(folder)).exists()) << folder;
    }
    EXPECT_TRUE(QFile::exists(temp + "nested/keep.txt"));
    EXPECT_FALSE(QFile::exists(cache));
    for (const QString& message : log.Messages()) {
        EXPECT_FALSE(message.startsWith("Failed to delete the file ")) << message.toStdString();
    }
}
