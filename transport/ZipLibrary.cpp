#include "transport/ZipLibrary.h"

#include "host/core/ActivityLog.h"
#include "host/core/NameGate.h"
#include "host/core/PrivateModes.h"

#include <zip.h>

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kUnzipChunk = 64 * 1024;
constexpr unsigned kUnixFileTypeMask = 0170000;
constexpr unsigned kUnixSymlink = 0120000;

struct ArchiveCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using Archive = std::unique_ptr<zip_t, ArchiveCloser>;

struct EntryCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};

// The entry's path segments when it stays inside the destination and each is a name the desk
// accepts; empty when not.
QList<QByteArray> SafeSegments(const QByteArray& name) {
    if (name.isEmpty() || name.startsWith('/') || name.startsWith('\\') ||
        (name.size() >= 2 && name.at(1) == ':')) {
        return {};
    }
    QByteArray normalised = name;
    normalised.replace('\\', '/');
    QList<QByteArray> segments;
    for (const QByteArray& segment : normalised.split('/')) {
        if (segment.isEmpty() || segment == ".") {
            continue;
        }
        // Every part becomes a file or folder name of the desk's: the names rule holds for each.
        if (!NameGate::Accepts(QString::fromUtf8(segment))) {
            return {};
        }
        segments.append(segment);
    }
    return segments;
}

bool IsSymlink(zip_t* archive, zip_uint64_t index) {
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &opsys, &attributes) != 0) {
        return false;
    }
    return opsys == ZIP_OPSYS_UNIX && ((attributes >> 16) & kUnixFileTypeMask) == kUnixSymlink;
}

// Creates each folder below root in turn, refusing to pass through anything but a folder.
bool MakeFolders(const QByteArray& root, const QList<QByteArray>& folders) {
    QByteArray path = root;
    for (const QByteArray& folder : folders) {
        path += folder;
        if (!PrivateModes::MakeFolder(path)) {
            return false;
        }
        path += '/';
    }
    return true;
}

enum class EntryResult { Written, Failed, OverLimit };

EntryResult WriteEntry(zip_t* archive, zip_uint64_t index, const QByteArray& target,
                       std::vector<char>& buffer, std::uint64_t& unpacked) {
    const std::unique_ptr<zip_file_t, EntryCloser> entry(zip_fopen_index(archive, index, 0));
    if (!entry) {
        return EntryResult::Failed;
    }
    const int fd = ::open(target.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC,
                          PrivateModes::kFile);
    if (fd < 0) {
        return EntryResult::Failed;
    }
    PrivateModes::Restrict(fd);
    EntryResult result = EntryResult::Written;
    for (;;) {
        const zip_int64_t got = zip_fread(entry.get(), buffer.data(), buffer.size());
        if (got < 0) {
            result = EntryResult::Failed;
            break;
        }
        if (got == 0) {
            break;
        }
        unpacked += static_cast<std::uint64_t>(got);
        if (unpacked > kMaxUnzipBytes) {
            result = EntryResult::OverLimit;
            break;
        }
        std::size_t written = 0;
        while (written < static_cast<std::size_t>(got)) {
            const ssize_t n = ::write(fd, buffer.data() + written, static_cast<std::size_t>(got) - written);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                result = EntryResult::Failed;
                break;
            }
            written += static_cast<std::size_t>(n);
        }
        if (result != EntryResult::Written) {
            break;
        }
    }
    ::close(fd);
    if (result != EntryResult::Written) {
        ::unlink(target.constData());
    }
    return result;
}

} // namespace

bool LoadZipLibrary() {
    const char* version = zip_libzip_version();
    return version != nullptr && *version != '\0';
}

