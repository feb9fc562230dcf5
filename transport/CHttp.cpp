#include "transport/CHttp.h"

#include "host/core/ActivityLog.h"
#include "host/core/CertificateNotice.h"
#include "host/core/NameGate.h"
#include "host/core/PrivateModes.h"
#include "host/core/Prompts.h"
#include "host/core/ServerTrust.h"
#include "transport/HttpUrl.h"

#include <QCoreApplication>

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <new>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::uint16_t kPlainPort = 80;
constexpr std::uint16_t kTlsPort = 443;
constexpr long kConnectTimeoutSeconds = 30;
constexpr long kLowSpeedSeconds = 120;
constexpr long kMaxRedirects = 5;
constexpr qsizetype kMaxRawHeaders = 64 * 1024;
constexpr int kMaxLengthDigits = 18;
constexpr qint64 kEstimatePeriodMs = 1000;

std::once_flag curlGlobalInit;

CURL* Handle(void* p) {
    return static_cast<CURL*>(p);
}

QString Num(long long code) {
    return QString::number(code);
}

QString Format(const char* pattern, int code) {
    return QString::asprintf(pattern, code);
}

bool StartsWithNoCase(const QByteArray& line, const char* prefix) {
    const auto n = static_cast<qsizetype>(std::strlen(prefix));
    return line.size() >= n && qstrnicmp(line.constData(), prefix, static_cast<uint>(n)) == 0;
}

// realm="..." of an authentication challenge, empty when there is none.
QString RealmOf(const QByteArray& value) {
    const qsizetype at = value.toLower().indexOf("realm=");
    if (at < 0) {
        return {};
    }
    QByteArray rest = value.mid(at + 6).trimmed();
    if (rest.startsWith('"')) {
        const qsizetype close = rest.indexOf('"', 1);
        rest = close > 0 ? rest.mid(1, close - 1) : rest.mid(1);
    } else {
        const qsizetype comma = rest.indexOf(',');
        if (comma >= 0) {
            rest = rest.left(comma);
        }
    }
    return QString::fromUtf8(rest.left(CHttp::kMaxCredential));
}

void FreeList(void*& list) {
    if (list != nullptr) {
        curl_slist_free_all(static_cast<curl_slist*>(list));
        list = nullptr;
    }
}

} // namespace

// The C callbacks libcurl calls during a transfer; each hands over to the object.
struct CHttpCallbacks {
    static std::size_t Header(char* data, std::size_t size, std::size_t count, void* self) {
        return static_cast<CHttp*>(self)->OnHeader(data, size * count);
    }
    static std::size_t Write(char* data, std::size_t size, std::size_t count, void* self) {
        return static_cast<CHttp*>(self)->OnBody(data, size * count);
    }
    static std::size_t Read(char* dest, std::size_t size, std::size_t count, void* self) {
        return static_cast<CHttp*>(self)->OnUploadRead(dest, size * count);
    }
    static int Seek(void* self, curl_off_t offset, int origin) {
        if (offset != 0 || origin != SEEK_SET) {
            return CURL_SEEKFUNC_CANTSEEK;
        }
        return static_cast<CHttp*>(self)->RewindUpload() ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_FAIL;
    }
    // The connection steps of the transfer, reported with the status numbers receivers know.
    static curl_socket_t OpenSocket(void* self, curlsocktype, curl_sockaddr* address) {
        auto* http = static_cast<CHttp*>(self);
        http->PostStatus(10, "Resolving Name");
        http->PostStatus(11, "Name Resolved");
        http->PostStatus(20, "Connecting to Server");
        return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    }
    static int Prereq(void* self, char*, char*, int, int) {
        static_cast<CHttp*>(self)->PostStatus(21, "Connected");
        return CURL_PREREQFUNC_OK;
    }
};

