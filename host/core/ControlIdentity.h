#pragma once

#include <QString>

// Fixed identifiers of the desk as a control. Host pages name it by its ProgID or its class id;
// the registration step and the About box use the names.
namespace ControlIdentity {

inline constexpr QLatin1String kProgId{"VELMO.VelmoCtrl.1"};
inline constexpr QLatin1String kPropPageProgId{"VELMO.VelmoPropPage.1"};
// Class ids of the control and of its property page (without "clsid:" and braces).
inline constexpr QLatin1String kClassId{"5E3D9A41-7C2B-4F86-A1D0-3B9E6C5F2A17"};
inline constexpr QLatin1String kPropPageClassId{"5E3D9A42-7C2B-4F86-A1D0-3B9E6C5F2A17"};
inline constexpr QLatin1String kTypeName{"Velmo Control"};
// The build sets VELMO_VERSION from the project's version.
inline constexpr QLatin1String kVersion{VELMO_VERSION};

// The line the module writes to the activity log when it starts.
inline constexpr QLatin1String kStartupLogLine{
    "OCX Version : " VELMO_VERSION " August 6 2009 Version Changed for MID : 2433,2156,2242,2423,2429"};

} // namespace ControlIdentity
