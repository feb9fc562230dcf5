#include "transport/DownloadSink.h"

#include "host/core/ActivityLog.h"
#include "host/core/NameGate.h"
#include "host/core/PrivateModes.h"
#include "transport/HttpNotification.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

DownloadSink::DownloadSink(std::vector<char>& buffer, TransferProgress& progress,
                           BodyTransfer::Events& events)
    : buffer_(buffer), progress_(progress), events_(events) {}

DownloadSink::~DownloadSink() {
    CloseFile();
}

void DownloadSink::Start(Mode mode, const QString& localFile) {
    mode_ = mode;
    localFile_ = localFile;
    response_.clear();
    responseTextStopped_ = false;
}

void DownloadSink::ResetAttempt() {
    status_ = 0;
    bodyStarted_ = false;
    stoppedEarly_ = false;
    fileOpenFailed_ = false;
    fileWriteFailed_ = false;
    fileErrno_ = 0;
    heldBody_.clear();
    heldContentLength_ = -1;
}

bool DownloadSink::HeadersDone(long status, std::int64_t contentLength) {
    status_ = status;
    heldContentLength_ = contentLength;
    if (mode_ == Mode::Download && status == 200) {
        if (!BeginBody(contentLength)) {
            return false;
        }
        bodyStarted_ = true;
    }
    return true;
}

std::size_t DownloadSink::Take(const char* data, std::size_t size) {
    constexpr std::size_t chunk = BodyTransfer::kChunk;
    if (mode_ == Mode::Download && bodyStarted_) {
        for (std::size_t offset = 0; offset < size; offset += chunk) {
            if (!TakeChunk(data + offset, std::min(chunk, size - offset))) {
                return 0;
            }
        }
        return size;
    }
    if (mode_ == Mode::Answer) {
        for (std::size_t offset = 0; offset < size; offset += chunk) {
            const std::size_t n = std::min(chunk, size - offset);
            std::memcpy(buffer_.data(), data + offset, n);
            AppendResponseText(buffer_.data(), n);
        }
        return size;
    }
    if (mode_ == Mode::Download && (status_ == 401 || status_ == 407)) {
        // Held in case the user cancels the login: then this refusal is the answer.
        const qsizetype room = kMaxHeldBody - heldBody_.size();
        if (static_cast<qsizetype>(size) <= room) {
            heldBody_.append(data, static_cast<qsizetype>(size));
            return size;
        }
        heldBody_.append(data, room);
    }
    // Nothing else is read: not the probe's answer, not the body of a failed status.
    stoppedEarly_ = true;
    return 0;
}

void DownloadSink::Finish() {
    if (!bodyStarted_ && !fileOpenFailed_ && BeginBody(heldContentLength_)) {
        const auto chunk = static_cast<qsizetype>(BodyTransfer::kChunk);
        for (qsizetype offset = 0; offset < heldBody_.size(); offset += chunk) {
            const qsizetype n = std::min(chunk, heldBody_.size() - offset);
            if (!TakeChunk(heldBody_.constData() + offset, static_cast<std::size_t>(n))) {
                break;
            }
        }
    }
    CloseFile();
}

bool DownloadSink::BeginBody(std::int64_t contentLength) {
    progress_.Reset();
    if (contentLength >= 0) {
        size_ = static_cast<std::uint64_t>(contentLength);
        events_.Progressed(PROGRESS_TOTAL_SIZE, contentLength);
    } else {
        // libcurl has no error for a missing header; the code logged is its "no error", 0.
        WriteLog(QStringLiteral("Error in HttpQueryInfo in _DownloadFile,0"));
        events_.Warned(WARNING_SIZE_UNKNOWN,
                       QStringLiteral("Error unable to retrieve FileSize for :") + localFile_);
        size_ = 0;
    }
    progress_.StartClock();
    if (localFile_.isEmpty()) {
        keepResponse_ = true;
        return true;
    }
    // A path holding a NUL would end early at the system call and name another file; a link in
    // the desk's folder is not followed.
    QByteArray path;
    errno = EINVAL;
    fd_ = NameGate::NativePath(localFile_, path)
              ? ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC,
                       PrivateModes::kFile)
              : -1;
    PrivateModes::Restrict(fd_);
    if (fd_ < 0) {
        fileErrno_ = errno;
        fileOpenFailed_ = true;
        return false;
    }
    return true;
}

bool DownloadSink::TakeChunk(const char* data, std::size_t size) {
    std::memcpy(buffer_.data(), data, size);
    progress_.Advance(size, size_);
    events_.Progressed(PROGRESS_UPDATED, 0);
    if (keepResponse_) {
        AppendResponseText(buffer_.data(), size);
    }
    return fd_ < 0 || WriteToFile(size);
}

bool DownloadSink::WriteToFile(std::size_t size) {
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd_, buffer_.data() + written, size - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            fileErrno_ = n < 0 ? errno : EIO;
            fileWriteFailed_ = true;
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

void DownloadSink::AppendResponseText(const char* data, std::size_t size) {
    if (responseTextStopped_) {
        return;
    }
    const void* zero = std::memchr(data, 0, size);
    auto length = static_cast<qsizetype>(zero != nullptr ? static_cast<const char*>(zero) - data
                                                         : static_cast<std::ptrdiff_t>(size));
    if (response_.size() + length > kMaxResponseText) {
        length = kMaxResponseText - response_.size();
        responseTextStopped_ = true;
    }
    response_.append(data, length);
}

void DownloadSink::CloseFile() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}
