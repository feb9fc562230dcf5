#include "decoder/ParameterText.h"

bool SplitParameterText(const std::string& text, ConversionPaths& paths,
                        const std::function<bool(const std::string&)>& exists) {
    const std::size_t first = text.find('|');
    if (first == std::string::npos) {
        return false;
    }
    std::size_t split = first;
    for (std::size_t at = first; at != std::string::npos; at = text.find('|', at + 1)) {
        if (exists(text.substr(0, at))) {
            split = at;
            break;
        }
    }
    paths.input = text.substr(0, split);
    paths.output = text.substr(split + 1);
    return !paths.input.empty() && !paths.output.empty();
}
