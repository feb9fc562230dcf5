#include "server/SeedJson.h"

#include <fstream>
#include <iterator>

std::string ReadSeedFile(const std::filesystem::path& path, std::uintmax_t limit) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        throw SeedError("cannot read " + path.string());
    }
    if (size > limit) {
        throw SeedError(path.string() + " is larger than " + std::to_string(limit) + " bytes");
    }
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const SeedJson& SeedItems(const SeedJson& object, const char* key) {
    static const SeedJson none = SeedJson::array();
    if (!object.contains(key)) {
        return none;
    }
    const SeedJson& items = object.at(key);
    if (!items.is_array() && !items.is_object()) {
        throw SeedError(std::string(key) + " must be a list");
    }
    if (items.size() > kMaxSeedItems) {
        throw SeedError(std::string(key) + " has too many entries");
    }
    return items;
}

std::string SeedText(const SeedJson& object, const char* key, const std::string& fallback) {
    if (!object.contains(key)) {
        return fallback;
    }
    const SeedJson& value = object.at(key);
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (value.is_number_integer()) {
        return std::to_string(value.get<long long>());
    }
    throw SeedError(std::string(key) + " must be a text");
}

int SeedNumber(const SeedJson& object, const char* key, int fallback) {
    if (!object.contains(key)) {
        return fallback;
    }
    if (!object.at(key).is_number_integer()) {
        throw SeedError(std::string(key) + " must be a whole number");
    }
    return object.at(key).get<int>();
}

bool SeedFlag(const SeedJson& object, const char* key) {
    return object.contains(key) && object.at(key).is_boolean() && object.at(key).get<bool>();
}

std::vector<std::string> SeedNames(const SeedJson& object, const char* key) {
    std::vector<std::string> names;
    const SeedJson& items = SeedItems(object, key);
    for (auto it = items.begin(); it != items.end(); ++it) {
        names.push_back(items.is_object() ? it.key() : it->get<std::string>());
    }
    return names;
}

std::vector<std::pair<std::string, std::string>> SeedPairs(const SeedJson& object, const char* key) {
    std::vector<std::pair<std::string, std::string>> pairs;
    const SeedJson& items = SeedItems(object, key);
    if (!items.is_object() && !items.empty()) {
        throw SeedError(std::string(key) + " maps names to texts");
    }
    for (auto it = items.begin(); it != items.end(); ++it) {
        pairs.emplace_back(it.key(), it->get<std::string>());
    }
    return pairs;
}
