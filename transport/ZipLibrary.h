#pragma once

#include <QString>

#include <array>
#include <cstdint>

// Zipping and unzipping of the transfer jobs, on libzip.

// Receives the name of each unpacked file; answers the bytes it kept (terminator included).
using UnzipNameCallback = int (*)(const char* name);

// What one archive may unpack at most; an archive beyond either bound stops there.
inline constexpr int kMaxUnzipEntries = 1000;
inline constexpr std::uint64_t kMaxUnzipBytes = 2ULL * 1024 * 1024 * 1024;

// True when the zip library can be used (it is linked in, so this only fails if libzip
// reports no version at all). Callers keep the "Unable to load zip library." path for it.
bool LoadZipLibrary();

// Writes a zip archive at zipPath holding sourcePath (stored under its file name, deflated).
// 1 on success, 0 when the source cannot be read or the archive cannot be written.
int BasicZip(const QString& sourcePath, const QString& zipPath);

// Unpacks every file of the archive into destFolder (which ends in "/") and reports each
// unpacked name, relative to that folder, through callback. Entries whose names would land
// outside the folder (absolute, "..", drive letters), whose parts the names rule refuses
// (NameGate: a leading "." or "-", control characters ...) and symbolic links are refused and
// logged; nothing is written for them. A path holding a NUL unpacks nothing. Answers the number of files
// unpacked.
int Unzip(const QString& zipPath, const QString& destFolder, UnzipNameCallback callback);

// The archive path for a source: up to its last "." (in the file name) + ".zip"; a file
// name without an extension simply gets ".zip" appended.
QString ZipPathFor(const QString& sourcePath);

// The 512-byte name buffer a caller family hands to Unzip through its callback: zeroed
// before the call, read afterwards; the last reported name wins, cut to 511 bytes.
class UnzipNameBuffer {
public:
    static constexpr int kSize = 512;

    void Zero() { bytes_.fill(0); }
    // Copies name with its terminator; answers the bytes copied.
    int Store(const char* name);
    QString Text() const;

private:
    std::array<char, kSize> bytes_{};
};

// One buffer and callback per caller family. The buffers are per thread, so two jobs on
// different threads never see each other's names.
UnzipNameBuffer& PleaseWaitNameBuffer();
UnzipNameBuffer& DownloadFilesNameBuffer();
UnzipNameBuffer& DocumentDownloadNameBuffer();
int PleaseWaitNameCallback(const char* name);
int DownloadFilesNameCallback(const char* name);
int DocumentDownloadNameCallback(const char* name);
