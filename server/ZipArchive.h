#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct ZipEntry {
    std::string name;
    std::string data;
};

// Limits for archives that come from the desk: never trust their counts or sizes.
struct ZipLimits {
    std::size_t maxEntries = 16;
    std::size_t maxEntrySize = 32u * 1024u * 1024u;
};

// Builds a deflated archive in memory; nothing when libzip fails.
std::optional<std::string> MakeZip(const std::vector<ZipEntry>& entries);

// Reads an archive held in memory; nothing when it is no archive or breaks a limit.
std::optional<std::vector<ZipEntry>> ReadZip(std::string_view bytes, const ZipLimits& limits = {});

// The entry names only (at most maxEntries); nothing when the bytes are no archive.
std::optional<std::vector<std::string>> ZipEntryNames(std::string_view bytes, std::size_t maxEntries = 64);
