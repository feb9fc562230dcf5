#pragma once

#include <QObject>
#include <QStringList>

#include <cstdint>

// The report list window's document download: each named report's document is fetched
// through "qm_download_files.php", unpacked into TempFolder as NAME.doc and its archive
// deleted. Runs on the calling thread; receiver gets the CHttp notifications.

// Answers the CRC-32 of the last document handled (0 when none was).
std::uint32_t DownloadDocuments(const QStringList& names, QObject* receiver = nullptr);

// The same, leaving checksum unchanged when no document was handled.
void DownloadDocuments(const QStringList& names, QObject* receiver, std::uint32_t& checksum);
