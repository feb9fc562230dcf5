#pragma once

#include "transport/BodyTransfer.h"
#include "transport/TransferProgress.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

// Where the body of an answer goes while libcurl receives it. A download's 200 answer streams
// through the transfer buffer into the local file and/or the response text; an upload's answer
// is kept as text; a refused (401/407) download is held back, because it becomes the answer if
// the user cancels the login; anything else is cut off unread.
class DownloadSink final {
public:
    // Most of a response kept in memory as text; the rest still reaches the local file.
    static constexpr qsizetype kMaxResponseText = 16 * 1024 * 1024;
    // Most of a refused (401/407) answer held back in case the user cancels the login.
    static constexpr qsizetype kMaxHeldBody = 256 * 1024;

    enum class Mode { Discard, Download, Answer };

    DownloadSink(std::vector<char>& buffer, TransferProgress& progress, BodyTransfer::Events& events);
    ~DownloadSink();
    DownloadSink(const DownloadSink&) = delete;
    DownloadSink& operator=(const DownloadSink&) = delete;
    DownloadSink(DownloadSink&&) = delete;
    DownloadSink& operator=(DownloadSink&&) = delete;

    // Keep the body as response text too (set for good once a download has no local file).
    void SetKeepResponse(bool keep) { keepResponse_ = keep; }
    // A new body: the response text starts empty; a download goes to localFile (none: text only).
    void Start(Mode mode, const QString& localFile);
    // A new attempt of the same request (a resend forgets what the last one received).
    void ResetAttempt();
    // The headers of the final answer are in. false: the local file cannot be opened.
    bool HeadersDone(long status, std::int64_t contentLength);
    // Body bytes from libcurl: how many were taken; fewer stops the transfer.
    std::size_t Take(const char* data, std::size_t size);
    // The request is over: a refusal whose login was cancelled becomes the answer (what the server
    // said is all there is), and the local file is closed.
    void Finish();

    // The transfer was cut off on purpose (an answer nobody reads, or a held body at its bound).
    bool StoppedEarly() const { return stoppedEarly_; }
    bool FileOpenFailed() const { return fileOpenFailed_; }
    bool FileWriteFailed() const { return fileWriteFailed_; }
    int FileErrno() const { return fileErrno_; }
    const QByteArray& Response() const { return response_; }

private:
    bool BeginBody(std::int64_t contentLength);
    bool TakeChunk(const char* data, std::size_t size);
    bool WriteToFile(std::size_t size);
    void AppendResponseText(const char* data, std::size_t size);
    void CloseFile();

    std::vector<char>& buffer_;
    TransferProgress& progress_;
    BodyTransfer::Events& events_;

    Mode mode_ = Mode::Discard;
    QString localFile_;
    bool keepResponse_ = false;
    QByteArray response_;
    bool responseTextStopped_ = false;
    int fd_ = -1;
    std::uint64_t size_ = 0;

    // What one attempt received.
    long status_ = 0;
    bool bodyStarted_ = false;
    bool stoppedEarly_ = false;
    bool fileOpenFailed_ = false;
    bool fileWriteFailed_ = false;
    int fileErrno_ = 0;
    QByteArray heldBody_;
    std::int64_t heldContentLength_ = -1;
};