CHttp::CHttp() {
    std::call_once(curlGlobalInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    try {
        buffer_.resize(kTransferChunk);
    } catch (const std::bad_alloc&) {
        Prompts::Error(QStringLiteral("Fatal Error: Could not allocate memory."));
    }
}

CHttp::~CHttp() {
    CloseHandles();
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (uploadFd_ >= 0) {
        ::close(uploadFd_);
    }
}

void CHttp::SetNotificationWindow(QObject* receiver, void* clientObject) {
    receiver_ = receiver;
    clientObject_ = clientObject;
}

int CHttp::SetURL(const QString& url) {
    QString candidate = url;
    std::optional<HttpUrlParts> parts = ParseHttpUrl(candidate);
    if (!parts) {
        candidate = QStringLiteral("http://") + url;
        parts = ParseHttpUrl(candidate);
    }
    if (!parts) {
        WriteLog(QStringLiteral("Incorrect URL. in SetURL, Url =") + candidate);
        errorText_ = QStringLiteral("Incorrect URL.");
        return 0;
    }
    url_ = candidate;
    serverName_ = parts->host;
    objectPath_ = parts->objectPath;
    // Every request goes over TLS: an address that names plain HTTP's own port is asked on
    // HTTPS's; a port of its own stays, and must speak TLS.
    port_ = parts->port == kPlainPort ? kTlsPort : parts->port;
    return 1;
}

int CHttp::SetSecure(bool /*secure*/) {
    // Requests that were once sent in the clear carry passwords and patients' file names too:
    // both values mean TLS on its port.
    port_ = kTlsPort;
    return 1;
}

int CHttp::SetLocalFile(const QString& path) {
    localFile_ = path;
    return 1;
}

void CHttp::SetKeepResponse(bool keep) {
    keepResponse_ = keep;
}

int CHttp::AddFormField(const QString& name, const QString& value) {
    return AddFormField(name, value.toUtf8());
}

int CHttp::AddFormField(const QString& name, const QByteArray& value) {
    formFields_.append(Multipart::Field{name.toUtf8(), value});
    return 1;
}

int CHttp::ClearFormFields() {
    formFields_.clear();
    return 1;
}

QByteArray CHttp::BuildFilePart(const QByteArray& boundary) const {
    return Multipart::BuildFilePart(boundary, localFile_.toUtf8());
}

QByteArray CHttp::BuildFieldParts(const QByteArray& boundary) const {
    return Multipart::BuildFieldParts(boundary, formFields_);
}

QByteArray CHttp::MakeBoundary() {
    return Multipart::MakeBoundary();
}

QString CHttp::GetResponse() const {
    return QString::fromUtf8(response_);
}

int CHttp::OpenInternetSession() {
    CloseHandles();
    CertificateNotice::RequestStarted();
    CURL* h = curl_easy_init();
    if (h == nullptr) {
        lastCode_ = CURLE_FAILED_INIT;
        errorText_ = Format("Failed in call to InternetOpen, Error :%d", lastCode_);
        return 0;
    }
    curl_ = h;
    QString agent = QCoreApplication::applicationName();
    if (agent.isEmpty()) {
        agent = QStringLiteral("velmo");
    }
    const QByteArray agentBytes = agent.toUtf8();
    CURLcode rc = curl_easy_setopt(h, CURLOPT_USERAGENT, agentBytes.constData());
    if (rc == CURLE_OK) {
        rc = curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    }
    if (rc == CURLE_OK) {
        rc = curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    }
    if (rc == CURLE_OK) {
        rc = curl_easy_setopt(h, CURLOPT_BUFFERSIZE, static_cast<long>(kTransferChunk));
    }
    if (rc == CURLE_OK) {
        rc = curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    }
    if (rc == CURLE_OK) {
        rc = curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
    }
    // A redirect may lead to the web only, never to a local file or another protocol.
    if (rc == CURLE_OK) {
#if LIBCURL_VERSION_NUM >= 0x075500
        rc = curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
#else
        rc =
            curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS, static_cast<long>(CURLPROTO_HTTP | CURLPROTO_HTTPS));
#endif
    }
    if (rc == CURLE_OK) {
        rc = curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    }
    if (rc == CURLE_OK) {
        rc = curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    }
    if (rc == CURLE_OK) {
        rc = curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds);
    }
    if (rc == CURLE_OK) {
        rc = curl_easy_setopt(h, CURLOPT_PATH_AS_IS, 1L);
    }
    if (rc == CURLE_OK) {
        rc = curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &CHttpCallbacks::Header);
    }
    if (rc == CURLE_OK) {
        rc = curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
    }
    if (rc == CURLE_OK) {
        rc = curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CHttpCallbacks::Write);
    }
    if (rc == CURLE_OK) {
        rc = curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
    }
    if (rc != CURLE_OK) {
        // These options cannot fail on a working libcurl; treat it as no session.
        lastCode_ = rc;
        errorText_ = Format("Failed in call to InternetOpen, Error :%d", lastCode_);
        CloseHandles();
        return 0;
    }

    // The connection-step notifications stand in for a status callback.
    rc = curl_easy_setopt(h, CURLOPT_OPENSOCKETFUNCTION, &CHttpCallbacks::OpenSocket);
    if (rc == CURLE_OK) {
        rc = curl_easy_setopt(h, CURLOPT_OPENSOCKETDATA, this);
    }
    if (rc == CURLE_OK) {
        rc = curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, &CHttpCallbacks::Prereq);
    }
    if (rc == CURLE_OK) {
        rc = curl_easy_setopt(h, CURLOPT_PREREQDATA, this);
    }
    if (rc != CURLE_OK) {
        lastCode_ = rc;
        WriteLog(QStringLiteral("Failed in call to InternetSetStatusCallback in OpenInternetSession"));
        errorText_ = Format("Failed in call to InternetSetStatusCallback, Error :%d", lastCode_);
        CloseHandles();
        return 0;
    }

    // "Connecting" binds the handle to the server: libcurl's parser must accept the address.
    const QByteArray address = QByteArray("https://") + serverName_.toUtf8() + ':' +
                               QByteArray::number(port_) + EncodeForWire(objectPath_.toUtf8());
    rc = CURLE_URL_MALFORMAT;
    if (!serverName_.isEmpty()) {
        const std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), &curl_url_cleanup);
        if (parsed &&
            curl_url_set(parsed.get(), CURLUPART_URL, address.constData(), CURLU_PATH_AS_IS) == CURLUE_OK) {
            rc = curl_easy_setopt(h, CURLOPT_URL, address.constData());
        }
    }
    if (rc != CURLE_OK) {
        lastCode_ = rc;
        WriteLog(QStringLiteral("Failed in call to InternetConnect in OpenInternetSession"));
        errorText_ = Format("Failed in call to InternetConnect, Error:%d\n", lastCode_);
        CloseHandles();
        return 0;
    }
    return 1;
}

