#pragma once

#include <QString>

#include <cstdint>

// Registration of the desk with the desktop, so a browser link (velmo:...) or a host-page file
// starts it. Two parts, in the user's XDG folders:
//   - the host-page MIME type (a shared-mime-info package; it plays the part of the type
//     library and is registered first),
//   - the desktop entry velmo.desktop, which handles x-scheme-handler/velmo and the MIME type
//     and is made the user's default for both in mimeapps.list.
// When the MIME type cannot be registered, nothing else is.
namespace Registration {

inline constexpr std::uint32_t kOk = 0;
inline constexpr std::uint32_t kTypeLibraryFailed = 0x80040200; // the MIME type part
inline constexpr std::uint32_t kClassFailed = 0x80040201;       // the desktop entry part

inline constexpr const char* kMimeType = "application/x-velmo-hostpage";
inline constexpr const char* kSchemeMimeType = "x-scheme-handler/velmo";
inline constexpr const char* kDesktopFileName = "velmo.desktop";
inline constexpr const char* kMimePackageName = "velmo-hostpage.xml";

// Where the files go; taken from the environment by Paths::FromEnvironment().
struct Paths {
    QString dataHome;   // $XDG_DATA_HOME, default ~/.local/share
    QString configHome; // $XDG_CONFIG_HOME, default ~/.config
    QString executable; // what the desktop entry starts

    static Paths FromEnvironment(const QString& executable);
    QString MimePackage() const;  // dataHome/mime/packages/velmo-hostpage.xml
    QString DesktopEntry() const; // dataHome/applications/velmo.desktop
    QString MimeApps() const;     // configHome/mimeapps.list
};

// The desktop entry's text for the given executable.
QString DesktopEntryText(const QString& executable);

std::uint32_t Register(const Paths& paths);
std::uint32_t Unregister(const Paths& paths);

// A one-line description of a result, for the command line.
QString Describe(std::uint32_t result);

} // namespace Registration

// The module's entry points, for the running executable and the user's environment.
std::uint32_t DllRegisterServer();
std::uint32_t DllUnregisterServer();
