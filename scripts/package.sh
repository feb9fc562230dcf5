#!/usr/bin/env bash
# Builds the desk's Debian package from this tree: dist/velmo_VERSION_ARCH.deb, then checks it
# with lintian. Run from anywhere in the checkout, as root or as a user who may use sudo (asked
# for only to install the packaging tools). The build runs in a copy of the tree under
# build-package/, so dpkg-buildpackage's output and leftovers never land beside the checkout;
# the copy is removed at the end.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
stage="$root/build-package"
dist="$root/dist"

bash "$root/scripts/setup-debian.sh" --packaging

# The version has one source: the project() line of CMakeLists.txt.
version="$(sed -n 's/^project(velmo VERSION \([0-9][0-9.]*\)[ )].*/\1/p' "$root/CMakeLists.txt")"
if [[ -z "$version" ]]; then
  echo "package: no version in CMakeLists.txt's project() line" >&2
  exit 1
fi
arch="$(dpkg --print-architecture)"
deb="velmo_${version}_${arch}.deb"

cleanup() { rm -rf "$stage"; }
trap cleanup EXIT
rm -rf "$stage"
src="$stage/velmo-$version"
mkdir -p "$src"

# The tree as git sees it (tracked and new files, nothing ignored: no build folders), or the
# whole folder without them when this is not a git checkout.
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git -C "$root" ls-files -z --cached --others --exclude-standard |
    tar -C "$root" --null --ignore-failed-read -T - -cf - | tar -C "$src" -xf -
  when="$(date -R -d "@$(git -C "$root" log -1 --format=%at 2>/dev/null || date +%s)")"
else
  tar -C "$root" --exclude='./build*' --exclude=./dist -cf - . | tar -C "$src" -xf -
  when="$(date -R)"
fi

# debian/changelog carries the package's version; written here from the project's.
cat >"$src/debian/changelog" <<CHANGELOG
velmo ($version) unstable; urgency=medium

  * Velmo desk $version.

 -- Molve desk maintainers <support@molve-reports.com>  $when
CHANGELOG

(cd "$src" && dpkg-buildpackage -b -us -uc)

mkdir -p "$dist"
rm -f "$dist"/velmo_*.deb
mv "$stage/$deb" "$dist/$deb"
if ((EUID == 0)) && [[ -n "${SUDO_USER:-}" ]]; then
  chown "$SUDO_USER": "$dist" "$dist/$deb" 2>/dev/null || true
fi

echo "package: lintian"
lintian --fail-on error --display-info "$dist/$deb"
echo "package: $dist/$deb ($(du -h "$dist/$deb" | cut -f1))"
