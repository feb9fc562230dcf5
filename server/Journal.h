#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct JournalField {
    std::string name;
    std::string value;
};

struct JournalFile {
    std::string field;
    std::string filename;
    std::uint64_t size = 0;
    std::vector<std::string> entries; // names inside when the part is a zip archive
};

struct JournalEntry {
    std::string method;
    std::string path;
    std::string query; // raw, as received
    std::optional<std::string> contentType;
    std::vector<JournalField> fields;
    std::vector<JournalFile> files;
    std::uint64_t bodySize = 0;
    std::optional<std::string> contentLength;
    std::string scheme; // "http" or "https"
    int port = 0;       // the port the request came in on
    int status = 0;     // the answer's status code
};

// One JSON object per line: time, method, path, query, content_type, fields, files, body_size,
// content_length, scheme, port, status. Each line goes out in one write, so a reader never sees half a line.
class Journal {
public:
    Journal() = default;
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Opens path for appending; false when it cannot.
    bool Open(const std::string& path);
    void Write(const JournalEntry& entry);

    // The line for entry, newline included. Bytes that are not UTF-8 are written as \u00XX.
    static std::string Line(const JournalEntry& entry, const std::string& time);

private:
    std::mutex mutex_;
    int fd_ = -1;
};

std::string JsonString(const std::string& raw);
