#!/usr/bin/env bash
# Lets the stand-in report server listen on ports 80 and 443, as the real service does, when the
# demo or the tests run as a user rather than root: gives the built binary the one capability
# it needs (binding low ports), asking sudo for that step only. Nothing to do for root or on a
# kernel that already lets users bind them. Usage: bash scripts/server-ports.sh BUILD/server/report-server
set -euo pipefail

server="${1:?usage: server-ports.sh PATH-TO-report-server}"

if ((EUID == 0)); then
  exit 0
fi
if (($(cat /proc/sys/net/ipv4/ip_unprivileged_port_start 2>/dev/null || echo 1024) <= 80)); then
  exit 0
fi
if /usr/sbin/getcap "$server" 2>/dev/null | grep -q cap_net_bind_service; then
  exit 0
fi
if ! command -v sudo >/dev/null 2>&1; then
  echo "server-ports: the stand-in server needs ports 80 and 443; run as root or install sudo" >&2
  exit 1
fi
echo "server-ports: letting $server bind ports 80 and 443 (sudo setcap)"
sudo /usr/sbin/setcap cap_net_bind_service=+ep "$server"
