// The multipart form post of CHttp: a bodiless probe settles the login and checks the server's
// certificate, then the body is streamed from disk through the transfer buffer with its exact
// length announced.
#include "transport/CHttp.h"

#include "host/core/ActivityLog.h"
#include "host/core/CertificateNotice.h"
#include "host/core/NameGate.h"
#include "host/core/ServerTrust.h"

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Num(long long code) {
    return QString::number(code);
}

QString Format(const char* pattern, int code) {
    return QString::asprintf(pattern, code);
}

} // namespace

int CHttp::UploadFile() {
    if (!OpenConnection(Verb::Post)) {
        return 0;
    }
    return SendUpload();
}

int CHttp::SendUpload() {
    response_.clear();
    responseTextStopped_ = false;

    // The probe: the opened POST once without a body; it has to be answered 200.
    bodyMode_ = BodyMode::Discard;
    uploadBody_ = false;
    if (!HandleAuthentication()) {
        WriteLog(QStringLiteral("Error in HandleAuthentication in _UploadFile,") + Num(lastCode_));
        NotifyClient(MSG_ERROR, lastCode_, lastCode_);
        return 0;
    }
    requestOpen_ = false;
    if (!OpenConnection(Verb::Post)) {
        WriteLog(QStringLiteral("Error in OpenConnection in _UploadFile,") + Num(lastCode_));
        NotifyClient(MSG_ERROR, lastCode_, lastCode_);
        return 0;
    }

    started_.start();
    lastEstimateMs_ = 0;
    progress_ = ProgressBlock{};
    boundary_ = MakeBoundary();
    NotifyClient(MSG_PROGRESS, PROGRESS_UPLOAD_STARTING, 0);
    // The announcing header, and no "Expect: 100-continue" round trip.
    const QByteArray contentType = Multipart::ContentTypeHeader(boundary_);
    curl_slist* headers = curl_slist_append(nullptr, contentType.constData());
    curl_slist* complete = headers != nullptr ? curl_slist_append(headers, "Expect:") : nullptr;
    if (complete == nullptr) {
        curl_slist_free_all(headers);
        lastCode_ = CURLE_OUT_OF_MEMORY;
        WriteLog(QStringLiteral("Error adding HTTPRequestHeaders   in _UploadFile,") + Num(lastCode_));
        errorText_ = Format("Error adding HTTPRequestHeaders . Errorcode:%d", lastCode_);
        NotifyClient(MSG_ERROR, lastCode_, lastCode_);
        return 0;
    }
    if (uploadHeaders_ != nullptr) {
        curl_slist_free_all(static_cast<curl_slist*>(uploadHeaders_));
    }
    uploadHeaders_ = complete;

    filePart_ = BuildFilePart(boundary_);
    fieldParts_ = BuildFieldParts(boundary_);
    tail_ = Multipart::Tail();
    uploadFileSize_ = 0;
    if (!localFile_.isEmpty()) {
        // Only a regular file goes up: a path holding a NUL would name another file at the system
        // call, and a device or pipe has no length to announce.
        QByteArray path;
        errno = EINVAL;
        uploadFd_ = NameGate::NativePath(localFile_, path)
                        ? ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)
                        : -1;
        struct stat info {};
        if (uploadFd_ >= 0 && (::fstat(uploadFd_, &info) != 0 || !S_ISREG(info.st_mode))) {
            const int e = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
            ::close(uploadFd_);
            uploadFd_ = -1;
            errno = e;
        }
        if (uploadFd_ < 0) {
            lastCode_ = errno;
            errorText_ = QStringLiteral("Error reading the file:") + localFile_ + QStringLiteral("error: ") +
                         Num(lastCode_);
            NotifyClient(MSG_ERROR, lastCode_, lastCode_);
            return 0;
        }
        uploadFileSize_ = static_cast<std::uint64_t>(info.st_size);
    }
    // The file is closed on every way out.
    struct FileCloser {
        int& fd;
        ~FileCloser() {
            if (fd >= 0) {
                ::close(fd);
                fd = -1;
            }
        }
    } closer{uploadFd_};

    uploadTotal_ =
        static_cast<std::uint64_t>(filePart_.size() + fieldParts_.size() + tail_.size()) + uploadFileSize_;
    NotifyClient(MSG_PROGRESS, PROGRESS_TOTAL_SIZE, static_cast<std::int64_t>(uploadTotal_));

    bodyMode_ = BodyMode::Answer;
    uploadBody_ = true;
    if (!RewindUpload()) {
        lastCode_ = errno;
        errorText_ = QStringLiteral("Error reading the file:") + localFile_ + QStringLiteral("error: ") +
                     Num(lastCode_);
        NotifyClient(MSG_ERROR, lastCode_, lastCode_);
        return 0;
    }
    response_.clear();
    responseTextStopped_ = false;
    const int rc = Perform();
    lastCode_ = rc;
    if (rc == CURLE_OK) {
        NotifyClient(MSG_DONE, 0, 0);
        return 1;
    }

    curl_off_t sent = 0;
    if (curl_ != nullptr) {
        curl_easy_getinfo(static_cast<CURL*>(curl_), CURLINFO_SIZE_UPLOAD_T, &sent);
    }
    const auto sentBytes = static_cast<std::uint64_t>(std::max<curl_off_t>(sent, 0));
    const bool started = anyPieceSent_ || sentBytes > 0;
    if (!headersDone_ && started && (sentBytes < uploadTotal_ || rc == CURLE_ABORTED_BY_CALLBACK)) {
        // A write failed: which piece was on its way decides the line.
        const auto fileEnd = static_cast<std::uint64_t>(filePart_.size()) + uploadFileSize_;
        const auto fieldsEnd = fileEnd + static_cast<std::uint64_t>(fieldParts_.size());
        QString line;
        std::int64_t data = rc;
        if (rc == CURLE_ABORTED_BY_CALLBACK ||
            (sentBytes >= static_cast<std::uint64_t>(filePart_.size()) && sentBytes < fileEnd)) {
            line = QStringLiteral("Error in InternetWriteFile Transfer Error in _UploadFile,");
        } else if (sentBytes < static_cast<std::uint64_t>(filePart_.size())) {
            line = QStringLiteral("Error in InternetWriteFile in _UploadFile,");
            data = 0;
        } else if (sentBytes < fieldsEnd) {
            line = QStringLiteral("Error in InternetWriteFile Transfer Error Writing Tail in _UploadFile,");
        } else {
            line = QStringLiteral("Error in InternetWriteFile Transfer Error Writing Pack in _UploadFile,");
        }
        WriteLog(line + Num(rc));
        errorText_ = Format("InternetWriteFile Transfer Error : %d", rc);
        NotifyClient(MSG_ERROR, rc, data);
        return 0;
    }
    if (!headersDone_ && started) {
        // The body went out whole but no answer came back.
        WriteLog(QStringLiteral("Error in HttpEndRequest Transfer Error Writing Pack in _UploadFile,") +
                 Num(rc));
        errorText_ = Format("Error Http EndRequest : %d", rc);
        NotifyClient(MSG_ERROR, rc, 0);
        return 0;
    }
    // The probe has verified the server; should the certificate fail now, the body is not
    // sent again with the checks off.
    if (ServerTrust::IsCertificateError(rc)) {
        CertificateNotice::Refused();
    }
    WriteLog(QStringLiteral("Unable to Transfer File  in _UploadFile,") + Num(rc));
    errorText_ = Format("Unable to Transfer File  . Errorcode:%d", rc);
    NotifyClient(MSG_ERROR, rc, rc);
    return 0;
}

