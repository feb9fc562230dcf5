#include "host/core/CUtility.h"
#include "tests/host/HostTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Split {
    int found = 0;
    QStringList pieces;
};

Split SplitOf(const QString& source, const QString& delim, QStringList start = {}) {
    Split s;
    s.pieces = std::move(start);
    s.found = CUtility().SplitString(source, delim, s.pieces);
    return s;
}

TEST(SplitString, NoDelimiterOrEmptyTextAddsNothing) {
    const QStringList before = {QStringLiteral("kept")};
    for (const QString& source : {QString(), QStringLiteral("12~Provider One"), QStringLiteral("   ")}) {
        const Split s = SplitOf(source, QStringLiteral("|"), before);
        EXPECT_EQ(s.found, 0) << source.toStdString();
        EXPECT_EQ(s.pieces, before) << source.toStdString();
    }
}

TEST(SplitString, PiecesAreTrimmedAndTrailingDelimiterAddsNothing) {
    const Split s = SplitOf(QStringLiteral(" x | y |"), QStringLiteral("|"));
    EXPECT_EQ(s.found, 2);
    EXPECT_EQ(s.pieces, (QStringList{QStringLiteral("x"), QStringLiteral("y")}));
}

TEST(SplitString, LeadingDelimiterAddsNoEmptyPiece) {
    const Split s = SplitOf(QStringLiteral("|a|b"), QStringLiteral("|"));
    EXPECT_EQ(s.found, 2);
    EXPECT_EQ(s.pieces, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
}

TEST(SplitString, BlankPieceBecomesEmptyTextButEmptyPieceIsSkipped) {
    const Split s = SplitOf(QStringLiteral("a| |b"), QStringLiteral("|"));
    EXPECT_EQ(s.found, 2);
    EXPECT_EQ(s.pieces, (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}));
}

TEST(SplitString, SecondOfTwoAdjacentDelimitersIsNotSeen) {
    const Split two = SplitOf(QStringLiteral("a||b"), QStringLiteral("|"));
    EXPECT_EQ(two.found, 1);
    EXPECT_EQ(two.pieces, (QStringList{QStringLiteral("a"), QStringLiteral("|b")}));

    const Split three = SplitOf(QStringLiteral("a|||b"), QStringLiteral("|"));
    EXPECT_EQ(three.found, 2);
    EXPECT_EQ(three.pieces, (QStringList{QStringLiteral("a"), QStringLiteral("|"), QStringLiteral("b")}));

    // A source that ends in two delimiters keeps the unseen one as the last piece.
    const Split tail = SplitOf(QStringLiteral("a||"), QStringLiteral("|"));
    EXPECT_EQ(tail.found, 1);
    EXPECT_EQ(tail.pieces, (QStringList{QStringLiteral("a"), QStringLiteral("|")}));
}

TEST(SplitString, AppendsToWhatTheListAlreadyHolds) {
    const Split s = SplitOf(QStringLiteral("12~One"), QStringLiteral("~"), {QStringLiteral("old")});
    EXPECT_EQ(s.found, 1);
    EXPECT_EQ(s.pieces, (QStringList{QStringLiteral("old"), QStringLiteral("12"), QStringLiteral("One")}));
}

TEST(SplitString, LongerDelimiterResumesOneCharacterPastItsEnd) {
    // "~~" found at 1; the next search starts at 4 (not 3), so the "~" at 3 stays in a piece.
    const Split s = SplitOf(QStringLiteral("a~~~~~~b"), QStringLiteral("~~"));
    EXPECT_EQ(s.found, 2);
    EXPECT_EQ(s.pieces, (QStringList{QStringLiteral("a"), QStringLiteral("~"), QStringLiteral("~b")}));

    const Split words = SplitOf(QStringLiteral("x<br>y<br>z"), QStringLiteral("<br>"));
    EXPECT_EQ(words.found, 2);
    EXPECT_EQ(words.pieces, (QStringList{QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z")}));
}

TEST(SplitString, ProviderEntryParts) {
    const Split s = SplitOf(QStringLiteral(" 12 ~ Provider One "), QStringLiteral("~"));
    EXPECT_EQ(s.found, 1);
    EXPECT_EQ(s.pieces, (QStringList{QStringLiteral("12"), QStringLiteral("Provider One")}));
}

TEST(FolderUtilities, CreateFolderPathMakesEveryMissingParentWithOrWithoutTrailingSlash) {
    QTemporaryDir root;
    CUtility u;
    u.CreateFolderPath(root.path() + QStringLiteral("/a/b/c/"));
    EXPECT_TRUE(QFileInfo(root.path() + QStringLiteral("/a/b/c")).isDir());
    u.CreateFolderPath(root.path() + QStringLiteral("/d/e"));
    EXPECT_TRUE(QFileInfo(root.path() + QStringLiteral("/d/e")).isDir());
    u.CreateFolderPath(QString()); // ignored, no crash
}

TEST(FolderUtilities, ExistingFileCountsAsExistingFolderAndNothingIsReplaced) {
    QTemporaryDir root;
    const QString file = root.path() + QStringLiteral("/taken");
    hosttest::WriteFile(file, "content");
    CUtility u;
    u.CreateFolderPath(file + QStringLiteral("/"));
    EXPECT_TRUE(QFileInfo(file).isFile());
    EXPECT_EQ(hosttest::ReadFile(file), QByteArray("content"));
    // Below a file nothing can be made; the call still returns quietly.
    u.CreateFolderPath(file + QStringLiteral("/sub"));
    EXPECT_FALSE(u.FileExists(file + QStringLiteral("/sub")));
}

TEST(FolderUtilities, FileExistsForFilesAndFoldersOnly) {
    QTemporaryDir root;
    CUtility u;
    hosttest::WriteFile(root.path() + QStringLiteral("/f"), "");
    EXPECT_TRUE(u.FileExists(root.path()));
    EXPECT_TRUE(u.FileExists(root.path() + QStringLiteral("/f")));
    EXPECT_FALSE(u.FileExists(root.path() + QStringLiteral("/missing")));
    EXPECT_FALSE(u.FileExists(QString()));
}

TEST(FolderUtilities, ProfileFolderFollowsXdgDataHome) {
    QTemporaryDir root;
    {
        hosttest::ScopedEnv env("XDG_DATA_HOME", root.path().toLocal8Bit());
        EXPECT_EQ(CUtility().ProfileFolder(), root.path() + QStringLiteral("/velmo/"));
        EXPECT_EQ(CUtility().TempFolder(), root.path() + QStringLiteral("/velmo/Temp/"));
    }
    {
        hosttest::ScopedEnv env("XDG_DATA_HOME", root.path().toLocal8Bit() + "/");
        EXPECT_EQ(CUtility().ProfileFolder(), root.path() + QStringLiteral("/velmo/"));
    }
    const QString fallback = QDir::homePath() + QStringLiteral("/.local/share/velmo/");
    {
        hosttest::ScopedEnv env("XDG_DATA_HOME", "");
        EXPECT_EQ(CUtility().ProfileFolder(), fallback);
    }
    {
        // Relative values are not valid XDG folders.
        hosttest::ScopedEnv env("XDG_DATA_HOME", "relative/data");
        EXPECT_EQ(CUtility().ProfileFolder(), fallback);
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