int CHttp::OpenConnection(Verb verb) {
    if (curl_ == nullptr || buffer_.empty()) {
        lastCode_ = CURLE_FAILED_INIT;
        WriteLog(QStringLiteral("Error in HttpOpenRequest in OpenConnection,") + Num(lastCode_));
        errorText_ = Format("Failed in call to HttpOpenRequest in OpenConnection, Error:%d\n", lastCode_);
        return 0;
    }
    postRequest_ = verb == Verb::Post;
    requestOpen_ = true;
    return 1;
}

int CHttp::CloseSession() {
    CloseHandles();
    return 1;
}

void CHttp::CloseHandles() {
    requestOpen_ = false;
    if (curl_ != nullptr) {
        curl_easy_cleanup(Handle(curl_));
        curl_ = nullptr;
    }
    FreeList(headerList_);
    FreeList(uploadHeaders_);
}

int CHttp::NotifyClient(int code, std::int64_t value, std::int64_t data, const QString& text) {
    notificationValue_ = value;
    if (code == MSG_ERROR || code == MSG_WARNING) {
        WriteLog(QStringLiteral("inside Notify client MSG_ERROR") + errorText_);
    }
    if (code == MSG_ERROR || code == MSG_DONE) {
        CloseHandles();
    }
    Post(code, value, data, text);
    return 1;
}

