#include "host/core/LaunchOptions.h"

#include "host/core/ControlIdentity.h"
#include "host/core/HostPage.h"
#include "host/core/HostPageFetch.h"

namespace {

bool ParseSize(const QString& text, QSize& size) {
    const QStringList parts = text.split(QLatin1Char('x'), Qt::KeepEmptyParts, Qt::CaseInsensitive);
    if (parts.size() != 2) {
        return false;
    }
    bool okW = false;
    bool okH = false;
    const int w = parts.at(0).toInt(&okW);
    const int h = parts.at(1).toInt(&okH);
    // Anything bigger than a wall of monitors is a typo.
    if (!okW || !okH || w < 100 || h < 100 || w > 16384 || h > 16384) {
        return false;
    }
    size = QSize(w, h);
    return true;
}

} // namespace

QString LaunchOptions::PageFromSchemeUrl(const QString& argument) {
    if (!argument.startsWith(QLatin1String("velmo:"), Qt::CaseInsensitive)) {
        return argument;
    }
    QString rest = argument.mid(6);
    if (rest.startsWith(QLatin1String("//"))) {
        return QStringLiteral("https:") + rest;
    }
    return rest;
}

LaunchOptions LaunchOptions::Parse(const QStringList& arguments) {
    LaunchOptions o;
    if (arguments.size() > kMaxArguments) {
        o.error = QStringLiteral("too many arguments");
        return o;
    }
    for (qsizetype i = 1; i < arguments.size() && o.error.isEmpty(); ++i) {
        QString arg = arguments.at(i);
        QString inlineValue;
        bool hasInline = false;
        if (arg.startsWith(QLatin1String("--"))) {
            const qsizetype eq = arg.indexOf(QLatin1Char('='));
            if (eq > 0) {
                inlineValue = arg.mid(eq + 1);
                arg = arg.left(eq);
                hasInline = true;
            }
        }
        // The value of an option that takes one, from "--opt=value" or the next argument.
        auto value = [&](QString& out) {
            if (hasInline) {
                out = inlineValue;
                return true;
            }
            if (i + 1 >= arguments.size()) {
                o.error = QStringLiteral("%1 needs a value").arg(arg);
                return false;
            }
            out = arguments.at(++i);
            return true;
        };
        auto noValue = [&]() {
            if (hasInline) {
                o.error = QStringLiteral("%1 takes no value").arg(arg);
                return false;
            }
            return true;
        };
        auto setPage = [&](const QString& page) {
            if (!o.page.isEmpty()) {
                o.error = QStringLiteral("only one host page can be given");
                return;
            }
            if (page.isEmpty()) {
                o.error = QStringLiteral("the host page is empty");
                return;
            }
            o.page = page;
        };

        QString v;
        if (arg == QLatin1String("--page")) {
            if (value(v)) {
                setPage(PageFromSchemeUrl(v));
            }
        } else if (arg == QLatin1String("--param")) {
            if (value(v)) {
                if (v.indexOf(QLatin1Char('=')) <= 0) {
                    o.error = QStringLiteral("--param needs NAME=VALUE, not \"%1\"").arg(v);
                } else {
                    o.params.append(v);
                }
            }
        } else if (arg == QLatin1String("--register")) {
            o.registerDesk = noValue();
        } else if (arg == QLatin1String("--unregister")) {
            o.unregisterDesk = noValue();
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            o.help = noValue();
        } else if (arg == QLatin1String("--version")) {
            o.version = noValue();
        } else if (arg == QLatin1String("--fixed-waits")) {
            o.fixedWaits = noValue();
        } else if (arg == QLatin1String("--screenshot")) {
            if (value(v)) {
                if (v.isEmpty()) {
                    o.error = QStringLiteral("--screenshot needs a file name");
                }
                o.screenshot = v;
            }
        } else if (arg == QLatin1String("--ca-file")) {
            if (value(v)) {
                if (v.isEmpty()) {
                    o.error = QStringLiteral("--ca-file needs a file name");
                }
                o.caFile = v;
            }
        } else if (arg == QLatin1String("--size")) {
            if (value(v) && !ParseSize(v, o.size)) {
                o.error = QStringLiteral("--size needs WIDTHxHEIGHT (100 to 16384), not \"%1\"").arg(v);
            }
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            o.error = QStringLiteral("unknown option %1").arg(arg);
        } else {
            setPage(PageFromSchemeUrl(arg));
        }
    }
    if (o.error.isEmpty() && o.registerDesk && o.unregisterDesk) {
        o.error = QStringLiteral("--register and --unregister cannot be combined");
    }
    return o;
}

QString LaunchOptions::HelpText() {
    return QStringLiteral(
        "Usage: velmo [options] [HOST-PAGE | velmo:ADDRESS]\n"
        "The Molve report desk. The session comes from a host page, from --param values, or both.\n"
        "\n"
        "  --page PATH_OR_URL    read the session from a host page (a file, or an http(s) address)\n"
        "  --param NAME=VALUE    set one session property (repeatable; later values win,\n"
        "                        and they replace the host page's values)\n"
        "  --size WxH            initial window size (default 1024x700)\n"
        "  --screenshot FILE     once start-up has finished, save the window as a PNG and exit\n"
        "  --ca-file FILE        also trust the certificate authorities in FILE (PEM), for a\n"
        "                        report server whose certificate a clinic's own authority signed\n"
        "  --fixed-waits         pace the requests for a server that needs it: wait 4 s before\n"
        "                        each list, 1 s before each document and after each print, ...\n"
        "  --register            install the desktop entry for velmo: links and host-page files\n"
        "  --unregister          remove it again\n"
        "  --version             print the desk's version and exit\n"
        "  -h, --help            show this text\n"
        "\n"
        "Properties: ServerURL, LoggedUserId, LoggedUserName, PhysicianList, LocationList,\n"
        "SignatureLine, Printprevilage, DefaultCustomProperty, FromDictationFlag.\n");
}

QString LaunchOptions::VersionText() {
    return QStringLiteral("velmo ") + ControlIdentity::kVersion + QLatin1Char('\n');
}

bool LaunchOptions::LoadProperties(ControlProperties& properties, QString& loadError) const {
    if (!page.isEmpty()) {
        const HostPageFetch::Page fetched = HostPageFetch::Fetch(page);
        if (!fetched.ok) {
            loadError = fetched.error;
            return false;
        }
        const HostPage::Result parsed = HostPage::Parse(fetched.body);
        if (!parsed.objectFound) {
            loadError = QStringLiteral("the host page %1 has no <object> element").arg(page);
            return false;
        }
        properties.SetFromPage(parsed);
    }
    for (const QString& assignment : params) {
        properties.SetAssignment(assignment);
    }
    return true;
}
