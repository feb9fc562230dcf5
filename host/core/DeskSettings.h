#pragma once

#include <QString>
#include <QStringList>

// The desk's settings file "velmo/velmo.conf" (INI), which the desk reads and never writes:
// an administrator's, in the folders of $XDG_CONFIG_DIRS (by default /etc/xdg), and the user's
// own, in $XDG_CONFIG_HOME (by default ~/.config). Neither exists until someone writes it.
class DeskSettings final {
public:
    // Reads the files as they are now.
    DeskSettings();

    // The user's file, and the administrator's, most important first.
    static QString UserFile();
    static QStringList SystemFiles();

    // "AllowedServers": the host names (lower-case) the desk may be pointed at, separated by
    // blanks in the file; empty when not set (any server, asked about once). The
    // administrator's list, when there is one, is the one that holds: a user's own file can
    // narrow the desk's reach only when no administrator has set it.
    QStringList AllowedServers() const { return allowedServers_; }

    // Files larger than this are not settings files and are not read.
    static constexpr qint64 kMaxFileSize = 64 * 1024;
    // At most this many allowed servers are taken.
    static constexpr qsizetype kMaxAllowedServers = 256;

private:
    QStringList allowedServers_;
};
