#include "transport/TransferProgress.h"

namespace {
constexpr qint64 kEstimatePeriodMs = 1000;
} // namespace

void TransferProgress::StartClock() {
    started_.start();
    lastEstimateMs_ = 0;
}

void TransferProgress::Advance(std::uint64_t size, std::uint64_t total) {
    block_.bytesDone += size;
    block_.bytesRemaining = total > block_.bytesDone ? total - block_.bytesDone : 0;
    const qint64 now = started_.isValid() ? started_.elapsed() : 0;
    if (now - lastEstimateMs_ > kEstimatePeriodMs) {
        lastEstimateMs_ = now;
        if (block_.bytesDone != 0 && total != 0) {
            block_.secondsRemaining =
                static_cast<std::uint64_t>(static_cast<double>(now) / static_cast<double>(block_.bytesDone) *
                                           static_cast<double>(block_.bytesRemaining) * 0.001);
        }
    }
}
