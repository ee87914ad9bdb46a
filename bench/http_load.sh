#!/usr/bin/env bash
# Requests per second and latency percentiles of the Settings host under 50
# concurrent keep-alive connections on loopback (wrk, Debian's package):
#   bench/http_load.sh [build-dir] [seconds]
# Starts the built host on a fresh copy of the demo device, then measures
#   GET /app.js      a file of the page: the I/O thread alone
#   GET /api/screen  the screen, built on the main thread through the gate
# and stops the host again.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
seconds=${2:-10}
command -v wrk >/dev/null || { echo "http_load: wrk is missing; run scripts/setup" >&2; exit 1; }

work=$(mktemp -d)
host_pid=
cleanup() {
  [[ -n "$host_pid" ]] && kill -INT "$host_pid" 2>/dev/null && wait "$host_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
cp -a share/demo-device "$work/root"
"$build/src/host/chimewell" --root "$work/root" --port 0 --audio none >"$work/out" 2>&1 &
host_pid=$!
for _ in $(seq 100); do
  grep -q 'http://' "$work/out" && break
  sleep 0.1
done
# The printed address; its access token goes in a header with every request, as the page sends it.
url=$(grep -o 'http://[^ ]*' "$work/out" | head -n1)
[[ -n "$url" ]] || { cat "$work/out" >&2; exit 1; }
base=${url%%\?*}
token=$(sed -n 's/.*[?&]token=\([0-9a-f]*\).*/\1/p' <<<"$url")

for path in app.js api/screen; do
  echo "== GET /$path, 50 connections, ${seconds} s"
  wrk -t2 -c50 -d"${seconds}s" --latency -H "Authorization: token $token" "$base$path" | sed -n '/Latency Distribution/,$p'
done
