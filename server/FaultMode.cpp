#include "server/FaultMode.h"

#include "server/TextUtil.h"

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
    if (text == "refuse") {
        return FaultMode::Refuse;
    }
    if (text == "empty") {
        return FaultMode::Empty;
    }
    if (text == "407") {
        return FaultMode::ProxyAuth;
    }
    if (text.empty() || text == "none") {
        return FaultMode::None;
    }
    return std::nullopt;
}

void FaultTable::Set(const std::string& script, FaultMode mode) {
    const std::lock_guard lock(mutex_);
    if (script.empty()) {
        all_ = mode;
    } else {
        perScript_[Text::Lower(script)] = mode;
    }
}

void FaultTable::Clear(const std::string& script) {
    const std::lock_guard lock(mutex_);
    if (script.empty()) {
        all_ = FaultMode::None;
        perScript_.clear();
    } else {
        perScript_.erase(Text::Lower(script));
    }
}

FaultMode FaultTable::For(const std::string& script) const {
    const std::lock_guard lock(mutex_);
    const auto it = perScript_.find(Text::Lower(script));
    return it != perScript_.end() ? it->second : all_;
}

void CraftedAnswers::Set(const std::string& script, std::string body) {
    const std::lock_guard lock(mutex_);
    perScript_[Text::Lower(script)] = std::move(body);
}

void CraftedAnswers::Clear(const std::string& script) {
    const std::lock_guard lock(mutex_);
    if (script.empty()) {
        perScript_.clear();
    } else {
        perScript_.erase(Text::Lower(script));
    }
}

std::optional<std::string> CraftedAnswers::For(const std::string& script) const {
    const std::lock_guard lock(mutex_);
    const auto it = perScript_.find(Text::Lower(script));
    return it != perScript_.end() ? std::optional<std::string>(it->second) : std::nullopt;
}
