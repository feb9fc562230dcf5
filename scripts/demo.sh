#!/usr/bin/env bash
# Sets up, builds, starts the stand-in report server with a demo practice on 127.0.0.1 and
# opens the desk on its host page. Without a display the desk runs off-screen and saves a
# picture to build-demo/demo.png instead. Usage: bash scripts/demo.sh (as root, or as a user
# who may use sudo: it is asked for only to install missing packages and to let the stand-in
# server listen on ports 80 and 443, as a real one does).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-demo"

bash "$root/scripts/setup-debian.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMO_BUILD_TESTS=OFF -DVELMO_BUILD_BENCH=OFF
cmake --build "$build" -j "${VELMO_JOBS:-2}" --target velmo report-server

velmo="$build/app/velmo"
server="$build/server/report-server"
bash "$root/scripts/server-ports.sh" "$server"

data="$(mktemp -d)"
server_pid=""
cleanup() {
  if [[ -n "$server_pid" ]]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$data"
}
trap cleanup EXIT

"$server" --data "$data/server" --seed demo --bind 127.0.0.1 >"$data/server.out" 2>"$data/server.err" &
server_pid=$!
# The server says "listening ..." once both ports are bound.
for _ in $(seq 1 300); do
  if grep -q '^listening' "$data/server.out" 2>/dev/null; then
    break
  fi
  if ! kill -0 "$server_pid" 2>/dev/null; then
    echo "demo: the report server did not start: $(cat "$data/server.err")" >&2
    exit 1
  fi
  sleep 0.1
done
if ! grep -q '^listening' "$data/server.out"; then
  echo "demo: the report server did not come up" >&2
  exit 1
fi
# The stand-in signs its certificate with a local authority of its own, as a clinic's might: the
# desk trusts it through VELMO_CA_FILE. The copy beside the build stays readable for the user the
# desk runs as, and for a second desk started by hand (see the README).
authority="$build/demo-ca.crt"
cp "$data/server/ca.crt" "$authority"
chmod 644 "$authority"
export VELMO_CA_FILE="$authority"
session=(--page https://127.0.0.1/desk.php)

if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  run_as=()
  # Under sudo the desk belongs to the user on the display, not to root.
  if ((EUID == 0)) && [[ -n "${SUDO_USER:-}" && "${SUDO_USER}" != root ]]; then
    run_as=(sudo -u "$SUDO_USER" env "DISPLAY=${DISPLAY:-}" "WAYLAND_DISPLAY=${WAYLAND_DISPLAY:-}"
            "XAUTHORITY=${XAUTHORITY:-/home/$SUDO_USER/.Xauthority}" "XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-/run/user/$(id -u "$SUDO_USER")}"
            "VELMO_CA_FILE=$authority")
  fi
  echo "demo: the desk is open; close its window to end the demo"
  "${run_as[@]}" "$velmo" "${session[@]}"
else
  # Written into the build folder, so the checkout stays as it was.
  picture="$build/demo.png"
  # A headless run answers every question with No, the first-contact question too: it runs in a
  # profile of its own that already knows the stand-in server.
  mkdir -p "$data/profile/velmo"
  echo 127.0.0.1 >"$data/profile/velmo/KnownServers"
  XDG_DATA_HOME="$data/profile" QT_QPA_PLATFORM=offscreen "$velmo" "${session[@]}" --screenshot "$picture"
  if [[ -n "${SUDO_USER:-}" ]]; then
    chown "$SUDO_USER": "$picture" 2>/dev/null || true
  fi
  echo "demo: no display; the desk ran off-screen and its picture is $picture"
fi
