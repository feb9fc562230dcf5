// What comes from outside the desk stays within bounds: the names rule, the per-desk folder and
// the server gate (AllowedServers is tried on the program itself, in DeskProgramTest).
#include "host/core/CUtility.h"
#include "host/core/DeskFolder.h"
#include "host/core/NameGate.h"
#include "host/core/ServerGate.h"
#include "tests/support/Files.h"
#include "tests/support/PromptsDouble.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

TEST(NameGate, AcceptsReportNamesAndRefusesWhatCouldLeaveTheFolder) {
    const QString nul = QStringLiteral("secret") + QChar(u'\0');
    const QString longest(NameGate::kMaxNameLength, QLatin1Char('R'));
    const struct {
        QString name;
        const char* refusal; // empty: accepted
    } cases[] = {
        {"R260019", ""},
        {"J260103{STAT4}", ""},
        {QStringLiteral("Smith-Ünal_7"), ""},
        {longest, ""},
        {"", "it is empty"},
        {longest + "R", "it is longer than 128 characters"},
        {"../../Documents/letter", "it begins with \".\""},
        {"a/b", "it holds \"/\""},
        {"a\\b", "it holds \"\\\""},
        {"R1..doc", "it holds \"..\""},
        {nul, "it holds the control character U+0000"},
        {"R26\n0019", "it holds the control character U+000a"},
        {QStringLiteral("R1\u202Ecod.exe"), "it holds the control character U+202e"},
        {"-env:x", "it begins with \"-\""},
        {".~lock.R1.doc#", "it begins with \".\""},
        {QString(QChar(0xD800)) + "R", "it is not valid text"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NameGate::Refusal(c.name).toStdString(), std::string(c.refusal)) << c.name.toStdString();
        EXPECT_EQ(NameGate::PathInside("/p/Temp/desk-1/", c.name, ".doc"),
                  *c.refusal ? QString() : "/p/Temp/desk-1/" + c.name + ".doc")
            << c.name.toStdString();
    }
    EXPECT_EQ(NameGate::Printable("R1\nx" + longest), "R1\uFFFDx" + longest.left(124) + "...");
}

TEST(DeskFolder, EachDeskHasAPrivateFolderAndOnlyDeadDesksFoldersAreRemoved) {
    QDir(DeskFolder::Root()).removeRecursively();
    // A folder under Temp/ as another desk would have left it, holding a report.
    const auto Leftover = [](const QString& name) {
        return QFileInfo(WriteFile(DeskFolder::Root() + name + "/R260019.doc", "{\\rtf1 left}")).path();
    };
    const QString own = DeskFolder::Path();
    EXPECT_TRUE(own.startsWith(DeskFolder::Root() + "desk-" +
                               QString::number(QCoreApplication::applicationPid()) + "-"));
    EXPECT_EQ(CUtility::TempFolder(), own);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(own).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // Another desk runs as long as it holds its folder.
    const QString running = Leftover("desk-77-running");
    QProcess other;
    other.start("flock", {running, "cat"}); // holds the folder until its input ends
    ASSERT_TRUE(other.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([] { return DeskFolder::IsRunning("desk-77-running"); }, 10000));
    const QString dead = Leftover("desk-78-dead");
    const QString watched = Leftover("desk-79-watched");
    const QString notADesk = Leftover("mine");
    EXPECT_FALSE(DeskFolder::IsRunning("desk-78-dead"));

    EXPECT_EQ(DeskFolder::RemoveLeftovers({"desk-79-watched"}), 1);
    EXPECT_FALSE(QFileInfo::exists(dead));
    for (const QString& kept : {running, watched, notADesk, own}) {
        EXPECT_TRUE(QFileInfo::exists(kept)) << kept.toStdString();
    }
    other.closeWriteChannel();
    ASSERT_TRUE(other.waitForFinished());
    EXPECT_EQ(DeskFolder::RemoveLeftovers({}), 2); // the ended desk's and the no longer watched one
    EXPECT_TRUE(QFileInfo::exists(notADesk));

    // Emptied and removed when the window closes, made anew when needed again.
    DeskFolder::RemoveIfEmpty();
    EXPECT_FALSE(QFileInfo::exists(own));
    EXPECT_NE(DeskFolder::Path(), own);
}

// The first-contact question's answer is remembered.
TEST(ServerGate, AnUnknownServerIsAskedAboutOnceAndOnlyWebAddressesPass) {
    PromptsDouble& prompts = PromptsDouble::Current();
    QFile::remove(ServerGate::KnownServersPath());
    const struct {
        QString url;
        int answer; // to a question, when one comes
        bool admitted, asked;
    } cases[] = {
        {"https://new.example/", Prompts::No, false, true},
        {"https://new.example/", Prompts::Yes, true, true},
        {"https://NEW.example/other/", Prompts::No, true, false}, // remembered: not asked again
        {"file:///home/user/", Prompts::Yes, false, false},       // refused with a message
    };
    for (const auto& c : cases) {
        prompts.Clear();
        prompts.QueueAnswer(c.answer);
        EXPECT_EQ(ServerGate::Admit(c.url, {}), c.admitted) << c.url.toStdString();
        EXPECT_EQ(prompts.ShownTexts().contains(ServerGate::FirstContactQuestion("new.example")), c.asked);
    }
    // A page from the network must come from an allowed server too; a local page may always be read.
    EXPECT_FALSE(ServerGate::AdmitPage("https://evil.example/desk.php", {"reports.example"}));
    EXPECT_TRUE(ServerGate::AdmitPage("/home/user/desk.velmo", {"reports.example"}));
}

} // namespace
