#pragma once

#include "host/core/ControlProperties.h"

#include <QSize>
#include <QString>
#include <QStringList>

// The desk's command line: how a launcher (a browser link, a desktop entry, a person) hands it
// the session and what else it can be asked to do.
struct LaunchOptions {
    QString page;       // host page: a path, a file: URL, or an http(s) address
    QStringList params; // "NAME=VALUE", in command-line order
    bool registerDesk = false;
    bool unregisterDesk = false;
    bool help = false;
    bool version = false;
    bool fixedWaits = false; // the old pacing: a wait before each download, after each print...
    QString screenshot;      // PNG to write once start-up has finished
    QString caFile;          // certificates trusted beside the system's (a clinic's own authority)
    QSize size{1024, 700};   // initial window size
    QString error;           // non-empty when the command line is not usable

    static constexpr int kMaxArguments = 4096;

    // arguments[0] is the program. Accepts "--opt value" and "--opt=value"; a lone argument is
    // a host page, and a "velmo:" address is a host page given through the URL scheme.
    static LaunchOptions Parse(const QStringList& arguments);
    static QString HelpText();
    static QString VersionText(); // "velmo VERSION", one line

    // The page a "velmo:" address stands for: the text after "velmo:", where a "//host/..."
    // form means https://host/... Any other text is returned unchanged.
    static QString PageFromSchemeUrl(const QString& argument);

    // The control's properties for this launch: the page's params (fetched and parsed), then
    // the --params in order, so a --param replaces a page value. False with error set when
    // the page cannot be had or names no <object>.
    bool LoadProperties(ControlProperties& properties, QString& loadError) const;
};
