#pragma once

#include "transport/BodyTransfer.h"
#include "transport/MultipartBody.h"
#include "transport/TransferProgress.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// The multipart body of an upload, streamed from the local file through the transfer buffer in
// four pieces: the file part's header, the file's bytes, the form fields, the closing tail. Its
// exact length is known before the first byte goes, and a resend rewinds it.
class UploadStream final {
public:
    enum class Piece { FileHeader, FileBytes, Fields, Tail };

    UploadStream(std::vector<char>& buffer, TransferProgress& progress, BodyTransfer::Events& events);
    ~UploadStream();
    UploadStream(const UploadStream&) = delete;
    UploadStream& operator=(const UploadStream&) = delete;
    UploadStream(UploadStream&&) = delete;
    UploadStream& operator=(UploadStream&&) = delete;

    // A fresh boundary for the next body, and the request header line that announces it.
    void NewBoundary() { boundary_ = Multipart::MakeBoundary(); }
    QByteArray ContentTypeHeader() const { return Multipart::ContentTypeHeader(boundary_); }
    // Lays the pieces out and opens localFile (none: no file part). Only a regular file goes up;
    // false leaves the cause in errno.
    bool Open(const QString& localFile, const QList<Multipart::Field>& fields);
    void Close();
    // The announced length of the whole body.
    std::uint64_t Total() const { return total_; }
    // Back to the first byte (a resend); false leaves the cause in errno.
    bool Rewind();
    // Fills dest for libcurl: how many bytes, 0 at the end, nothing when the file can no longer
    // give what was announced.
    std::optional<std::size_t> Read(char* dest, std::size_t size);
    bool AnyPieceSent() const { return anyPieceSent_; }
    // The piece the byte at offset sent belongs to (the tail past the end).
    Piece PieceAt(std::uint64_t sent) const;

private:
    enum class Segment { FileHeader, FileBytes, Fields, Tail, End };

    std::optional<std::size_t> ReadFile(char* dest, std::size_t size);
    void Sent(std::size_t size);

    std::vector<char>& buffer_;
    TransferProgress& progress_;
    BodyTransfer::Events& events_;

    QByteArray boundary_;
    QByteArray filePart_;
    QByteArray fieldParts_;
    QByteArray tail_;
    int fd_ = -1;
    std::uint64_t fileSize_ = 0;
    std::uint64_t total_ = 0;
    Segment segment_ = Segment::FileHeader;
    std::uint64_t segmentOffset_ = 0;
    bool anyPieceSent_ = false;
};
