#include "server/MultipartForm.h"

#include "server/TextUtil.h"

namespace {

constexpr std::size_t kMaxHeaderBlock = 8192;

// Value of a parameter such as name="x" in a Content-Disposition line. A quoted value runs to
// the next quote, except for filename, which runs to the last quote of the line (the desk puts a
// whole local path there and does not escape it).
std::optional<std::string> DispositionParameter(std::string_view line, std::string_view key) {
    const std::string lower = Text::Lower(line);
    std::size_t from = 0;
    while (from < lower.size()) {
        const std::size_t at = lower.find(std::string(key) + "=", from);
        if (at == std::string::npos) {
            return std::nullopt;
        }
        // The key must start a parameter: after ";", "," or blanks.
        std::size_t before = at;
        while (before > 0 && (lower[before - 1] == ' ' || lower[before - 1] == '\t')) {
            --before;
        }
        if (before > 0 && lower[before - 1] != ';' && lower[before - 1] != ',') {
            from = at + 1;
            continue;
        }
        std::size_t valueStart = at + key.size() + 1;
        if (valueStart < line.size() && line[valueStart] == '"') {
            ++valueStart;
            const std::size_t close = key == "filename" ? line.rfind('"') : line.find('"', valueStart);
            if (close == std::string_view::npos || close < valueStart) {
                return std::nullopt;
            }
            return std::string(line.substr(valueStart, close - valueStart));
        }
        std::size_t end = line.find(';', valueStart);
        if (end == std::string_view::npos) {
            end = line.size();
        }
        return Text::Trim(line.substr(valueStart, end - valueStart));
    }
    return std::nullopt;
}

} // namespace

bool IsMultipart(std::string_view contentType) {
    return Text::StartsWithNoCase(Text::Trim(contentType), "multipart/");
}

std::optional<std::string> MultipartBoundary(std::string_view contentType) {
    const std::string lower = Text::Lower(contentType);
    const std::size_t at = lower.find("boundary=");
    if (at == std::string::npos) {
        return std::nullopt;
    }
    std::string_view value = contentType.substr(at + 9);
    if (!value.empty() && value.front() == '"') {
        value.remove_prefix(1);
        const std::size_t close = value.find('"');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        value = value.substr(0, close);
    } else {
        const std::size_t end = value.find_first_of(";, \t");
        if (end != std::string_view::npos) {
            value = value.substr(0, end);
        }
    }
    if (value.empty() || value.size() > 200) {
        return std::nullopt;
    }
    return std::string(value);
}

std::optional<std::vector<FormPart>> ParseMultipart(std::string_view body, std::string_view boundary,
                                                    std::size_t maxParts) {
    const std::string dashBoundary = "--" + std::string(boundary);
    const std::string delimiter = "\r\n" + dashBoundary;
    // The first delimiter opens the body, with or without a line break in front (the desk's
    // fields-only posts begin with CRLF).
    std::size_t pos = 0;
    if (body.substr(0, dashBoundary.size()) == dashBoundary) {
        pos = dashBoundary.size();
    } else {
        const std::size_t first = body.find(delimiter);
        if (first == std::string_view::npos) {
            return std::nullopt;
        }
        pos = first + delimiter.size();
    }
    std::vector<FormPart> parts;
    while (true) {
        if (body.substr(pos, 2) == "--") {
            return parts; // closing delimiter; what follows is epilogue
        }
        // Transport padding, then the line break that ends the delimiter line.
        while (pos < body.size() && (body[pos] == ' ' || body[pos] == '\t')) {
            ++pos;
        }
        if (body.substr(pos, 2) != "\r\n" || parts.size() >= maxParts) {
            return std::nullopt;
        }
        pos += 2;
        const std::size_t headersEnd = body.find("\r\n\r\n", pos);
        std::size_t contentStart = 0;
        std::string_view headerBlock;
        if (body.substr(pos, 2) == "\r\n") {
            contentStart = pos + 2; // no headers at all
        } else if (headersEnd == std::string_view::npos || headersEnd - pos > kMaxHeaderBlock) {
            return std::nullopt;
        } else {
            headerBlock = body.substr(pos, headersEnd - pos);
            contentStart = headersEnd + 4;
        }
        const std::size_t next = body.find(delimiter, contentStart);
        if (next == std::string_view::npos) {
            return std::nullopt;
        }
        FormPart part;
        part.value = std::string(body.substr(contentStart, next - contentStart));
        for (const std::string& line : Text::Split(headerBlock, '\n', 32)) {
            const std::string header = Text::Trim(line);
            const std::size_t colon = header.find(':');
            if (colon == std::string::npos) {
                continue;
            }
            const std::string name = Text::Trim(header.substr(0, colon));
            const std::string value = Text::Trim(header.substr(colon + 1));
            if (Text::EqualsNoCase(name, "Content-Disposition")) {
                part.name = DispositionParameter(value, "name").value_or("");
                part.filename = DispositionParameter(value, "filename");
            } else if (Text::EqualsNoCase(name, "Content-Type")) {
                part.contentType = value;
            }
        }
        parts.push_back(std::move(part));
        pos = next + delimiter.size();
    }
}
