#pragma once

#include <QString>
#include <QStringList>

// The desk's settings file "velmo/velmo.conf" (INI), which the desk reads and never writes:
// an administrator's, in the folders of $XDG_CONFIG_DIRS (by default /etc/xdg), and the user's
// own, in $XDG_CONFIG_HOME (by default ~/.config). Neither exists until someone writes it. The
// administrator's files are read first and the user's file, where it sets a key, wins; except
// AllowedServers, a policy the user cannot widen. Options and the environment win over both.
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
    // "CaFile": a file of certificates the desk trusts beside the system's (a clinic's own
    // authority); empty when not set.
    QString CaFile() const { return caFile_; }
    // "LogRetentionDays": how many days of activity logs are kept; 0 keeps every log.
    int LogRetentionDays() const { return logRetentionDays_; }
    // "FixedWaits": true restores the fixed waits between requests.
    bool FixedWaits() const { return fixedWaits_; }

    // Files larger than this are not settings files and are not read.
    static constexpr qint64 kMaxFileSize = 64 * 1024;
    // At most this many allowed servers are taken.
    static constexpr qsizetype kMaxAllowedServers = 256;
    static constexpr int kDefaultLogRetentionDays = 30;
    // A hundred years: any larger number is a typo, and the default holds.
    static constexpr int kMaxLogRetentionDays = 36500;

private:
    QStringList allowedServers_;
    QString caFile_;
    int logRetentionDays_ = kDefaultLogRetentionDays;
    bool fixedWaits_ = false;
};
