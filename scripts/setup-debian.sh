#!/usr/bin/env bash
# Installs every Debian 12 package the desk needs to build, test and run its demo; with
# --packaging, also the tools that build its Debian package (scripts/package.sh).
# Safe to run again: it only calls apt-get when something is missing. Run as root, or as a user
# who may use sudo (asked for only when something must be installed).
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config ccache git clang-format
  qt6-base-dev qt6-svg-dev libgl-dev libegl-dev libxkbcommon-dev
  libcurl4-openssl-dev libzip-dev zlib1g-dev libssl-dev
  libsqlite3-dev libcpp-httplib-dev nlohmann-json3-dev
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  # tests and benchmarks: LibreOffice headless reads back what the desk wrote; CUPS with a PDF
  # printer lets a test print for real; clang builds the fuzz target
  libgtest-dev libgmock-dev libbenchmark-dev espeak-ng sox zip ffmpeg clang
  cups cups-client printer-driver-cups-pdf poppler-utils
  # the scripted physician types into the real LibreOffice through its own API
  python3-uno
  # packaging metadata checks: the desktop entry, the manual page, the AppStream file
  desktop-file-utils man-db appstream
  # a user without root lets the stand-in server bind ports 80 and 443 (scripts/server-ports.sh)
  libcap2-bin
  # run time: registration, the default browser and viewer, fonts for off-screen pictures
  xdg-utils shared-mime-info curl fonts-dejavu-core libreoffice-writer
)

case "${1:-}" in
  "") ;;
  --packaging)
    # dpkg-buildpackage, debhelper, lintian, and rsvg-convert for the icon's PNG sizes
    packages+=(dpkg-dev debhelper lintian librsvg2-bin)
    ;;
  *)
    echo "setup-debian: unknown option $1 (only --packaging)" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if ((${#missing[@]} == 0)); then
  echo "setup-debian: all packages are installed"
  exit 0
fi

if ((EUID == 0)); then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "setup-debian: run as root or install sudo (missing: ${missing[*]})" >&2
  exit 1
fi

echo "setup-debian: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
