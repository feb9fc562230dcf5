#include "server/BenchScripts.h"

#include "server/QueryString.h"

#include <httplib.h>

#include <array>
#include <charconv>
#include <string>

namespace {
constexpr std::uint64_t kMaxBigFile = 64ull * 1024ull * 1024ull * 1024ull;
constexpr std::size_t kPiece = 64u * 1024u;
} // namespace

bool ServeBigFile(const QueryString& query, httplib::Response& res) {
    const std::string text = query.Value("size");
    std::uint64_t size = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), size);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || size > kMaxBigFile) {
        return false;
    }
    res.status = 200;
    res.set_content_provider(static_cast<std::size_t>(size), "application/octet-stream",
                             [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                 // One fixed buffer per call; 251 is prime, so the pattern does not line up
                                 // with pieces.
                                 std::array<char, kPiece> buffer{};
                                 const std::size_t n = std::min(length, kPiece);
                                 for (std::size_t i = 0; i < n; ++i) {
                                     buffer[i] = static_cast<char>(BigFileByte(offset + i));
                                 }
                                 return sink.write(buffer.data(), n);
                             });
    return true;
}