void CHttp::Post(int code, std::int64_t value, std::int64_t data, const QString& text) {
    QObject* receiver = receiver_.data();
    if (receiver == nullptr) {
        return;
    }
    auto event = std::make_unique<HttpNotification>(code, value, data, clientObject_, progress_, text);
    QCoreApplication::postEvent(receiver, event.release());
}

void CHttp::PostStatus(int status, const char* text) {
    Post(MSG_STATUS, status, 0, QString::fromLatin1(text));
}

void CHttp::ResetAttempt() {
    blockStatus_ = 0;
    finalStatus_ = 0;
    headersDone_ = false;
    blockContentLength_ = -1;
    blockRealm_.clear();
    blockHasLocation_ = false;
    realm_.clear();
    rawHeaders_.clear();
    bodyStarted_ = false;
    stoppedEarly_ = false;
    fileOpenFailed_ = false;
    fileWriteFailed_ = false;
    fileErrno_ = 0;
    heldBody_.clear();
    heldContentLength_ = -1;
    uploadReadErrno_ = 0;
}

bool CHttp::ApplyRequestOptions() {
    CURL* h = Handle(curl_);
    CURLcode rc = ServerTrust::Apply(h) ? CURLE_OK : CURLE_SSL_CACERT_BADFILE;

    FreeList(headerList_);
    if (rc == CURLE_OK && !postRequest_) {
        rc = curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
        if (rc == CURLE_OK) {
            rc = curl_easy_setopt(h, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
        }
    } else if (rc == CURLE_OK) {
        // The bodiless probe carries no content type and neither request waits for
        // "100 Continue"; the upload's own header list is built by SendUpload.
        curl_slist* list = nullptr;
        if (uploadBody_) {
            list = static_cast<curl_slist*>(uploadHeaders_);
        } else {
            curl_slist* first = curl_slist_append(nullptr, "Content-Type:");
            list = first != nullptr ? curl_slist_append(first, "Expect:") : nullptr;
            if (list == nullptr) {
                curl_slist_free_all(first);
            }
            headerList_ = list;
        }
        rc = list != nullptr ? curl_easy_setopt(h, CURLOPT_POST, 1L) : CURLE_OUT_OF_MEMORY;
        if (rc == CURLE_OK) {
            rc = curl_easy_setopt(h, CURLOPT_HTTPHEADER, list);
        }
        if (rc == CURLE_OK && uploadBody_) {
            rc = curl_easy_setopt(h, CURLOPT_POSTFIELDS, static_cast<const char*>(nullptr));
            if (rc == CURLE_OK) {
                rc = curl_easy_setopt(h, CURLOPT_READFUNCTION, &CHttpCallbacks::Read);
            }
            if (rc == CURLE_OK) {
                rc = curl_easy_setopt(h, CURLOPT_READDATA, this);
            }
            if (rc == CURLE_OK) {
                rc = curl_easy_setopt(h, CURLOPT_SEEKFUNCTION, &CHttpCallbacks::Seek);
            }
            if (rc == CURLE_OK) {
                rc = curl_easy_setopt(h, CURLOPT_SEEKDATA, this);
            }
            if (rc == CURLE_OK) {
                rc = curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(uploadTotal_));
            }
        } else if (rc == CURLE_OK) {
            rc = curl_easy_setopt(h, CURLOPT_POSTFIELDS, "");
            if (rc == CURLE_OK) {
                rc = curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(0));
            }
        }
    }

    if (rc == CURLE_OK && !loginUser_.isEmpty()) {
        rc = curl_easy_setopt(h, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
        if (rc == CURLE_OK) {
            rc = curl_easy_setopt(h, CURLOPT_USERNAME, loginUser_.constData());
        }
        if (rc == CURLE_OK) {
            rc = curl_easy_setopt(h, CURLOPT_PASSWORD, loginPassword_.constData());
        }
    }
    if (rc == CURLE_OK && !proxyLoginUser_.isEmpty()) {
        rc = curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, proxyLoginUser_.constData());
        if (rc == CURLE_OK) {
            rc = curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, proxyLoginPassword_.constData());
        }
    }
    if (rc != CURLE_OK) {
        lastCode_ = rc;
        return false;
    }
    return true;
}

