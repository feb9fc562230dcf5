#pragma once

#include <functional>
#include <string>

// The converter's one parameter text: the input path, "|", the WAVE path to write. Paths may
// hold blanks. When a path itself holds "|", the split is the first one whose left part is an
// existing file (exists tells); without such a split, the first "|".
struct ConversionPaths {
    std::string input;
    std::string output;
};

bool SplitParameterText(const std::string& text, ConversionPaths& paths,
                        const std::function<bool(const std::string&)>& exists);
