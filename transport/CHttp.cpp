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
constexpr int kMaxLengthDigits = 18;

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

// Sets options in order and stops at the first that fails, keeping its code.
class OptionChain {
public:
    explicit OptionChain(void* handle) : handle_(Handle(handle)) {}
    template <typename Value> OptionChain& Set(CURLoption option, Value value) {
        if (rc_ == CURLE_OK) {
            rc_ = curl_easy_setopt(handle_, option, value);
        }
        return *this;
    }
    OptionChain& Fail(CURLcode rc) {
        if (rc_ == CURLE_OK) {
            rc_ = rc;
        }
        return *this;
    }
    CURLcode Result() const { return rc_; }

private:
    CURL* handle_;
    CURLcode rc_ = CURLE_OK;
};

void FreeList(void*& list) {
    if (list != nullptr) {
        curl_slist_free_all(static_cast<curl_slist*>(list));
        list = nullptr;
    }
}

} // namespace

// The C callbacks libcurl calls during a transfer; each hands over to the session, its sink or
// its upload stream.
struct CHttpCallbacks {
    static std::size_t Header(char* data, std::size_t size, std::size_t count, void* self) {
        return static_cast<CHttp*>(self)->OnHeader(data, size * count);
    }
    static std::size_t Write(char* data, std::size_t size, std::size_t count, void* sink) {
        return static_cast<DownloadSink*>(sink)->Take(data, size * count);
    }
    static std::size_t Read(char* dest, std::size_t size, std::size_t count, void* stream) {
        const std::optional<std::size_t> n = static_cast<UploadStream*>(stream)->Read(dest, size * count);
        return n ? *n : CURL_READFUNC_ABORT;
    }
    static int Seek(void* stream, curl_off_t offset, int origin) {
        if (offset != 0 || origin != SEEK_SET) {
            return CURL_SEEKFUNC_CANTSEEK;
        }
        return static_cast<UploadStream*>(stream)->Rewind() ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_FAIL;
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
    sink_.SetKeepResponse(keep);
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

QString CHttp::GetResponse() const {
    return QString::fromUtf8(sink_.Response());
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
    if (const int rc = SetSessionOptions(); rc != CURLE_OK) {
        // These options cannot fail on a working libcurl; treat it as no session.
        lastCode_ = rc;
        errorText_ = Format("Failed in call to InternetOpen, Error :%d", lastCode_);
        CloseHandles();
        return 0;
    }
    if (const int rc = SetStatusCallbacks(); rc != CURLE_OK) {
        lastCode_ = rc;
        WriteLog(QStringLiteral("Failed in call to InternetSetStatusCallback in OpenInternetSession"));
        errorText_ = Format("Failed in call to InternetSetStatusCallback, Error :%d", lastCode_);
        CloseHandles();
        return 0;
    }
    if (const int rc = BindServerAddress(); rc != CURLE_OK) {
        lastCode_ = rc;
        WriteLog(QStringLiteral("Failed in call to InternetConnect in OpenInternetSession"));
        errorText_ = Format("Failed in call to InternetConnect, Error:%d\n", lastCode_);
        CloseHandles();
        return 0;
    }
    return 1;
}

int CHttp::SetSessionOptions() {
    QString agent = QCoreApplication::applicationName();
    if (agent.isEmpty()) {
        agent = QStringLiteral("velmo");
    }
    const QByteArray agentBytes = agent.toUtf8();
    OptionChain chain(curl_);
    chain.Set(CURLOPT_USERAGENT, agentBytes.constData())
        .Set(CURLOPT_NOSIGNAL, 1L)
        .Set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1))
        .Set(CURLOPT_BUFFERSIZE, static_cast<long>(kTransferChunk))
        .Set(CURLOPT_FOLLOWLOCATION, 1L)
        .Set(CURLOPT_MAXREDIRS, kMaxRedirects);
    // A redirect may lead to https only: never to a local file or another protocol, and never
    // back to plain HTTP, where a resent body (a report, a password) would travel in the clear.
#if LIBCURL_VERSION_NUM >= 0x075500
    chain.Set(CURLOPT_REDIR_PROTOCOLS_STR, "https");
#else
    chain.Set(CURLOPT_REDIR_PROTOCOLS, static_cast<long>(CURLPROTO_HTTPS));
#endif
    return chain.Set(CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds)
        .Set(CURLOPT_LOW_SPEED_LIMIT, 1L)
        .Set(CURLOPT_LOW_SPEED_TIME, kLowSpeedSeconds)
        .Set(CURLOPT_PATH_AS_IS, 1L)
        .Set(CURLOPT_HEADERFUNCTION, &CHttpCallbacks::Header)
        .Set(CURLOPT_HEADERDATA, this)
        .Set(CURLOPT_WRITEFUNCTION, &CHttpCallbacks::Write)
        .Set(CURLOPT_WRITEDATA, &sink_)
        .Result();
}

