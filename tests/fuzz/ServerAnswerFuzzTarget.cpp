// Every parser of what the report server (or a host page) hands the desk, under arbitrary bytes.
// One binary for all of them: VELMO_FUZZ_PARSER names the parser a run exercises (filelist,
// hostpage, versionlist, addressbook, customproperties, searchnames, servertime, zipnames).
#include "dialogs/customproperties/CustomPropertyList.h"
#include "dialogs/fax/ContactBook.h"
#include "dialogs/history/VersionList.h"
#include "dialogs/search/SearchNames.h"
#include "documents/core/SigningCore.h"
#include "host/core/HostPage.h"
#include "host/core/NameGate.h"
#include "reportlist/core/FileListFormat.h"
#include "transport/ZipLibrary.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <zip.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

// A scratch folder for the run; the activity log goes there too, never to the user's profile.
const QTemporaryDir& Scratch() {
    static const QTemporaryDir dir = [] {
        QTemporaryDir made;
        qputenv("XDG_DATA_HOME", made.path().toLocal8Bit());
        return made;
    }();
    return dir;
}

QString AsFile(const QByteArray& bytes) {
    const QString path = Scratch().filePath(QStringLiteral("answer.txt"));
    QFile file(path);
    Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size(),
          "scratch file");
    return path;
}

// An archive whose one entry carries the input as its name, unpacked into a folder of its own:
// nothing may appear beside that folder.
void ZipNames(const QByteArray& bytes) {
    const QByteArray name = bytes.left(bytes.indexOf('\0') < 0 ? bytes.size() : bytes.indexOf('\0'));
    if (name.isEmpty() || name.size() > 1024) {
        return;
    }
    const QString box = Scratch().filePath(QStringLiteral("box"));
    QDir(box).removeRecursively();
    Check(QDir().mkpath(box + QStringLiteral("/into")), "box");
    const QByteArray archivePath = QFile::encodeName(box + QStringLiteral("/list.zip"));
    int error = 0;
    zip_t* archive = zip_open(archivePath.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    Check(archive != nullptr, "zip_open");
    static const char kBody[] = "1|R260001|a~b\n";
    zip_source_t* source = zip_source_buffer(archive, kBody, sizeof kBody - 1, 0);
    if (source == nullptr || zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_RAW) < 0) {
        zip_source_free(source);
        zip_discard(archive);
        return;
    }
    Check(zip_close(archive) == 0, "zip_close");
    Unzip(box + QStringLiteral("/list.zip"), box + QStringLiteral("/into/"));
    Check(QDir(box).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System) ==
              QStringList({QStringLiteral("into"), QStringLiteral("list.zip")}),
          "nothing unpacked beside the destination");
    QDirIterator inside(box + QStringLiteral("/into"), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
    while (inside.hasNext()) {
        Check(!inside.nextFileInfo().isSymLink(), "no link unpacked");
    }
}

using Parser = void (*)(const QByteArray&);

Parser Chosen() {
    // What each parser must keep to, whatever it is fed.
    static const std::map<std::string, Parser> parsers = {
        {"filelist",
         [](const QByteArray& bytes) {
             QBuffer in;
             in.setData(bytes);
             in.open(QIODevice::ReadOnly);
             Check(ParseFileList(in, (bytes.size() & 1) != 0).rows.Count() <= FileListLimits::kMaxRows,
                   "file list rows bounded");
         }},
        {"hostpage", [](const QByteArray& bytes) { HostPage::Parse(bytes); }},
        {"versionlist",
         [](const QByteArray& bytes) {
             QList<QStringList> rows;
             VersionList::Read(AsFile(bytes), rows);
             Check(rows.size() <= VersionList::kMaxLines, "version rows bounded");
             for (const QStringList& row : rows) {
                 Check(row.size() < 2 || NameGate::Accepts(row.at(1)), "version names pass the names rule");
             }
         }},
        {"addressbook",
         [](const QByteArray& bytes) {
             const QStringList lines = ContactBook::ReadLines(AsFile(bytes));
             Check(lines.size() <= ContactBook::kMaxLines, "contacts bounded");
             for (const QString& line : lines) {
                 Check(line.size() <= 64 * 1024, "no contact from an over-long line");
                 Contact::FromLine(line).RecipientEntry();
             }
         }},
        {"customproperties", [](const QByteArray& bytes) { CustomPropertyList::Read(AsFile(bytes)); }},
        {"searchnames",
         [](const QByteArray& bytes) {
             Check(SearchNames::Parse(QString::fromUtf8(bytes)).size() <= SearchNames::kMaxNames,
                   "names bounded");
         }},
        {"servertime", [](const QByteArray& bytes) { Signing::StatementDateText(QString::fromUtf8(bytes)); }},
        {"zipnames", &ZipNames},
    };
    const char* name = std::getenv("VELMO_FUZZ_PARSER");
    const auto found = parsers.find(name != nullptr ? name : "");
    if (found == parsers.end()) {
        std::fprintf(stderr, "VELMO_FUZZ_PARSER names no parser (see the top of this file)\n");
        std::exit(2);
    }
    return found->second;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Parser parse = Chosen();
    if (size > 1 << 20) {
        return 0;
    }
    Scratch();
    parse(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return 0;
}
