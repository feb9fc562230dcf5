#include "server/FaultMode.h"

std::optional<FaultMode> ParseFaultMode(const std::string& text) {
    if (text == "slow") {
        return FaultMode::Slow;
    }
    if (text == "drop") {
        return FaultMode::Drop;
    }
    if (text == "status500") {
        return FaultMode::Status500;
    }
    if (text == "no-length") {
        return FaultMode::NoLength;
    }
    if (text == "asterisk") {
        return FaultMode::Asterisk;
    }
    if (text == "bad-zip") {
        return FaultMode::BadZip;
    }
    if (text == "zip-slip") {
        return FaultMode::ZipSlip;
    }
    if (text == "big-header") {
        return FaultMode::BigHeader;
    }
    if (text.empty() || text == "none") {
        return FaultMode::None;
    }
    return std::nullopt;
}