int CHttp::Perform() {
    ResetAttempt();
    if (curl_ == nullptr || !requestOpen_) {
        performResult_ = CURLE_FAILED_INIT;
        return performResult_;
    }
    if (!ApplyRequestOptions()) {
        performResult_ = lastCode_;
        return performResult_;
    }
    int rc = curl_easy_perform(Handle(curl_));
    // Answers that are not read (or held beyond their bound) are cut off on purpose.
    if (rc == CURLE_WRITE_ERROR && stoppedEarly_) {
        rc = CURLE_OK;
    }
    performResult_ = rc;
    return rc;
}

int CHttp::HandleAuthentication() {
    // Credential fields go through 256-character buffers.
    const QByteArray serverUser = serverUser_.left(kMaxCredential).toUtf8();
    const QByteArray serverPassword = serverPassword_.left(kMaxCredential).toUtf8();
    const QByteArray proxyUser = proxyUser_.left(kMaxCredential).toUtf8();
    const QByteArray proxyPassword = proxyPassword_.left(kMaxCredential).toUtf8();

    for (int resends = 0;; ++resends) {
        const int rc = Perform();
        lastCode_ = rc;
        if (!headersDone_) {
            WriteLog(QStringLiteral("Error in HttpSendRequest   in HandleAuthentication,") + Num(rc));
            // A server whose certificate cannot be verified is not asked again with the checks off:
            // whoever stands between the desk and the server would read the reports.
            if (ServerTrust::IsCertificateError(rc)) {
                CertificateNotice::Refused();
            }
            WriteLog(QStringLiteral("Failed in call to HttpSendRequest  in HandleAuthentication,") + Num(rc));
            errorText_ = Format("Failed in call to HttpSendRequest, Error:%d\n", rc);
            return 0;
        }

        const long status = finalStatus_;
        if ((status == 401 || status == 407) && resends < kMaxResends) {
            const bool proxy = status == 407;
            WriteLog((proxy ? QStringLiteral("Inside  HTTP_STATUS_PROXY_AUTH_REQ in HandleAuthentication,")
                            : QStringLiteral("Inside  HTTP_STATUS_DENIED in HandleAuthentication,")) +
                     Num(rc));
            const QByteArray& fieldUser = proxy ? proxyUser : serverUser;
            if (!fieldUser.isEmpty()) {
                (proxy ? proxyLoginUser_ : loginUser_) = fieldUser;
                (proxy ? proxyLoginPassword_ : loginPassword_) = proxy ? proxyPassword : serverPassword;
            } else {
                Prompts::Credentials typed;
                if (Prompts::Get().AskCredentials(url_, realm_, proxy, typed) !=
                    Prompts::CredentialAnswer::Retry) {
                    // The caller reads the refusal as the answer.
                    return 1;
                }
                (proxy ? proxyLoginUser_ : loginUser_) = typed.user.left(kMaxCredential).toUtf8();
                (proxy ? proxyLoginPassword_ : loginPassword_) = typed.password.left(kMaxCredential).toUtf8();
            }
            WriteLog(
                proxy ? QStringLiteral("resending in HandleAuthentication after HTTP_STATUS_PROXY_AUTH_REQ")
                      : QStringLiteral("resending in HandleAuthentication after HTTP_STATUS_DENIED"));
            continue;
        }
        if (status == 200) {
            return 1;
        }
        // Any other status, or a login still refused after the last resend.
        WriteLog(QStringLiteral("Inside status code != HTTP_STATUS_OK in HandleAuthentication,") + Num(rc));
        errorText_ = QString::asprintf("HTTP status code != HTTP_STATUS_OK, Error:%d status code =%d\n", rc,
                                       static_cast<int>(status));
        return 0;
    }
}