int CHttp::SetStatusCallbacks() {
    // The connection-step notifications stand in for a status callback.
    return OptionChain(curl_)
        .Set(CURLOPT_OPENSOCKETFUNCTION, &CHttpCallbacks::OpenSocket)
        .Set(CURLOPT_OPENSOCKETDATA, this)
        .Set(CURLOPT_PREREQFUNCTION, &CHttpCallbacks::Prereq)
        .Set(CURLOPT_PREREQDATA, this)
        .Result();
}

int CHttp::BindServerAddress() {
    // "Connecting" binds the handle to the server: libcurl's parser must accept the address.
    const QByteArray address = QByteArray("https://") + serverName_.toUtf8() + ':' +
                               QByteArray::number(port_) + EncodeForWire(objectPath_.toUtf8());
    if (serverName_.isEmpty()) {
        return CURLE_URL_MALFORMAT;
    }
    const std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), &curl_url_cleanup);
    if (!parsed ||
        curl_url_set(parsed.get(), CURLUPART_URL, address.constData(), CURLU_PATH_AS_IS) != CURLUE_OK) {
        return CURLE_URL_MALFORMAT;
    }
    return curl_easy_setopt(Handle(curl_), CURLOPT_URL, address.constData());
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
    auto event =
        std::make_unique<HttpNotification>(code, value, data, clientObject_, progress_.Block(), text);
    QCoreApplication::postEvent(receiver, event.release());
}

void CHttp::PostStatus(int status, const char* text) {
    Post(MSG_STATUS, status, 0, QString::fromLatin1(text));
}

void CHttp::Progressed(int value, std::int64_t data) {
    NotifyClient(MSG_PROGRESS, value, data);
}

void CHttp::Warned(int value, const QString& errorText) {
    errorText_ = errorText;
    NotifyClient(MSG_WARNING, value, 0);
}

void CHttp::ResetAttempt() {
    blockStatus_ = 0;
    finalStatus_ = 0;
    headersDone_ = false;
    blockContentLength_ = -1;
    blockRealm_.clear();
    blockHasLocation_ = false;
    realm_.clear();
    sink_.ResetAttempt();
}

bool CHttp::ApplyRequestOptions() {
    int rc = ServerTrust::Apply(Handle(curl_)) ? CURLE_OK : CURLE_SSL_CACERT_BADFILE;
    FreeList(headerList_);
    if (rc == CURLE_OK) {
        rc = postRequest_ ? ApplyPostBody()
                          : OptionChain(curl_)
                                .Set(CURLOPT_HTTPGET, 1L)
                                .Set(CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr))
                                .Result();
    }
    if (rc == CURLE_OK) {
        rc = ApplyLogin();
    }
    if (rc != CURLE_OK) {
        lastCode_ = rc;
        return false;
    }
    return true;
}

int CHttp::ApplyPostBody() {
    // The bodiless probe carries no content type and neither request waits for "100 Continue";
    // the upload's own header list is built by PrepareUploadBody.
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
    OptionChain chain(curl_);
    if (list == nullptr) {
        chain.Fail(CURLE_OUT_OF_MEMORY);
    }
    chain.Set(CURLOPT_POST, 1L).Set(CURLOPT_HTTPHEADER, list);
    if (!uploadBody_) {
        return chain.Set(CURLOPT_POSTFIELDS, "")
            .Set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(0))
            .Result();
    }
    return chain.Set(CURLOPT_POSTFIELDS, static_cast<const char*>(nullptr))
        .Set(CURLOPT_READFUNCTION, &CHttpCallbacks::Read)
        .Set(CURLOPT_READDATA, &stream_)
        .Set(CURLOPT_SEEKFUNCTION, &CHttpCallbacks::Seek)
        .Set(CURLOPT_SEEKDATA, &stream_)
        .Set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(stream_.Total()))
        .Result();
}

