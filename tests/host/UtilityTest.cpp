#include "host/core/CUtility.h"
#include "tests/host/HostTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(SplitString, DelimiterQuirks) {
    const struct {
        const char* source;
        const char* delim;
        int found;
        QStringList pieces; // added after what the list already held
    } cases[] = {
        // No delimiter, or nothing but blanks: nothing is added.
        {"", "|", 0, {}},
        {"12~Provider One", "|", 0, {}},
        {"   ", "|", 0, {}},
        // Pieces are trimmed; a trailing or leading delimiter adds no empty piece.
        {" x | y |", "|", 2, {"x", "y"}},
        {"|a|b", "|", 2, {"a", "b"}},
        {" 12 ~ Provider One ", "~", 1, {"12", "Provider One"}},
        // A blank piece becomes an empty text.
        {"a| |b", "|", 2, {"a", "", "b"}},
        // The second of two adjacent delimiters is not seen and stays in the next piece.
        {"a||b", "|", 1, {"a", "|b"}},
        {"a|||b", "|", 2, {"a", "|", "b"}},
        {"a||", "|", 1, {"a", "|"}},
        // A longer delimiter: the search resumes one character past its end.
        {"a~~~~~~b", "~~", 2, {"a", "~", "~b"}},
        {"x<br>y<br>z", "<br>", 2, {"x", "y", "z"}},
    };
    for (const auto& c : cases) {
        QStringList pieces{"old"};
        EXPECT_EQ(CUtility().SplitString(c.source, c.delim, pieces), c.found) << c.source;
        EXPECT_EQ(pieces, QStringList{"old"} + c.pieces) << c.source;
    }
}

TEST(FolderUtilities, CreateFolderPathAndFileExists) {
    QTemporaryDir root;
    CUtility u;
    u.CreateFolderPath(root.path() + "/a/b/c/");
    u.CreateFolderPath(root.path() + "/d/e");
    u.CreateFolderPath(QString()); // ignored
    EXPECT_TRUE(QFileInfo(root.path() + "/a/b/c").isDir());
    EXPECT_TRUE(QFileInfo(root.path() + "/d/e").isDir());

    // An existing file counts as the folder and is not replaced; below it nothing can be made.
    const QString file = root.path() + "/taken";
    hosttest::WriteFile(file, "content");
    u.CreateFolderPath(file + "/");
    u.CreateFolderPath(file + "/sub");
    EXPECT_EQ(hosttest::ReadFile(file), "content");
    EXPECT_TRUE(u.FileExists(file));
    EXPECT_TRUE(u.FileExists(root.path()));
    EXPECT_FALSE(u.FileExists(file + "/sub"));
    EXPECT_FALSE(u.FileExists(QString()));
}

TEST(FolderUtilities, ProfileFolderFollowsXdgDataHome) {
    QTemporaryDir root;
    const QString fallback = QDir::homePath() + "/.local/share/velmo/";
    const std::pair<QByteArray, QString> cases[] = {
        {root.path().toLocal8Bit(), root.path() + "/velmo/"},
        {root.path().toLocal8Bit() + "/", root.path() + "/velmo/"},
        {"", fallback},
        {"relative/data", fallback}, // relative values are not valid XDG folders
    };
    for (const auto& [value, expected] : cases) {
        hosttest::ScopedEnv env("XDG_DATA_HOME", value);
        EXPECT_EQ(CUtility().ProfileFolder(), expected) << value.constData();
        EXPECT_EQ(CUtility().TempFolder(), expected + "Temp/") << value.constData();
    }
}

TEST(CredentialScramble, AlternatesWrapsAndUndoes) {
    CUtility u;
    EXPECT_EQ(u.CredentialScramble(QByteArray("abcd"), true), "c`eb");
    EXPECT_EQ(u.CredentialScramble(QByteArray("abcd"), false), "_daf");
    EXPECT_EQ(u.CredentialScramble(QByteArray("\xff\x01", 2), true), QByteArray("\x01\xff", 2));
    EXPECT_EQ(u.CredentialScramble(u.CredentialScramble(QByteArray("dr.smith42"), true), false),
              "dr.smith42");
    EXPECT_EQ(u.CredentialScramble(QStringLiteral("abcd"), true), "c`eb");
}

} // namespace
