#pragma once

#include <QByteArray>
#include <QString>

// Gets the host page the desk was started with: a local file (a path or a file: URL) or a page
// fetched with an HTTP(S) GET. At most HostPage::kMaxPageSize bytes are accepted; a larger page
// is refused rather than cut.
//
// HTTPS: the certificate is not verified. Report servers on practice networks (and the stand-in
// server, which makes its own certificate on first start) commonly use self-signed
// certificates, and the desk accepts them as it does for its server requests.
namespace HostPageFetch {

struct Page {
    bool ok = false;
    QByteArray body;
    QString error; // one line, for the user, when !ok
};

// True when location is fetched over the network (http:// or https://).
bool IsWebAddress(const QString& location);

Page Fetch(const QString& location);

} // namespace HostPageFetch
