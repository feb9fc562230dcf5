#pragma once

#include <cstdint>

class QueryString;
namespace httplib {
struct Response;
}

// Transfer facilities for the benchmarks and transport tests (not scripts of the report service):
// GET /bigfile?size=N streams N bytes with Content-Length, byte i being BigFileByte(i), without
// holding them in memory; POST /upload-sink counts its body (see Router) and answers "~" + count.
bool ServeBigFile(const QueryString& query, httplib::Response& res);

inline unsigned char BigFileByte(std::uint64_t offset) {
    return static_cast<unsigned char>(offset % 251u);
}