std::size_t CHttp::OnHeader(const char* data, std::size_t size) {
    const QByteArray line(data, static_cast<qsizetype>(size));
    if (line.startsWith("HTTP/")) {
        // A new answer begins (after an interim answer or a redirect).
        const QList<QByteArray> words = line.simplified().split(' ');
        blockStatus_ = words.size() > 1 ? words.at(1).left(3).toLong() : 0;
        blockContentLength_ = -1;
        blockRealm_.clear();
        blockHasLocation_ = false;
        rawHeaders_ = line;
        return size;
    }
    if (rawHeaders_.size() + line.size() <= kMaxRawHeaders) {
        rawHeaders_ += line;
    }
    if (line == "\r\n" || line == "\n") {
        const long status = blockStatus_;
        if (status >= 100 && status < 200) {
            return size;
        }
        if (status >= 300 && status < 400 && blockHasLocation_) {
            PostStatus(110, "Getting Redirected");
            return size;
        }
        headersDone_ = true;
        finalStatus_ = status;
        realm_ = blockRealm_;
        heldContentLength_ = blockContentLength_;
        if (bodyMode_ == BodyMode::Download && status == 200) {
            if (!BeginBody(blockContentLength_)) {
                return 0;
            }
            bodyStarted_ = true;
        }
        return size;
    }
    if (StartsWithNoCase(line, "content-length:")) {
        const QByteArray value = line.mid(15).trimmed();
        qsizetype digits = 0;
        while (digits < value.size() && digits < kMaxLengthDigits && value.at(digits) >= '0' &&
               value.at(digits) <= '9') {
            ++digits;
        }
        if (digits > 0) {
            blockContentLength_ = value.left(digits).toLongLong();
        }
    } else if (StartsWithNoCase(line, "www-authenticate:")) {
        blockRealm_ = RealmOf(line.mid(17));
    } else if (StartsWithNoCase(line, "proxy-authenticate:")) {
        blockRealm_ = RealmOf(line.mid(19));
    } else if (StartsWithNoCase(line, "location:")) {
        blockHasLocation_ = true;
    }
    return size;
}

