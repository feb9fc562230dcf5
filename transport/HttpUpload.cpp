// The multipart form post of CHttp: a bodiless probe settles the login and checks the server's
// certificate, then the upload stream sends the body from disk with its exact length announced.
#include "transport/CHttp.h"

#include "host/core/ActivityLog.h"
#include "host/core/CertificateNotice.h"
#include "host/core/ServerTrust.h"

#include <curl/curl.h>

#include <algorithm>
#include <cerrno>

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
    if (!ProbeUpload()) {
        return 0;
    }
    // The file is closed on every way out.
    struct FileCloser {
        UploadStream& stream;
        ~FileCloser() { stream.Close(); }
    } closer{stream_};
    if (!PrepareUploadBody()) {
        return 0;
    }
    sink_.Start(DownloadSink::Mode::Answer, localFile_);
    const int rc = Perform();
    lastCode_ = rc;
    if (rc == CURLE_OK) {
        NotifyClient(MSG_DONE, 0, 0);
        return 1;
    }
    return ReportUploadFailure(rc);
}

int CHttp::ProbeUpload() {
    // The opened POST once without a body; it has to be answered 200.
    sink_.Start(DownloadSink::Mode::Discard, localFile_);
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
    return 1;
}

int CHttp::PrepareUploadBody() {
    progress_.StartClock();
    progress_.Reset();
    stream_.NewBoundary();
    NotifyClient(MSG_PROGRESS, PROGRESS_UPLOAD_STARTING, 0);
    // The announcing header, and no "Expect: 100-continue" round trip.
    const QByteArray contentType = stream_.ContentTypeHeader();
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

    if (!stream_.Open(localFile_, formFields_) || !stream_.Rewind()) {
        lastCode_ = errno;
        errorText_ = QStringLiteral("Error reading the file:") + localFile_ + QStringLiteral("error: ") +
                     Num(lastCode_);
        NotifyClient(MSG_ERROR, lastCode_, lastCode_);
        return 0;
    }
    uploadBody_ = true;
    return 1;
}

int CHttp::ReportUploadFailure(int rc) {
    curl_off_t sent = 0;
    if (curl_ != nullptr) {
        curl_easy_getinfo(static_cast<CURL*>(curl_), CURLINFO_SIZE_UPLOAD_T, &sent);
    }
    const auto sentBytes = static_cast<std::uint64_t>(std::max<curl_off_t>(sent, 0));
    const bool started = stream_.AnyPieceSent() || sentBytes > 0;
    if (!headersDone_ && started && (sentBytes < stream_.Total() || rc == CURLE_ABORTED_BY_CALLBACK)) {
        // A write failed: which piece was on its way decides the line (a file that could no longer
        // be read counts as its bytes).
        const UploadStream::Piece piece =
            rc == CURLE_ABORTED_BY_CALLBACK ? UploadStream::Piece::FileBytes : stream_.PieceAt(sentBytes);
        QString line;
        std::int64_t data = rc;
        switch (piece) {
        case UploadStream::Piece::FileHeader:
            line = QStringLiteral("Error in InternetWriteFile in _UploadFile,");
            data = 0;
            break;
        case UploadStream::Piece::FileBytes:
            line = QStringLiteral("Error in InternetWriteFile Transfer Error in _UploadFile,");
            break;
        case UploadStream::Piece::Fields:
            line = QStringLiteral("Error in InternetWriteFile Transfer Error Writing Tail in _UploadFile,");
            break;
        case UploadStream::Piece::Tail:
            line = QStringLiteral("Error in InternetWriteFile Transfer Error Writing Pack in _UploadFile,");
            break;
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
