#include "server/Journal.h"

#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

namespace {

// Length of the valid UTF-8 sequence starting at i, or 0 when there is none.
std::size_t Utf8Length(const std::string& s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    std::size_t length = 0;
    unsigned int minimum = 0;
    unsigned int code = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        minimum = 0x80;
        code = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        minimum = 0x800;
        code = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        minimum = 0x10000;
        code = c & 0x07u;
    } else {
        return 0;
    }
    if (i + length > s.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0u) != 0x80u) {
            return 0;
        }
        code = (code << 6) | (byte(i + k) & 0x3Fu);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return 0;
    }
    return length;
}

std::string Now() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    std::tm t{};
    const std::time_t seconds = tv.tv_sec;
    localtime_r(&seconds, &t);
    char buffer[48];
    const std::size_t n = std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%S", &t);
    std::snprintf(buffer + n, sizeof buffer - n, ".%03d", static_cast<int>(tv.tv_usec / 1000));
    return buffer;
}

} // namespace

std::string JsonString(const std::string& raw) {
    std::string out = "\"";
    for (std::size_t i = 0; i < raw.size();) {
        const auto c = static_cast<unsigned char>(raw[i]);
        char escape[8];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c == '\n') {
            out += "\\n";
            ++i;
        } else if (c == '\r') {
            out += "\\r";
            ++i;
        } else if (c == '\t') {
            out += "\\t";
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
            ++i;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if (const std::size_t n = Utf8Length(raw, i); n > 0) {
            out.append(raw, i, n);
            i += n;
        } else {
            // A raw byte that is no UTF-8: kept as the Latin-1 character of the same value.
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
            ++i;
        }
    }
    out += '"';
    return out;
}

Journal::~Journal() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool Journal::Open(const std::string& path) {
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    return fd_ >= 0;
}

std::string Journal::Line(const JournalEntry& entry, const std::string& time) {
    std::string line = "{\"time\":" + JsonString(time) + ",\"method\":" + JsonString(entry.method) +
                       ",\"path\":" + JsonString(entry.path) + ",\"query\":" + JsonString(entry.query) +
                       ",\"content_type\":" + (entry.contentType ? JsonString(*entry.contentType) : "null") +
                       ",\"fields\":[";
    for (std::size_t i = 0; i < entry.fields.size(); ++i) {
        line += (i ? "," : "");
        line += "{\"name\":" + JsonString(entry.fields[i].name) +
                ",\"value\":" + JsonString(entry.fields[i].value) + "}";
    }
    line += "],\"files\":[";
    for (std::size_t i = 0; i < entry.files.size(); ++i) {
        const JournalFile& file = entry.files[i];
        line += (i ? "," : "");
        line += "{\"field\":" + JsonString(file.field) + ",\"filename\":" + JsonString(file.filename) +
                ",\"size\":" + std::to_string(file.size) + ",\"entries\":[";
        for (std::size_t k = 0; k < file.entries.size(); ++k) {
            line += k ? "," : "";
            line += JsonString(file.entries[k]);
        }
        line += "]}";
    }
    line += "],\"body_size\":" + std::to_string(entry.bodySize) +
            ",\"content_length\":" + (entry.contentLength ? JsonString(*entry.contentLength) : "null") +
            ",\"scheme\":" + JsonString(entry.scheme) + ",\"port\":" + std::to_string(entry.port) +
            ",\"status\":" + std::to_string(entry.status) + "}\n";
    return line;
}

void Journal::Write(const JournalEntry& entry) {
    if (fd_ < 0) {
        return;
    }
    const std::string line = Line(entry, Now());
    const std::lock_guard lock(mutex_);
    // O_APPEND and a single write keep every line whole; a short write is retried for the rest.
    std::size_t done = 0;
    for (int attempt = 0; attempt < 8 && done < line.size(); ++attempt) {
        const ssize_t n = ::write(fd_, line.data() + done, line.size() - done);
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
}
