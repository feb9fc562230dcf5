#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

// Reading a seed's JSON: the file's order is kept, and every read checks its type, so that a
// mistake in a seed names the key instead of seeding something else.
using SeedJson = nlohmann::ordered_json;

class SeedError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr std::size_t kMaxSeedItems = 10000;

// The whole file, refused (SeedError) when it is missing or larger than limit bytes.
std::string ReadSeedFile(const std::filesystem::path& path, std::uintmax_t limit);

// The list or object under key (empty when missing), at most kMaxSeedItems entries.
const SeedJson& SeedItems(const SeedJson& object, const char* key);
// A text (a whole number is taken as its digits), or fallback when the key is missing.
std::string SeedText(const SeedJson& object, const char* key, const std::string& fallback = {});
int SeedNumber(const SeedJson& object, const char* key, int fallback);
bool SeedFlag(const SeedJson& object, const char* key);
// ["a", "b"] or {"a": ..., ...}: the texts or keys in order.
std::vector<std::string> SeedNames(const SeedJson& object, const char* key);
// {"key": "text", ...} as pairs in order.
std::vector<std::pair<std::string, std::string>> SeedPairs(const SeedJson& object, const char* key);