int BasicZip(const QString& sourcePath, const QString& zipPath) {
    QByteArray zipBytes;
    QByteArray sourceBytes;
    // A NUL would shorten either path at the system call: another file would be read or written.
    if (!NameGate::NativePath(sourcePath, sourceBytes) || !NameGate::NativePath(zipPath, zipBytes)) {
        return 0;
    }
    const QFileInfo source(sourcePath);
    if (!source.isFile() || !source.isReadable()) {
        return 0;
    }
    int error = 0;
    Archive archive(zip_open(zipBytes.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error));
    if (!archive) {
        return 0;
    }
    zip_source_t* data = zip_source_file(archive.get(), sourceBytes.constData(), 0, -1);
    if (data == nullptr) {
        return 0;
    }
    const QByteArray entryName = source.fileName().toUtf8();
    if (zip_file_add(archive.get(), entryName.constData(), data, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
        zip_source_free(data);
        return 0;
    }
    // zip_close writes the archive; on failure the archive is still ours to discard.
    if (zip_close(archive.get()) != 0) {
        return 0;
    }
    static_cast<void>(archive.release());
    // libzip gives a new archive the umask's mode.
    PrivateModes::Restrict(zipPath);
    return 1;
}

UnzipResult Unzip(const QString& zipPath, const QString& destFolder) {
    UnzipResult result;
    int error = 0;
    QByteArray zipBytes;
    QByteArray root;
    if (!NameGate::NativePath(zipPath, zipBytes) || !NameGate::NativePath(destFolder, root)) {
        WriteLog(QStringLiteral("Unzip: path refused, ") + zipPath);
        return result;
    }
    const Archive archive(zip_open(zipBytes.constData(), ZIP_RDONLY, &error));
    if (!archive) {
        WriteLog(QStringLiteral("Unzip: not a zip archive, ") + zipPath);
        return result;
    }
    if (!root.endsWith('/')) {
        root += '/';
    }
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    std::vector<char> buffer(kUnzipChunk);
    std::uint64_t unpacked = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char* rawName = zip_get_name(archive.get(), index, ZIP_FL_ENC_GUESS);
        const QByteArray name = rawName != nullptr ? QByteArray(rawName) : QByteArray();
        if (i >= kMaxUnzipEntries) {
            WriteLog(QStringLiteral("Unzip: too many entries, the rest is not unpacked, ") + zipPath);
            break;
        }
        QList<QByteArray> segments = SafeSegments(name);
        if (segments.isEmpty() || IsSymlink(archive.get(), index)) {
            WriteLog(QStringLiteral("Unzip: entry refused, ") + QString::fromUtf8(name));
            continue;
        }
        const bool isFolder = name.endsWith('/') || name.endsWith('\\');
        const QByteArray fileName = isFolder ? QByteArray() : segments.takeLast();
        if (!MakeFolders(root, segments)) {
            WriteLog(QStringLiteral("Unzip: entry refused, ") + QString::fromUtf8(name));
            continue;
        }
        if (isFolder) {
            continue;
        }
        QByteArray relative = segments.join('/');
        if (!relative.isEmpty()) {
            relative += '/';
        }
        relative += fileName;
        const EntryResult written = WriteEntry(archive.get(), index, root + relative, buffer, unpacked);
        if (written == EntryResult::OverLimit) {
            WriteLog(QStringLiteral("Unzip: size limit reached, the rest is not unpacked, ") +
                     QString::fromUtf8(name));
            break;
        }
        if (written == EntryResult::Failed) {
            WriteLog(QStringLiteral("Unzip: entry could not be unpacked, ") + QString::fromUtf8(name));
            continue;
        }
        result.names.append(QString::fromUtf8(relative));
    }
    return result;
}

UnpackedArchive UnpackDownload(const QString& zipPath, const QString& destFolder) {
    UnpackedArchive unpacked{zipPath, {}};
    const UnzipResult result = Unzip(zipPath, destFolder);
    if (!result.names.isEmpty()) {
        unpacked.name = QString::fromUtf8(result.names.constLast().toUtf8().left(kMaxUnpackedNameBytes));
    }
    return unpacked;
}

bool UnpackedArchive::DeleteArchive() const {
    QFile archive(zipPath);
    archive.setPermissions(archive.permissions() | QFileDevice::WriteOwner);
    return archive.remove();
}

QString ZipPathFor(const QString& sourcePath) {
    const qsizetype dot = sourcePath.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash = sourcePath.lastIndexOf(QLatin1Char('/'));
    if (dot <= slash) {
        return sourcePath + QStringLiteral(".zip");
    }
    return sourcePath.left(dot) + QStringLiteral(".zip");
}