std::size_t CHttp::OnBody(const char* data, std::size_t size) {
    if (bodyMode_ == BodyMode::Download && bodyStarted_) {
        for (std::size_t offset = 0; offset < size; offset += kTransferChunk) {
            if (!TakeChunk(data + offset, std::min(kTransferChunk, size - offset))) {
                return 0;
            }
        }
        return size;
    }
    if (bodyMode_ == BodyMode::Answer) {
        for (std::size_t offset = 0; offset < size; offset += kTransferChunk) {
            const std::size_t n = std::min(kTransferChunk, size - offset);
            std::memcpy(buffer_.data(), data + offset, n);
            AppendResponseText(buffer_.data(), n);
        }
        return size;
    }
    if (bodyMode_ == BodyMode::Download && (finalStatus_ == 401 || finalStatus_ == 407)) {
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

bool CHttp::BeginBody(std::int64_t contentLength) {
    progress_ = ProgressBlock{};
    if (contentLength >= 0) {
        size_ = static_cast<std::uint64_t>(contentLength);
        NotifyClient(MSG_PROGRESS, PROGRESS_TOTAL_SIZE, contentLength);
    } else {
        // libcurl has no error for a missing header; the code logged is its "no error".
        WriteLog(QStringLiteral("Error in HttpQueryInfo in _DownloadFile,") + Num(CURLE_OK));
        errorText_ = QStringLiteral("Error unable to retrieve FileSize for :") + localFile_;
        NotifyClient(MSG_WARNING, WARNING_SIZE_UNKNOWN, 0);
        size_ = 0;
    }
    started_.start();
    lastEstimateMs_ = 0;
    if (!localFile_.isEmpty()) {
        // A path holding a NUL would end early at the system call and name another file; a link
        // in the desk's folder is not followed.
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
    } else {
        keepResponse_ = true;
    }
    return true;
}

bool CHttp::TakeChunk(const char* data, std::size_t size) {
    std::memcpy(buffer_.data(), data, size);
    progress_.bytesDone += size;
    UpdateProgress(size_);
    NotifyClient(MSG_PROGRESS, PROGRESS_UPDATED, 0);
    if (keepResponse_) {
        AppendResponseText(buffer_.data(), size);
    }
    if (fd_ >= 0) {
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
    }
    return true;
}

void CHttp::UpdateProgress(std::uint64_t total) {
    progress_.bytesRemaining = total > progress_.bytesDone ? total - progress_.bytesDone : 0;
    const qint64 now = started_.isValid() ? started_.elapsed() : 0;
    if (now - lastEstimateMs_ > kEstimatePeriodMs) {
        lastEstimateMs_ = now;
        if (progress_.bytesDone != 0 && total != 0) {
            progress_.secondsRemaining = static_cast<std::uint64_t>(
                static_cast<double>(now) / static_cast<double>(progress_.bytesDone) *
                static_cast<double>(progress_.bytesRemaining) * 0.001);
        }
    }
}

void CHttp::AppendResponseText(const char* data, std::size_t size) {
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

int CHttp::DownloadFile() {
    if (!OpenConnection(Verb::Get)) {
        return 0;
    }
    return ReceiveDownload();
}

int CHttp::ReceiveDownload() {
    response_.clear();
    responseTextStopped_ = false;
    bodyMode_ = BodyMode::Download;
    uploadBody_ = false;
    if (!HandleAuthentication()) {
        NotifyClient(MSG_ERROR, lastCode_, 0);
        return 0;
    }
    const int rc = performResult_;
    if (!bodyStarted_ && !fileOpenFailed_ && BeginBody(heldContentLength_)) {
        // A refusal whose login was cancelled: what the server said is the answer.
        const auto chunk = static_cast<qsizetype>(kTransferChunk);
        for (qsizetype offset = 0; offset < heldBody_.size(); offset += chunk) {
            const qsizetype n = std::min(chunk, heldBody_.size() - offset);
            if (!TakeChunk(heldBody_.constData() + offset, static_cast<std::size_t>(n))) {
                break;
            }
        }
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (fileOpenFailed_) {
        lastCode_ = fileErrno_;
        WriteLog(QStringLiteral("Failed to open the file to download into in _DownloadFile,") +
                 Num(fileErrno_));
        errorText_ = Format("Failed to open the file to download into, Error:%d\n", fileErrno_);
        NotifyClient(MSG_ERROR, fileErrno_, 0);
        return 0;
    }
    if (fileWriteFailed_) {
        lastCode_ = fileErrno_;
        WriteLog(QStringLiteral("An exception occured while writing to the download file in _DownloadFile,") +
                 Num(fileErrno_));
        errorText_ = QStringLiteral("An exception occured while writing to the download file\n");
        return 0;
    }
    if (rc != CURLE_OK) {
        lastCode_ = rc;
        WriteLog(QStringLiteral("Failed in call to InternetReadFile in _DownloadFile,") + Num(rc));
        errorText_ = Format("Failed in call to InternetReadFile, Error:%d\n", rc);
        NotifyClient(MSG_ERROR, rc, 0);
        return 0;
    }
    NotifyClient(MSG_DONE, 0, 0);
    return 1;
}