int CHttp::ApplyLogin() {
    OptionChain chain(curl_);
    if (!loginUser_.isEmpty()) {
        chain.Set(CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC))
            .Set(CURLOPT_USERNAME, loginUser_.constData())
            .Set(CURLOPT_PASSWORD, loginPassword_.constData());
    }
    if (!proxyLoginUser_.isEmpty()) {
        chain.Set(CURLOPT_PROXYUSERNAME, proxyLoginUser_.constData())
            .Set(CURLOPT_PROXYPASSWORD, proxyLoginPassword_.constData());
    }
    return chain.Result();
}

int CHttp::Perform() {
    ResetAttempt();
    if (curl_ == nullptr || !requestOpen_) {
        return CURLE_FAILED_INIT;
    }
    if (!ApplyRequestOptions()) {
        return lastCode_;
    }
    int rc = curl_easy_perform(Handle(curl_));
    // Answers that are not read (or held beyond their bound) are cut off on purpose.
    if (rc == CURLE_WRITE_ERROR && sink_.StoppedEarly()) {
        rc = CURLE_OK;
    }
    return rc;
}

int CHttp::HandleAuthentication() {
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
            if (!SettleLogin(proxy)) {
                // The caller reads the refusal as the answer.
                return 1;
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

bool CHttp::SettleLogin(bool proxy) {
    // Credential fields go through 256-character buffers.
    const QByteArray fieldUser = (proxy ? proxyUser_ : serverUser_).left(kMaxCredential).toUtf8();
    QByteArray& user = proxy ? proxyLoginUser_ : loginUser_;
    QByteArray& password = proxy ? proxyLoginPassword_ : loginPassword_;
    if (!fieldUser.isEmpty()) {
        user = fieldUser;
        password = (proxy ? proxyPassword_ : serverPassword_).left(kMaxCredential).toUtf8();
        return true;
    }
    Prompts::Credentials typed;
    if (Prompts::Get().AskCredentials(url_, realm_, proxy, typed) != Prompts::CredentialAnswer::Retry) {
        return false;
    }
    user = typed.user.left(kMaxCredential).toUtf8();
    password = typed.password.left(kMaxCredential).toUtf8();
    return true;
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
        return size;
    }
    if (line != "\r\n" && line != "\n") {
        ReadHeaderField(line);
        return size;
    }
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
    return sink_.HeadersDone(status, blockContentLength_) ? size : 0;
}

void CHttp::ReadHeaderField(const QByteArray& line) {
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
}

int CHttp::DownloadFile() {
    if (!OpenConnection(Verb::Get)) {
        return 0;
    }
    return ReceiveDownload();
}

int CHttp::ReceiveDownload() {
    sink_.Start(DownloadSink::Mode::Download, localFile_);
    uploadBody_ = false;
    if (!HandleAuthentication()) {
        NotifyClient(MSG_ERROR, lastCode_, 0);
        return 0;
    }
    const int rc = lastCode_;
    sink_.Finish();
    if (sink_.FileOpenFailed()) {
        lastCode_ = sink_.FileErrno();
        WriteLog(QStringLiteral("Failed to open the file to download into in _DownloadFile,") +
                 Num(lastCode_));
        errorText_ = Format("Failed to open the file to download into, Error:%d\n", lastCode_);
        NotifyClient(MSG_ERROR, lastCode_, 0);
        return 0;
    }
    if (sink_.FileWriteFailed()) {
        lastCode_ = sink_.FileErrno();
        WriteLog(QStringLiteral("An exception occured while writing to the download file in _DownloadFile,") +
                 Num(lastCode_));
        errorText_ = QStringLiteral("An exception occured while writing to the download file\n");
        return 0;
    }
    if (rc != CURLE_OK) {
        WriteLog(QStringLiteral("Failed in call to InternetReadFile in _DownloadFile,") + Num(rc));
        errorText_ = Format("Failed in call to InternetReadFile, Error:%d\n", rc);
        NotifyClient(MSG_ERROR, rc, 0);
        return 0;
    }
    NotifyClient(MSG_DONE, 0, 0);
    return 1;
}
