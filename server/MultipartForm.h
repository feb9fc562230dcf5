#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct FormPart {
    std::string name;
    std::string value;                   // the part's bytes as received
    std::optional<std::string> filename; // set for file parts
    std::string contentType;
};

// The boundary of a multipart Content-Type. The desk writes
// "multipart/form-data, boundary=B" (a comma, not a semicolon); both forms are read.
std::optional<std::string> MultipartBoundary(std::string_view contentType);
bool IsMultipart(std::string_view contentType);

// Splits a multipart body into its parts, in order. Nothing when the body does not hold a
// well-formed part list (the closing delimiter included) or breaks the limits.
std::optional<std::vector<FormPart>> ParseMultipart(std::string_view body, std::string_view boundary,
                                                    std::size_t maxParts = 64);
