#include "transport/UploadStream.h"

#include "host/core/NameGate.h"
#include "transport/HttpNotification.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

UploadStream::UploadStream(std::vector<char>& buffer, TransferProgress& progress,
                           BodyTransfer::Events& events)
    : buffer_(buffer), progress_(progress), events_(events) {}

UploadStream::~UploadStream() {
    Close();
}

bool UploadStream::Open(const QString& localFile, const QList<Multipart::Field>& fields) {
    filePart_ = Multipart::BuildFilePart(boundary_, localFile.toUtf8());
    fieldParts_ = Multipart::BuildFieldParts(boundary_, fields);
    tail_ = Multipart::Tail();
    fileSize_ = 0;
    total_ = 0;
    if (!localFile.isEmpty()) {
        // A path holding a NUL would name another file at the system call, and a device or pipe
        // has no length to announce.
        QByteArray path;
        errno = EINVAL;
        fd_ = NameGate::NativePath(localFile, path)
                  ? ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)
                  : -1;
        struct stat info {};
        if (fd_ >= 0 && (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode))) {
            const int e = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
            Close();
            errno = e;
        }
        if (fd_ < 0) {
            return false;
        }
        fileSize_ = static_cast<std::uint64_t>(info.st_size);
    }
    total_ = static_cast<std::uint64_t>(filePart_.size() + fieldParts_.size() + tail_.size()) + fileSize_;
    events_.Progressed(PROGRESS_TOTAL_SIZE, static_cast<std::int64_t>(total_));
    return true;
}

void UploadStream::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool UploadStream::Rewind() {
    segment_ = Segment::FileHeader;
    segmentOffset_ = 0;
    anyPieceSent_ = false;
    progress_.Reset();
    return fd_ < 0 || ::lseek(fd_, 0, SEEK_SET) == 0;
}

UploadStream::Piece UploadStream::PieceAt(std::uint64_t sent) const {
    const auto headerEnd = static_cast<std::uint64_t>(filePart_.size());
    const std::uint64_t fileEnd = headerEnd + fileSize_;
    if (sent < headerEnd) {
        return Piece::FileHeader;
    }
    if (sent < fileEnd) {
        return Piece::FileBytes;
    }
    return sent < fileEnd + static_cast<std::uint64_t>(fieldParts_.size()) ? Piece::Fields : Piece::Tail;
}

std::optional<std::size_t> UploadStream::Read(char* dest, std::size_t size) {
    // Bounded: each pass either hands out bytes or moves to the next of the four pieces.
    while (segment_ != Segment::End) {
        if (segment_ == Segment::FileBytes) {
            if (fileSize_ == segmentOffset_ || fd_ < 0) {
                segment_ = Segment::Fields;
                segmentOffset_ = 0;
                continue;
            }
            return ReadFile(dest, size);
        }
        const QByteArray& piece =
            segment_ == Segment::FileHeader ? filePart_ : (segment_ == Segment::Fields ? fieldParts_ : tail_);
        const std::uint64_t left = static_cast<std::uint64_t>(piece.size()) - segmentOffset_;
        if (left == 0) {
            segment_ = segment_ == Segment::FileHeader
                           ? Segment::FileBytes
                           : (segment_ == Segment::Fields ? Segment::Tail : Segment::End);
            segmentOffset_ = 0;
            continue;
        }
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(left, size));
        std::memcpy(dest, piece.constData() + segmentOffset_, n);
        segmentOffset_ += n;
        Sent(n);
        return n;
    }
    return 0;
}

std::optional<std::size_t> UploadStream::ReadFile(char* dest, std::size_t size) {
    // As many whole chunks as libcurl's buffer takes, each through the transfer buffer.
    std::size_t filled = 0;
    while (filled < size && segmentOffset_ < fileSize_) {
        const std::size_t want = static_cast<std::size_t>(
            std::min<std::uint64_t>({fileSize_ - segmentOffset_, static_cast<std::uint64_t>(size - filled),
                                     static_cast<std::uint64_t>(buffer_.size())}));
        ssize_t got = 0;
        do {
            got = ::read(fd_, buffer_.data(), want);
        } while (got < 0 && errno == EINTR);
        if (got <= 0) {
            // The file shrank or cannot be read: the announced length can no longer be kept.
            return std::nullopt;
        }
        const auto n = static_cast<std::size_t>(got);
        std::memcpy(dest + filled, buffer_.data(), n);
        filled += n;
        segmentOffset_ += n;
        Sent(n);
    }
    return filled;
}

void UploadStream::Sent(std::size_t size) {
    anyPieceSent_ = true;
    progress_.Advance(size, total_);
    events_.Progressed(PROGRESS_UPDATED, 0);
}
