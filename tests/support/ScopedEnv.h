#pragma once

#include <QByteArray>
#include <QList>

#include <algorithm>
#include <optional>
#include <utility>

// Sets environment variables for its lifetime: each goes back to what it was (or unset) when it
// ends, whichever way the test leaves.
class ScopedEnv final {
public:
    ScopedEnv() = default;
    ScopedEnv(const char* name, const QByteArray& value) { Set(name, value); }
    ~ScopedEnv() { Restore(); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    void Set(const char* name, const QByteArray& value) {
        if (std::none_of(saved_.begin(), saved_.end(), [&](const auto& s) { return s.first == name; })) {
            saved_.append(
                {name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
        }
        qputenv(name, value);
    }
    void PrependPath(const QByteArray& folder) { Set("PATH", folder + ':' + qgetenv("PATH")); }
    void Restore() {
        for (const auto& [name, value] : saved_) {
            value ? qputenv(name.constData(), *value) : qunsetenv(name.constData());
        }
        saved_.clear();
    }

private:
    QList<std::pair<QByteArray, std::optional<QByteArray>>> saved_;
};
