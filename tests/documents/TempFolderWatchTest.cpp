// The folder watch reports its documents' locks and writes, in order, and nothing else.
#include "documents/core/TempFolderWatch.h"
#include "documents/core/WordHoldsFile.h"
#include "tests/support/Files.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

TEST(TempFolderWatch, ReportsTheLocksAndWritesOfItsDocumentsInOrder) {
    QTemporaryDir dir;
    const QString doc = WriteFile(dir.filePath("R1.doc"), "{\\rtf1 one}");
    const QString lock = OfficeLockFilePath(doc);
    const QString twin = dir.filePath("R1.odt");
    TempFolderWatch watch({doc, twin});
    ASSERT_TRUE(watch.Notifying());
    ASSERT_FALSE(watch.LockPresent());
    QStringList events;
    QObject::connect(&watch, &TempFolderWatch::LockAppeared, [&] { events << "appeared"; });
    QObject::connect(&watch, &TempFolderWatch::LockRemoved, [&] { events << "removed"; });
    QObject::connect(&watch, &TempFolderWatch::DocumentWritten, [&] { events << "written"; });

    const struct {
        const char* what;
        std::function<void()> act;
        QStringList expected;
    } cases[] = {
        {"open and close without saving",
         [&] {
             WriteFile(lock, "x");
             QFile::remove(lock);
         },
         {"appeared", "removed"}},
        {"saved in place", [&] { WriteFile(doc, "{\\rtf1 two}"); }, {"written"}},
        {"saved through a copy moved into place",
         [&] {
             WriteFile(dir.filePath("lu123.tmp"), "{\\rtf1 three}");
             QFile::remove(doc);
             QFile::rename(dir.filePath("lu123.tmp"), doc);
         },
         {"written"}},
        {"the twin locked, closed and saved",
         [&] {
             WriteFile(OfficeLockFilePath(twin), "x");
             QFile::remove(OfficeLockFilePath(twin));
             WriteFile(twin, "x");
         },
         {"appeared", "removed", "written"}},
        {"other files of the folder, another document's lock",
         [&] {
             WriteFile(dir.filePath("R2.doc"), "x");
             WriteFile(OfficeLockFilePath(dir.filePath("R2.doc")), "x");
             WriteFile(dir.filePath("R1.doc.bak"), "x");
             QFile::remove(dir.filePath("R2.doc"));
         },
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        events.clear();
        c.act();
        // The lock appearing last tells that every earlier event has been read.
        WriteFile(lock, "x");
        ASSERT_TRUE(QTest::qWaitFor([&] { return events.endsWith("appeared"); }, 20000));
        EXPECT_EQ(events, c.expected + QStringList{"appeared"});
        EXPECT_TRUE(watch.LockPresent());
        events.clear();
        QFile::remove(lock);
        ASSERT_TRUE(QTest::qWaitFor([&] { return events == QStringList{"removed"}; }, 20000));
    }

    // The folder removed: nothing more can come, and the owner is told to poll.
    ASSERT_TRUE(dir.remove());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !watch.Notifying(); }, 20000));
}

} // namespace
