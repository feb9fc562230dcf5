#pragma once

#include "transport/HttpNotification.h"

#include <QElapsedTimer>

#include <cstdint>

// The progress block of the running transfer: bytes done, bytes left and the estimated seconds
// left, the estimate refreshed at most once a second.
class TransferProgress final {
public:
    // Counts back to zero; the clock runs on.
    void Reset() { block_ = ProgressBlock{}; }
    // The estimate counts from now.
    void StartClock();
    // size more bytes of total went.
    void Advance(std::uint64_t size, std::uint64_t total);
    const ProgressBlock& Block() const { return block_; }

private:
    ProgressBlock block_;
    QElapsedTimer started_;
    qint64 lastEstimateMs_ = 0;
};
