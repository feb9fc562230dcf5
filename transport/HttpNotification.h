#pragma once

#include <QEvent>
#include <QString>

#include <cstdint>

// Notification codes CHttp posts to its registered receiver. The numbers lie in Qt's user
// event range, so each code is the event's type.
inline constexpr int MSG_PROGRESS = 0x8762;
inline constexpr int MSG_ERROR = 0x8763;
inline constexpr int MSG_STATUS = 0x8765;
inline constexpr int MSG_DONE = 0x8766;
inline constexpr int MSG_WARNING = 0x8767;

// Value arguments of MSG_PROGRESS and MSG_WARNING.
inline constexpr int PROGRESS_TOTAL_SIZE = 101;
inline constexpr int PROGRESS_UPDATED = 102;
inline constexpr int WARNING_SIZE_UNKNOWN = 103;
inline constexpr int PROGRESS_UPLOAD_STARTING = 104;

// Bytes done, bytes remaining and the estimated seconds left of the running transfer.
struct ProgressBlock {
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesRemaining = 0;
    std::uint64_t secondsRemaining = 0;
};

// One notification. It carries copies of what the receiver may look at (the value, the data
// argument, the client object given at registration, the progress block and, for MSG_STATUS,
// the status text), because the transfer goes on while the event waits in the queue.
class HttpNotification final : public QEvent {
public:
    HttpNotification(int code, std::int64_t value, std::int64_t data, void* clientObject,
                     const ProgressBlock& progress, const QString& text)
        : QEvent(static_cast<QEvent::Type>(code)), value_(value), data_(data), clientObject_(clientObject),
          progress_(progress), text_(text) {}

    int Code() const { return static_cast<int>(type()); }
    std::int64_t Value() const { return value_; }
    std::int64_t Data() const { return data_; }
    void* ClientObject() const { return clientObject_; }
    const ProgressBlock& Progress() const { return progress_; }
    const QString& Text() const { return text_; }

private:
    std::int64_t value_;
    std::int64_t data_;
    void* clientObject_;
    ProgressBlock progress_;
    QString text_;
};
