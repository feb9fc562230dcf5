// Each server script's address is written in one product file, so that a script's keys and
// its name change in one place. Comments may name a script; code may not, outside that file.
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace {

const QStringList kProductFolders = {"host",      "widgets", "transport", "reportlist",
                                     "documents", "dialogs", "desk",      "app"};
const QString kScriptFile = QStringLiteral("transport/scripts/ServerScripts.cpp");

// Script name -> the product files whose code (not a comment) writes it as a quoted text.
QMap<QString, QSet<QString>> ScriptsInCode() {
    static const QRegularExpression script(QStringLiteral(R"re("([A-Za-z_]+\.(?:php|asp))")re"));
    QMap<QString, QSet<QString>> found;
    const QString root = QStringLiteral(VELMO_SOURCE_DIR) + '/';
    for (const QString& folder : kProductFolders) {
        QDirIterator files(root + folder, {"*.cpp", "*.h"}, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
            for (const QByteArray& line : file.readAll().split('\n')) {
                const QString code = QString::fromUtf8(line).section(QStringLiteral("//"), 0, 0);
                for (const auto& match : script.globalMatch(code)) {
                    found[match.captured(1)].insert(file.fileName().mid(root.size()));
                }
            }
        }
    }
    return found;
}

// Every script the desk calls.
const QStringList kScripts =
    QStringLiteral(
        "qm_download_filelist.php qm_search.php qm_searchfreetext.php qm_searchdemographics.php "
        "qm_versionlist.php qm_download_versionfiles.php qm_download_files.php "
        "download_play_voicefile.php addressbook.php qm_address_update.php qm_customproperties.php "
        "qm_custom_order.php qm_statusupdate.php getservertime.asp view_audittrail.php "
        "addtofaxqueue.php qm_rename.php qm_cp_add.php qm_esign.php qm_resync.php")
        .split(' ');

// Each script of the table is written in the script file and in no other; a script written
// anywhere in the product is in the table, so that it falls under the rule too.
TEST(ScriptAddresses, EachIsWrittenInTheScriptFileOnly) {
    const QMap<QString, QSet<QString>> found = ScriptsInCode();
    for (const QString& script : kScripts) {
        const QSet<QString> files = found.value(script);
        EXPECT_EQ(QStringList(files.begin(), files.end()).join(' ').toStdString(), kScriptFile.toStdString())
            << script.toStdString();
    }
    for (const QString& script : found.keys()) {
        EXPECT_TRUE(kScripts.contains(script)) << script.toStdString() << " is not in the table";
    }
}

} // namespace
