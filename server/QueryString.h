#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The desk builds query strings by plain concatenation: values arrive unescaped except that its
// transport turns a blank (and bytes that cannot stand in a URL) into %XX. So the raw query is cut
// at "&", each piece at its first "=", and only then percent-decoded; "+" stays a plus sign.
class QueryString {
public:
    explicit QueryString(std::string_view raw);

    // The first value of key (keys compared without regard to case); empty when absent.
    std::string Value(std::string_view key) const;
    bool Has(std::string_view key) const;
    const std::vector<std::pair<std::string, std::string>>& Items() const { return items_; }

private:
    std::vector<std::pair<std::string, std::string>> items_;
};

// "%41" becomes "A"; a "%" not followed by two hex digits is kept as it is.
std::string PercentDecode(std::string_view text);
