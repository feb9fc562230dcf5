#include "server/ZipArchive.h"

#include <zip.h>

#include <memory>

namespace {

struct SourceDeleter {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};
using SourcePtr = std::unique_ptr<zip_source_t, SourceDeleter>;

struct ArchiveDiscarder {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ArchivePtr = std::unique_ptr<zip_t, ArchiveDiscarder>;

// Opens bytes read-only; the archive owns the source from then on.
ArchivePtr OpenReadOnly(std::string_view bytes) {
    if (bytes.empty()) {
        return nullptr;
    }
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    if (!source) {
        zip_error_fini(&error);
        return nullptr;
    }
    zip_t* archive = zip_open_from_source(source, ZIP_RDONLY, &error);
    zip_error_fini(&error);
    if (!archive) {
        zip_source_free(source);
        return nullptr;
    }
    return ArchivePtr(archive);
}

} // namespace

std::optional<std::string> MakeZip(const std::vector<ZipEntry>& entries) {
    zip_error_t error;
    zip_error_init(&error);
    SourcePtr target(zip_source_buffer_create(nullptr, 0, 0, &error));
    if (!target) {
        zip_error_fini(&error);
        return std::nullopt;
    }
    // Keep the target alive after zip_close, which would otherwise free it.
    zip_source_keep(target.get());
    zip_t* archive = zip_open_from_source(target.get(), ZIP_TRUNCATE, &error);
    zip_error_fini(&error);
    if (!archive) {
        return std::nullopt;
    }
    for (const ZipEntry& entry : entries) {
        zip_source_t* data = zip_source_buffer(archive, entry.data.data(), entry.data.size(), 0);
        if (!data ||
            zip_file_add(archive, entry.name.c_str(), data, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(data);
            zip_discard(archive);
            return std::nullopt;
        }
    }
    if (zip_close(archive) < 0) {
        zip_discard(archive);
        return std::nullopt;
    }
    if (zip_source_open(target.get()) < 0) {
        return std::nullopt;
    }
    std::string bytes;
    if (zip_source_seek(target.get(), 0, SEEK_END) == 0) {
        const zip_int64_t size = zip_source_tell(target.get());
        if (size > 0 && zip_source_seek(target.get(), 0, SEEK_SET) == 0) {
            bytes.resize(static_cast<std::size_t>(size));
            const zip_int64_t read =
                zip_source_read(target.get(), bytes.data(), static_cast<zip_uint64_t>(size));
            bytes.resize(read > 0 ? static_cast<std::size_t>(read) : 0);
        }
    }
    zip_source_close(target.get());
    if (bytes.empty()) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<std::vector<ZipEntry>> ReadZip(std::string_view bytes, const ZipLimits& limits) {
    ArchivePtr archive = OpenReadOnly(bytes);
    if (!archive) {
        return std::nullopt;
    }
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    if (count < 0 || static_cast<std::size_t>(count) > limits.maxEntries) {
        return std::nullopt;
    }
    std::vector<ZipEntry> entries;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), 0, &stat) < 0 ||
            !(stat.valid & ZIP_STAT_NAME) || !(stat.valid & ZIP_STAT_SIZE) ||
            stat.size > limits.maxEntrySize) {
            return std::nullopt;
        }
        zip_file_t* file = zip_fopen_index(archive.get(), static_cast<zip_uint64_t>(i), 0);
        if (!file) {
            return std::nullopt;
        }
        ZipEntry entry{stat.name, std::string(static_cast<std::size_t>(stat.size), '\0')};
        // Read what the header announced and one byte more, to notice a lying size.
        std::size_t done = 0;
        char probe = 0;
        bool ok = true;
        while (done < entry.data.size()) {
            const zip_int64_t n = zip_fread(file, entry.data.data() + done, entry.data.size() - done);
            if (n <= 0) {
                ok = false;
                break;
            }
            done += static_cast<std::size_t>(n);
        }
        if (ok && zip_fread(file, &probe, 1) != 0) {
            ok = false;
        }
        zip_fclose(file);
        if (!ok) {
            return std::nullopt;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::optional<std::vector<std::string>> ZipEntryNames(std::string_view bytes, std::size_t maxEntries) {
    ArchivePtr archive = OpenReadOnly(bytes);
    if (!archive) {
        return std::nullopt;
    }
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    std::vector<std::string> names;
    for (zip_int64_t i = 0; i < count && names.size() < maxEntries; ++i) {
        const char* name = zip_get_name(archive.get(), static_cast<zip_uint64_t>(i), 0);
        names.emplace_back(name ? name : "");
    }
    return names;
}
