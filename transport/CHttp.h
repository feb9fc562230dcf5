#pragma once

#include "transport/HttpNotification.h"
#include "transport/MultipartBody.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

// One HTTP request to the report server, made synchronously on the calling thread through a
// libcurl easy handle of its own. Operations answer 1 for success and 0 for failure; the
// failure's text stays in the object (GetErrorText) and in the activity log.
//
// The calling order every caller uses: SetLocalFile and/or SetKeepResponse, SetURL,
// optionally SetSecure, OpenInternetSession, DownloadFile or UploadFile, GetResponse,
// CloseSession.
class CHttp final {
public:
    // Size of one transfer chunk and of the one buffer every body goes through.
    static constexpr std::size_t kTransferChunk = 16384;
    // Resends of one request for a login before giving up. A certificate that cannot be verified
    // is never answered by a resend: the request fails and nothing is sent.
    static constexpr int kMaxResends = 5;
    // Most of a response kept in memory as text; the rest still reaches the local file.
    static constexpr qsizetype kMaxResponseText = 16 * 1024 * 1024;
    // Most of a refused (401/407) answer held back in case the user cancels the login.
    static constexpr qsizetype kMaxHeldBody = 256 * 1024;
    // Credential fields are cut to this many characters.
    static constexpr qsizetype kMaxCredential = 255;

    CHttp();
    ~CHttp();
    CHttp(const CHttp&) = delete;
    CHttp& operator=(const CHttp&) = delete;
    CHttp(CHttp&&) = delete;
    CHttp& operator=(CHttp&&) = delete;

    // Notifications (HttpNotification events) go to receiver; clientObject rides along.
    void SetNotificationWindow(QObject* receiver, void* clientObject = nullptr);

    int SetURL(const QString& url);
    // Sends to port 443 whatever port the URL named (either value: every request is TLS).
    // Called after SetURL.
    int SetSecure(bool secure);
    int SetLocalFile(const QString& path);
    void SetKeepResponse(bool keep);

    // Form fields of an upload, kept in insertion order. Text values go as UTF-8; the byte
    // form sends the value exactly (scrambled credentials).
    int AddFormField(const QString& name, const QString& value);
    int AddFormField(const QString& name, const QByteArray& value);
    int ClearFormFields();

    int OpenInternetSession();
    enum class Verb { Get, Post };
    int OpenConnection(Verb verb);
    // Sends the opened request and settles authentication; a certificate that cannot be verified
    // fails it.
    int HandleAuthentication();
    int DownloadFile();
    int UploadFile();

    QString GetResponse() const;
    QByteArray GetResponseBytes() const { return response_; }
    QString GetErrorText() const { return errorText_; }
    int CloseSession();

    QByteArray BuildFilePart(const QByteArray& boundary) const;
    QByteArray BuildFieldParts(const QByteArray& boundary) const;
    static QByteArray MakeBoundary();

    // What SetURL and SetSecure settled (used by tests and the log).
    QString URL() const { return url_; }
    QString ServerName() const { return serverName_; }
    QString ObjectPath() const { return objectPath_; }
    std::uint16_t Port() const { return port_; }
    // The libcurl result (or errno for local files) of the last failing step.
    int LastErrorCode() const { return lastCode_; }

private:
    enum class BodyMode { Discard, Download, Answer };
    enum class Segment { FileHeader, FileBytes, Fields, Tail, End };

    // The body halves of DownloadFile and UploadFile. Their log lines still say "_DownloadFile" and
    // "_UploadFile", the names these halves first had.
    int ReceiveDownload();
    int SendUpload();
    int NotifyClient(int code, std::int64_t value, std::int64_t data, const QString& text = {});
    void Post(int code, std::int64_t value, std::int64_t data, const QString& text);
    void CloseHandles();

    // One libcurl transfer of the opened request; the callbacks below run inside it.
    int Perform();
    void ResetAttempt();
    bool ApplyRequestOptions();

    // Download body steps, run live while a 200 answer arrives, or afterwards over the held
    // body of a refused request whose login was cancelled.
    bool BeginBody(std::int64_t contentLength);
    bool TakeChunk(const char* data, std::size_t size);
    void UpdateProgress(std::uint64_t total);
    void AppendResponseText(const char* data, std::size_t size);

    std::size_t OnHeader(const char* data, std::size_t size);
    std::size_t OnBody(const char* data, std::size_t size);
    std::size_t OnUploadRead(char* dest, std::size_t size);
    bool RewindUpload();
    void UploadPiece(std::size_t size);
    void PostStatus(int status, const char* text);
    // libcurl's C callbacks (in the implementation file) reach the members above.
    friend struct CHttpCallbacks;

    // Notification receiver and the client object handed back with every notification.
    QPointer<QObject> receiver_;
    void* clientObject_ = nullptr;

    QString url_;
    QString errorText_;
    QString localFile_;
    QString serverUser_;
    QString serverPassword_;
    QString proxyUser_;
    QString proxyPassword_;
    // Credentials the login dialog answered with, sent on every resend of this object.
    QByteArray loginUser_;
    QByteArray loginPassword_;
    QByteArray proxyLoginUser_;
    QByteArray proxyLoginPassword_;
    std::int64_t notificationValue_ = 0;
    ProgressBlock progress_;
    bool keepResponse_ = false;
    QByteArray response_;
    std::uint16_t port_ = 443;
    QList<Multipart::Field> formFields_;
    void* curl_ = nullptr; // the session, connection and request in one libcurl handle
    bool requestOpen_ = false;
    bool postRequest_ = false;
    QString serverName_;
    QString objectPath_;
    std::vector<char> buffer_;
    int lastCode_ = 0;

    // Request headers handed to libcurl (a curl_slist), owned here.
    void* headerList_ = nullptr;
    void* uploadHeaders_ = nullptr;

    // What one transfer saw.
    BodyMode bodyMode_ = BodyMode::Discard;
    long blockStatus_ = 0;
    long finalStatus_ = 0;
    bool headersDone_ = false;
    std::int64_t blockContentLength_ = -1;
    QString blockRealm_;
    QString realm_;
    QByteArray rawHeaders_;
    bool bodyStarted_ = false;
    bool stoppedEarly_ = false;
    bool blockHasLocation_ = false;
    int performResult_ = 0;
    bool fileOpenFailed_ = false;
    bool fileWriteFailed_ = false;
    int fileErrno_ = 0;
    QByteArray heldBody_;
    std::int64_t heldContentLength_ = -1;
    int fd_ = -1;
    std::uint64_t size_ = 0;
    QElapsedTimer started_;
    qint64 lastEstimateMs_ = 0;
    bool responseTextStopped_ = false;

    // Upload state.
    QByteArray boundary_;
    QByteArray filePart_;
    QByteArray fieldParts_;
    QByteArray tail_;
    int uploadFd_ = -1;
    std::uint64_t uploadFileSize_ = 0;
    std::uint64_t uploadTotal_ = 0;
    Segment segment_ = Segment::FileHeader;
    std::uint64_t segmentOffset_ = 0;
    bool anyPieceSent_ = false;
    bool uploadBody_ = false;
    int uploadReadErrno_ = 0;
};
