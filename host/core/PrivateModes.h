#pragma once

#include <QFileDevice>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// Every file the desk keeps under its profile folder holds patient data (reports, logs with names
// and search values, dictation), and clinics share workstations between accounts: folders there
// are made 0700 and files 0600 whatever the umask. The modes are set on each file and folder,
// never through the process umask, which LibreOffice and the converter inherit.
namespace PrivateModes {

inline constexpr mode_t kFolder = 0700;
inline constexpr mode_t kFile = 0600;
// kFile as Qt writes it, for QFile and QSaveFile.
inline constexpr QFileDevice::Permissions kFilePermissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Opens file (a QFile or QSaveFile) for writing and gives it the file mode; false when it cannot be
// opened.
bool OpenForWriting(QFileDevice& file, QIODevice::OpenMode mode = QIODevice::WriteOnly);
// Gives an open file the file mode (a file another account owns is left as it is).
void Restrict(int fd);
// Gives the file or folder at path its mode, without following a symbolic link; false when it
// cannot (missing, another account's, a link).
bool Restrict(const QString& path);
// Makes one folder with the folder mode; true when it is a folder afterwards.
bool MakeFolder(const QByteArray& nativePath);

// Takes group and other access off every file and folder under root (root included) that has
// some, without following links or leaving root's file system; answers how many it changed. The
// folders named in othersFolders (directly under root) are tightened themselves, but what another
// program keeps inside them is its own. At most kMaxEntries entries are looked at.
int Tighten(const QString& root, const QStringList& othersFolders = {});
inline constexpr int kMaxEntries = 100000;

} // namespace PrivateModes
