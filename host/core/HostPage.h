#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

// Reads a host page: finds the desk's <object> element and its <param name value> children,
// which are the control's persisted properties. The page comes from a web server, so the
// parser trusts nothing: it is a single bounded pass over at most kMaxPageSize bytes.
namespace HostPage {

inline constexpr qsizetype kMaxPageSize = 4 * 1024 * 1024;
// More parameters than this on one object is not a host page we serve.
inline constexpr qsizetype kMaxParams = 256;

struct Result {
    bool objectFound = false;
    // True when the chosen object names the desk (class id or ProgID); false when the page
    // has <object> elements but none of them is ours, so the first one was taken.
    bool objectMatched = false;
    // name/value in page order; names as written, values with character references decoded.
    QList<std::pair<QString, QString>> params;
};

// The object chosen: the first whose classid is the desk's class id or one of whose attribute
// values names "VELMO.VelmoCtrl.1"; failing that, the first <object> of the page. Only the
// object's own <param> children count (not those of objects nested inside it). Tag and
// attribute names are matched without regard to case; attribute values may be double-quoted,
// single-quoted or bare. Comments are skipped. Bytes are taken as UTF-8.
Result Parse(const QByteArray& page);

// Decodes HTML character references (&amp; &lt; &gt; &quot; &apos; &nbsp; &#N; &#xH;).
// Anything else that starts with "&" is kept as written.
QString DecodeEntities(const QString& text);

} // namespace HostPage
