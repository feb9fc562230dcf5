#include "host/core/HostPageFetch.h"

#include "host/core/HostPage.h"
#include "host/core/ServerTrust.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <curl/curl.h>

#include <array>
#include <memory>

namespace HostPageFetch {
namespace {

struct Sink {
    QByteArray body;
    bool tooLarge = false;
};

size_t Collect(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const size_t bytes = size * count;
    if (static_cast<qsizetype>(bytes) > HostPage::kMaxPageSize - sink->body.size()) {
        sink->tooLarge = true;
        return 0; // aborts the transfer
    }
    sink->body.append(data, static_cast<qsizetype>(bytes));
    return bytes;
}

Page FetchFile(const QString& path) {
    Page page;
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        page.error = QStringLiteral("cannot read the host page %1").arg(path);
        return page;
    }
    if (file.size() > HostPage::kMaxPageSize) {
        page.error =
            QStringLiteral("the host page %1 is larger than %2 bytes").arg(path).arg(HostPage::kMaxPageSize);
        return page;
    }
    page.body = file.read(HostPage::kMaxPageSize);
    page.ok = true;
    return page;
}

// The page carries the session (user, providers, the server to trust): it is asked for over TLS
// even when the link says http://, on HTTPS's port when the address names plain HTTP's.
QString OverTls(const QString& url) {
    QUrl address(url);
    if (address.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) != 0) {
        return url;
    }
    address.setScheme(QStringLiteral("https"));
    if (address.port() == 80) {
        address.setPort(-1);
    }
    return address.toString(QUrl::FullyEncoded);
}

Page FetchWeb(const QString& link) {
    Page page;
    const QString url = OverTls(link);
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(initialised ? curl_easy_init() : nullptr,
                                                             &curl_easy_cleanup);
    if (!curl) {
        page.error = QStringLiteral("cannot start a web request");
        return page;
    }
    Sink sink;
    std::array<char, CURL_ERROR_SIZE> errorText{};
    const QByteArray address = url.toUtf8();
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, address.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, 20L);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, 120L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    // The page names the server the desk will trust with the session: it is taken only from a
    // server whose certificate holds.
    ServerTrust::Apply(h);
    curl_easy_setopt(h, CURLOPT_USERAGENT, "Velmo desk");
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText.data());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);

    const CURLcode rc = curl_easy_perform(h);
    if (sink.tooLarge) {
        page.error =
            QStringLiteral("the host page %1 is larger than %2 bytes").arg(url).arg(HostPage::kMaxPageSize);
        return page;
    }
    if (rc != CURLE_OK) {
        QString why = errorText.front() != '\0' ? QString::fromLocal8Bit(errorText.data())
                                                : QString::fromLatin1(curl_easy_strerror(rc));
        if (ServerTrust::IsCertificateError(rc)) {
            why = QStringLiteral("the server's certificate could not be verified (") + why + QLatin1Char(')');
        }
        page.error = QStringLiteral("cannot fetch the host page %1: %2").arg(url, why);
        return page;
    }
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status >= 300) {
        page.error = QStringLiteral("cannot fetch the host page %1: HTTP status %2").arg(url).arg(status);
        return page;
    }
    page.body = std::move(sink.body);
    page.ok = true;
    return page;
}

} // namespace

bool IsWebAddress(const QString& location) {
    return location.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           location.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

Page Fetch(const QString& location) {
    if (IsWebAddress(location)) {
        return FetchWeb(location);
    }
    if (location.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        return FetchFile(QUrl(location).toLocalFile());
    }
    return FetchFile(location);
}

} // namespace HostPageFetch
