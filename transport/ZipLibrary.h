#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

// Zipping and unzipping of the transfer jobs, on libzip.

// What one archive may unpack at most; an archive beyond either bound stops there.
inline constexpr int kMaxUnzipEntries = 1000;
inline constexpr std::uint64_t kMaxUnzipBytes = 2ULL * 1024 * 1024 * 1024;

// True when the zip library can be used (it is linked in, so this only fails if libzip
// reports no version at all). Callers keep the "Unable to load zip library." path for it.
bool LoadZipLibrary();

// Writes a zip archive at zipPath holding sourcePath (stored under its file name, deflated).
// 1 on success, 0 when the source cannot be read or the archive cannot be written.
int BasicZip(const QString& sourcePath, const QString& zipPath);

// What Unzip unpacked: the files written, relative to the folder, in archive order.
struct UnzipResult {
    QStringList names;
    int Files() const { return static_cast<int>(names.size()); }
};

// Unpacks every file of the archive into destFolder (which ends in "/"). Entries whose names
// would land outside the folder (absolute, "..", drive letters), whose parts the names rule
// refuses (NameGate: a leading "." or "-", control characters ...) and symbolic links are
// refused and logged; nothing is written for them. A path holding a NUL unpacks nothing.
UnzipResult Unzip(const QString& zipPath, const QString& destFolder);

// The longest unpacked name a download reports (bytes of UTF-8); a longer one is cut.
inline constexpr int kMaxUnpackedNameBytes = 511;

// A downloaded archive, unpacked: the name of the last file it unpacked (relative to the
// folder, empty when none, cut to kMaxUnpackedNameBytes).
struct UnpackedArchive {
    QString zipPath;
    QString name;
    // Deletes the archive itself (clearing a read-only mark first); false when it stays. A
    // step of its own, so that what the caller logs of the name comes before the deletion.
    bool DeleteArchive() const;
};

// Unzips a downloaded archive into destFolder and takes the last unpacked name. Every zipped
// download goes through this, then logs the name, then deletes the archive.
UnpackedArchive UnpackDownload(const QString& zipPath, const QString& destFolder);

// The archive path for a source: up to its last "." (in the file name) + ".zip"; a file
// name without an extension simply gets ".zip" appended.
QString ZipPathFor(const QString& sourcePath);
