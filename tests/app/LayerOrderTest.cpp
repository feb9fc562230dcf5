// The folders are the layers: each top-level folder may include only its own and the folders
// below it, and a core/ folder never includes its GUI siblings. An include that runs upward
// compiles as long as the libraries happen to link, so it is caught here instead.
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

// Bottom to top. decoder/ and server/ are programs of their own and share nothing with the desk.
const QStringList kLayers = {"host",      "widgets", "transport", "reportlist",
                             "documents", "dialogs", "desk",      "app"};
const QStringList kSeparatePrograms = {"decoder", "server"};

QString TopFolder(const QString& path) {
    return path.section('/', 0, 0);
}

// "host/core/Log.h" -> "host/core"; a file directly in a top folder has no subfolder.
QString SubFolder(const QString& path) {
    return path.count('/') >= 2 ? path.section('/', 0, 1) : QString();
}

// What is wrong with one include, or an empty text when it is fine.
QString Offence(const QString& from, const QString& included) {
    const QString fromTop = TopFolder(from);
    const QString toTop = TopFolder(included);
    if (!included.contains('/')) {
        return {}; // a generated form header or a neighbour in the same folder
    }
    if (kSeparatePrograms.contains(fromTop) || kSeparatePrograms.contains(toTop)) {
        return fromTop == toTop ? QString() : QStringLiteral("crosses into a separate program");
    }
    const auto fromRank = kLayers.indexOf(fromTop);
    const auto toRank = kLayers.indexOf(toTop);
    if (toRank < 0) {
        return QStringLiteral("includes a folder outside the layers");
    }
    if (toRank > fromRank) {
        return QStringLiteral("runs upward, from %1 to %2").arg(fromTop, toTop);
    }
    const QString fromSub = SubFolder(from);
    if (fromSub.endsWith(QStringLiteral("/core")) && toTop == fromTop && SubFolder(included) != fromSub) {
        return QStringLiteral("a core folder reaches its GUI sibling");
    }
    return {};
}

QStringList OffencesIn(const QString& root, const QString& folder) {
    static const QRegularExpression include(QStringLiteral(R"re(^\s*#\s*include\s*"([^"]+)")re"),
                                            QRegularExpression::MultilineOption);
    QStringList offences;
    QDirIterator files(root + '/' + folder, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            offences << path + ": cannot be read";
            continue;
        }
        const QString from = path.mid(root.size() + 1);
        const QString text = QString::fromUtf8(file.readAll());
        for (auto it = include.globalMatch(text); it.hasNext();) {
            const QString included = it.next().captured(1);
            const QString offence = Offence(from, included);
            if (!offence.isEmpty()) {
                offences << QStringLiteral("%1 includes %2: %3").arg(from, included, offence);
            }
        }
    }
    return offences;
}

TEST(LayerOrder, RulesJudgeIncludes) {
    struct Case {
        const char* from;
        const char* included;
        bool fine;
    };
    const Case cases[] = {
        {"desk/Commands.cpp", "documents/open/OpenDocument.h", true},
        {"reportlist/listctrl/CListCtrl.cpp", "widgets/SortHeader.h", true},
        {"dialogs/fax/Fax.cpp", "documents/print/PrintDocuments.h", true},
        {"documents/open/Open.cpp", "dialogs/fax/Fax.h", false},
        {"reportlist/core/Query.cpp", "desk/CVelmoPropPage.h", false},
        {"widgets/IconButton.cpp", "reportlist/core/Row.h", false},
        {"host/core/Log.cpp", "host/gui/Prompts.h", false},
        {"reportlist/core/Model.cpp", "reportlist/listctrl/CListCtrl.h", false},
        {"documents/core/Rtf.cpp", "documents/common/Local.h", false},
        {"documents/esign/Esign.cpp", "documents/pending/Pending.h", true},
        {"server/main.cpp", "host/core/Log.h", false},
        {"app/main.cpp", "server/Router.h", false},
        {"app/main.cpp", "ui_CVelmoPropPage.h", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Offence(c.from, c.included).isEmpty(), c.fine) << c.from << " -> " << c.included;
    }
}

TEST(LayerOrder, NoIncludeRunsUpward) {
    const QString root = QStringLiteral(VELMO_SOURCE_DIR);
    QStringList offences;
    for (const auto& folder : kLayers + kSeparatePrograms) {
        ASSERT_TRUE(QFileInfo(root + '/' + folder).isDir()) << folder.toStdString();
        offences += OffencesIn(root, folder);
    }
    EXPECT_TRUE(offences.isEmpty()) << offences.join('\n').toStdString();
}

} // namespace
