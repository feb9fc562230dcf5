#include "host/core/CUtility.h"
#include "tests/host/HostTestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(SplitString, DelimiterQuirks) {
    struct Row {
        const char* source;
        const char* delim;
        int found;
        QStringList pieces; // added after what the list already held
    };
    const Row rows[] = {
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
        // A longer delimiter: the search resumes one character past its end ("~~" at 1, next
        // search from 4, so the "~" at 3 stays in a piece).
        {"a~~~~~~b", "~~", 2, {"a", "~", "~b"}},
        {"x<br>y<br>z", "<br>", 2, {"x", "y", "z"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source);
        QStringList pieces{"old"};
        EXPECT_EQ(CUtility().SplitString(row.source, row.delim, pieces), row.found);
        EXPECT_EQ(pieces, QStringList{"old"} + row.pieces);
    }
}

TEST(FolderUtilities, CreateFolderPathMakesEveryMissingParentWithOrWithoutTrailingSlash) {
    QTemporaryDir root;
    CUtility u;
    u.CreateFolderPath(root.path() + "/a/b/c/");
    EXPECT_TRUE(QFileInfo(root.path() + "/a/b/c").isDir());
    u.CreateFolderPath(root.path() + "/d/e");
    EXPECT_TRUE(QFileInfo(root.path() + "/d/e").isDir());
    u.CreateFolderPath(QString()); // ignored, no crash

    // An existing file counts as the folder and is not replaced; below it nothing can be made.
    const QString file = root.path() + "/taken";
    hosttest::WriteFile(file, "content");
    u.CreateFolderPath(file + "/");
    EXPECT_EQ(hosttest::ReadFile(file), QByteArray("content"));
    u.CreateFolderPath(file + "/sub");
    EXPECT_FALSE(u.FileExists(file + "/sub"));
}

TEST(FolderUtilities, FileExistsForFilesAndFoldersOnly) {
    QTemporaryDir root;
    CUtility u;
    hosttest::WriteFile(root.path() + "/f", "");
    EXPECT_TRUE(u.FileExists(root.path()));
    EXPECT_TRUE(u.FileExists(root.path() + "/f"));
    EXPECT_FALSE(u.FileExists(root.path() + "/missing"));
    EXPECT_FALSE(u.FileExists(QString()));
}

TEST(FolderUtilities, ProfileFolderFollowsXdgDataHome) {
    QTemporaryDir root;
    const QString fallback = QDir::homePath() + "/.local/share/velmo/";
    const std::pair<QByteArray, QString> rows[] = {
        {root.path().toLocal8Bit(), root.path() + "/velmo/"},
        {root.path().toLocal8Bit() + "/", root.path() + "/velmo/"},
        {"", fallback},
        {"relative/data", fallback}, // relative values are not valid XDG folders
    };
    for (const auto& [value, expected] : rows) {
        SCOPED_TRACE(value.toStdString());
        hosttest::ScopedEnv env("XDG_DATA_HOME", value);
        EXPECT_EQ(CUtility().ProfileFolder(), expected);
        EXPECT_EQ(CUtility().TempFolder(), expected + "Temp/");
    }
}

TEST(CredentialScramble, AlternatesAndUndoes) {
    CUtility u;
    EXPECT_EQ(u.CredentialScramble(QByteArray("abcd"), true), QByteArray("c`eb"));
    EXPECT_EQ(u.CredentialScramble(QByteArray("abcd"), false), QByteArray("_daf"));
    // 8-bit wrapping at both ends.
    EXPECT_EQ(u.CredentialScramble(QByteArray("\xff\x01", 2), true), QByteArray("\x01\xff", 2));
    const QByteArray login("dr.smith42");
    EXPECT_EQ(u.CredentialScramble(u.CredentialScramble(login, true), false), login);
    EXPECT_EQ(u.CredentialScramble(QStringLiteral("abcd"), true), QStringLiteral("c`eb"));
}

} // namespace
