#pragma once

#include "transport/BodyTransfer.h"
#include "transport/DownloadSink.h"
#include "transport/HttpNotification.h"
#include "transport/MultipartBody.h"
#include "transport/TransferProgress.h"
#include "transport/UploadStream.h"

#include <QByteArray>
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
//
// This class is the session: the address, the credentials, the libcurl handle, authentication
// and resends, and the notifications. What comes back goes through its DownloadSink; an upload's
// body comes from its UploadStream.
class CHttp final : private BodyTransfer::Events {
public:
    // Size of one transfer chunk and of the one buffer every body goes through.
    static constexpr std::size_t kTransferChunk = BodyTransfer::kChunk;
    // Resends of one request for a login before giving up. A certificate that cannot be verified
    // is never answered by a resend: the request fails and nothing is sent.
    static constexpr int kMaxResends = 5;
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
    QByteArray GetResponseBytes() const { return sink_.Response(); }
    QString GetErrorText() const { return errorText_; }
    int CloseSession();

    // What SetURL and SetSecure settled (used by tests and the log).
    QString URL() const { return url_; }
    QString ServerName() const { return serverName_; }
    QString ObjectPath() const { return objectPath_; }
    std::uint16_t Port() const { return port_; }

private:
    // The body halves of DownloadFile and UploadFile. Their log lines still say "_DownloadFile" and
    // "_UploadFile", the names these halves first had.
    int ReceiveDownload();
    int SendUpload();
    int ProbeUpload();
    int PrepareUploadBody();
    int ReportUploadFailure(int rc);

    // The steps of OpenInternetSession; each answers a libcurl result.
    int SetSessionOptions();
    int SetStatusCallbacks();
    int BindServerAddress();

    int NotifyClient(int code, std::int64_t value, std::int64_t data, const QString& text = {});
    void Post(int code, std::int64_t value, std::int64_t data, const QString& text);
    void PostStatus(int status, const char* text);
    void Progressed(int value, std::int64_t data) override;
    void Warned(int value, const QString& errorText) override;
    void CloseHandles();

    // One libcurl transfer of the opened request; the callbacks below run inside it.
    int Perform();
    void ResetAttempt();
    bool ApplyRequestOptions();
    int ApplyPostBody();
    int ApplyLogin();
    // Answers a refused login: true to resend with the credentials settled, false to let the
    // refusal stand as the answer.
    bool SettleLogin(bool proxy);

    std::size_t OnHeader(const char* data, std::size_t size);
    void ReadHeaderField(const QByteArray& line);
    // libcurl's C callbacks (in the implementation file) reach the members above.
    friend struct CHttpCallbacks;

    // Notification receiver and the client object handed back with every notification.
    QPointer<QObject> receiver_;
    void* clientObject_ = nullptr;

    QString url_;
    QString errorText_;
    QString localFile_;
    QString serverName_;
    QString objectPath_;
    std::uint16_t port_ = 443;
    QList<Multipart::Field> formFields_;
    // Credential fields: nothing sets them, so a login always goes through the credential dialog.
    QString serverUser_;
    QString serverPassword_;
    QString proxyUser_;
    QString proxyPassword_;
    // Credentials the login dialog answered with, sent on every resend of this object.
    QByteArray loginUser_;
    QByteArray loginPassword_;
    QByteArray proxyLoginUser_;
    QByteArray proxyLoginPassword_;

    void* curl_ = nullptr; // the session, connection and request in one libcurl handle
    bool requestOpen_ = false;
    bool postRequest_ = false;
    // Whether the request carries the upload's body (the probe before it carries none).
    bool uploadBody_ = false;
    // Request headers handed to libcurl (curl_slists), owned here.
    void* headerList_ = nullptr;
    void* uploadHeaders_ = nullptr;
    // The libcurl result (or errno for local files) of the last step; notifications carry it.
    int lastCode_ = 0;

    // What one transfer's headers said.
    long blockStatus_ = 0;
    long finalStatus_ = 0;
    bool headersDone_ = false;
    std::int64_t blockContentLength_ = -1;
    QString blockRealm_;
    QString realm_;
    bool blockHasLocation_ = false;

    // The one transfer buffer, the progress every notification carries, and the two body halves.
    std::vector<char> buffer_;
    TransferProgress progress_;
    DownloadSink sink_{buffer_, progress_, *this};
    UploadStream stream_{buffer_, progress_, *this};
};
