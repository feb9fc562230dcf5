#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

// A plain HTTP client for driving the stand-in server in tests, independent of the desk's
// own transport, plus the few formats the desk uses on the wire.
namespace ServerClient {

struct Reply {
    int status = 0; // 0: no answer
    std::string body;
};

Reply Get(const std::string& url);
// The desk's bodiless first request: a POST with Content-Length 0 and no Content-Type.
Reply ProbePost(const std::string& url);

using Fields = std::vector<std::pair<std::string, std::string>>;
struct FilePart {
    std::string path; // written after filename= as it stands
    std::string bytes;
};
// The desk's multipart layout ("multipart/form-data, boundary=B"): the file part first (no CRLF
// before it), then each field as CRLF--B CRLF disposition CRLF CRLF value, then CRLF--B--CRLF.
Reply PostDeskForm(const std::string& url, const Fields& fields, const std::optional<FilePart>& file = {});

// A zip archive holding the one file name with data.
std::string Zip(const std::string& name, const std::string& data);
// The text of a zip that holds exactly one file; nothing otherwise.
std::optional<std::string> SingleFileText(const std::string& zipBytes);

// Lines split at "\n"; a final line feed ends the last line rather than starting an empty one.
std::vector<std::string> Lines(const std::string& text);

// One file-list record: its fields (key, value) in order, read the way the desk reads them:
// fields split at "|" (empty ones skipped), key before the first "~", fields without a key ignored.
using Record = std::vector<std::pair<std::string, std::string>>;
std::vector<Record> ParseFileList(const std::string& text);
std::string FieldOf(const Record& record, const std::string& key); // empty when absent

// Today and days before it, as the desk's query formats dates ("%Y-%m-%d").
std::string IsoDay(int daysBack = 0);

} // namespace ServerClient
