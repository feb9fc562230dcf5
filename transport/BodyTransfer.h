#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// What the two body halves of a request (DownloadSink, UploadStream) share with the session that
// carries them: the size of the one transfer buffer, and the way they report while libcurl runs.
namespace BodyTransfer {

// Size of one transfer chunk and of the one buffer every body goes through (docs/transport.md
// has the measurements behind it).
inline constexpr std::size_t kChunk = 16384;

// The session turns these into notifications to its receiver.
class Events {
public:
    // MSG_PROGRESS with value (PROGRESS_*) and data.
    virtual void Progressed(int value, std::int64_t data) = 0;
    // MSG_WARNING with value (WARNING_*); errorText becomes the session's error text first.
    virtual void Warned(int value, const QString& errorText) = 0;

protected:
    Events() = default;
    ~Events() = default;
    Events(const Events&) = default;
    Events& operator=(const Events&) = default;
    Events(Events&&) = default;
    Events& operator=(Events&&) = default;
};

} // namespace BodyTransfer
