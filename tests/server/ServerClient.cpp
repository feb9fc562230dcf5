#include "tests/server/ServerClient.h"

#include <httplib.h>
#include <zip.h>

#include <QDate>

#include <algorithm>

namespace ServerClient {

namespace {

Reply Send(const std::string& url, const std::string* body, const std::string& type = {}) {
    const std::size_t path = url.find('/', url.find("://") + 3);
    httplib::Client client(url.substr(0, path));
    client.enable_server_certificate_verification(false); // the server's certificate is self-signed
    client.set_url_encode(false);
    client.set_read_timeout(20);
    const auto result = body ? client.Post(url.substr(path), *body, type) : client.Get(url.substr(path));
    return result ? Reply{result->status, result->body} : Reply{};
}

std::vector<std::string> Split(const std::string& text, char delimiter) {
    std::vector<std::string> pieces;
    std::size_t from = 0;
    for (std::size_t at = text.find(delimiter); at != std::string::npos; at = text.find(delimiter, from)) {
        pieces.push_back(text.substr(from, at - from));
        from = at + 1;
    }
    pieces.push_back(text.substr(from));
    return pieces;
}

} // namespace

Reply Get(const std::string& url) {
    return Send(url, nullptr);
}

Reply ProbePost(const std::string& url) {
    const std::string empty;
    return Send(url, &empty);
}

Reply PostDeskForm(const std::string& url, const Fields& fields, const std::optional<FilePart>& file) {
    const std::string b = "3f1c9a52-6b0e-4d7a-9c21-8e5b40d2f613";
    std::string body;
    if (file) {
        body += "--" + b + "\r\nContent-Disposition: form-data; name=\"FILE\"; filename=\"" + file->path +
                "\"\r\nContent-Type: text/html\r\n\r\n" + file->bytes;
    }
    for (const auto& [name, value] : fields) {
        body += "\r\n--" + b + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value;
    }
    body += "\r\n--" + b + "--\r\n";
    return Send(url, &body, "multipart/form-data, boundary=" + b);
}

std::string Zip(const std::string& name, const std::string& data) {
    zip_source_t* target = zip_source_buffer_create(nullptr, 0, 0, nullptr);
    zip_source_keep(target);
    zip_t* archive = zip_open_from_source(target, ZIP_TRUNCATE, nullptr);
    zip_file_add(archive, name.c_str(), zip_source_buffer(archive, data.data(), data.size(), 0),
                 ZIP_FL_OVERWRITE);
    zip_close(archive);
    std::string bytes;
    if (zip_source_open(target) == 0) {
        zip_source_seek(target, 0, SEEK_END);
        bytes.resize(static_cast<std::size_t>(zip_source_tell(target)));
        zip_source_seek(target, 0, SEEK_SET);
        zip_source_read(target, bytes.data(), bytes.size());
        zip_source_close(target);
    }
    zip_source_free(target);
    return bytes;
}

std::optional<std::string> SingleFileText(const std::string& zipBytes) {
    zip_source_t* source = zip_source_buffer_create(zipBytes.data(), zipBytes.size(), 0, nullptr);
    zip_t* archive = source ? zip_open_from_source(source, ZIP_RDONLY, nullptr) : nullptr;
    if (!archive) {
        zip_source_free(source);
        return std::nullopt;
    }
    std::optional<std::string> text;
    zip_stat_t stat;
    zip_file_t* file = nullptr;
    if (zip_get_num_entries(archive, 0) == 1 && zip_stat_index(archive, 0, 0, &stat) == 0 &&
        stat.size < (64u << 20) && (file = zip_fopen_index(archive, 0, 0)) != nullptr) {
        text.emplace(static_cast<std::size_t>(stat.size), '\0');
        if (zip_fread(file, text->data(), text->size()) != static_cast<zip_int64_t>(stat.size)) {
            text.reset();
        }
        zip_fclose(file);
    }
    zip_discard(archive);
    return text;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines = Split(text, '\n');
    lines.resize(lines.size() - (!lines.empty() && lines.back().empty() ? 1 : 0));
    return lines;
}

std::vector<Record> ParseFileList(const std::string& text) {
    std::vector<Record> records;
    for (const std::string& line : Lines(text)) {
        Record record;
        for (const std::string& field : Split(line, '|')) {
            const std::size_t tilde = field.find('~');
            if (tilde != std::string::npos && tilde > 0) {
                record.emplace_back(field.substr(0, tilde), field.substr(tilde + 1));
            }
        }
        records.push_back(std::move(record));
    }
    return records;
}

std::string FieldOf(const Record& record, const std::string& key) {
    const auto it =
        std::find_if(record.begin(), record.end(), [&](const auto& field) { return field.first == key; });
    return it == record.end() ? std::string() : it->second;
}

std::string IsoDay(int daysBack) {
    return QDate::currentDate().addDays(-daysBack).toString(Qt::ISODate).toStdString();
}

} // namespace ServerClient