bool CHttp::RewindUpload() {
    segment_ = Segment::FileHeader;
    segmentOffset_ = 0;
    anyPieceSent_ = false;
    progress_ = ProgressBlock{};
    if (uploadFd_ >= 0 && ::lseek(uploadFd_, 0, SEEK_SET) != 0) {
        return false;
    }
    return true;
}

void CHttp::UploadPiece(std::size_t size) {
    anyPieceSent_ = true;
    progress_.bytesDone += size;
    UpdateProgress(uploadTotal_);
    NotifyClient(MSG_PROGRESS, PROGRESS_UPDATED, 0);
}

std::size_t CHttp::OnUploadRead(char* dest, std::size_t size) {
    // Bounded: each pass either hands out bytes or moves to the next of the four segments.
    while (segment_ != Segment::End) {
        if (segment_ == Segment::FileBytes) {
            if (uploadFileSize_ == segmentOffset_ || uploadFd_ < 0) {
                segment_ = Segment::Fields;
                segmentOffset_ = 0;
                continue;
            }
            // As many whole chunks as libcurl's buffer takes, each through the transfer buffer.
            std::size_t filled = 0;
            while (filled < size && segmentOffset_ < uploadFileSize_) {
                const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(
                    {uploadFileSize_ - segmentOffset_, static_cast<std::uint64_t>(size - filled),
                     static_cast<std::uint64_t>(buffer_.size())}));
                ssize_t got = 0;
                do {
                    got = ::read(uploadFd_, buffer_.data(), want);
                } while (got < 0 && errno == EINTR);
                if (got <= 0) {
                    // The file shrank or cannot be read: the announced length can no longer be kept.
                    uploadReadErrno_ = got < 0 ? errno : EIO;
                    return CURL_READFUNC_ABORT;
                }
                const auto n = static_cast<std::size_t>(got);
                std::memcpy(dest + filled, buffer_.data(), n);
                filled += n;
                segmentOffset_ += n;
                UploadPiece(n);
            }
            return filled;
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
        UploadPiece(n);
        return n;
    }
    return 0;
}
