#!/usr/bin/env bash
# The picker and a flip on a phone far away: lays out two phone-shaped device
# roots of 300 apps (slow_link_bench make-root), serves one with an sshd of
# our own on a free port of 127.0.0.1 (own host and user keys, in a temporary
# folder; no system configuration touched) behind a proxy that adds
# ROUND_TRIP_MS to every round trip, mounts it with sshfs as a person would
# (-o no_contain_symlinks so the phone's absolute links can be read), and
# runs slow_link_bench measure over the mount and over the other, local root.
#   bench/slow-link/run.sh [build-dir] [round-trip-ms] [repeat-wait-seconds]
# Defaults: build, 20, 60. SSHFS_OPTIONS adds -o options to the mount (for
# instance dcache_timeout=5); PROFILE=1 adds a profile over a fresh mount. Needs openssh-server, openssh-client, sshfs and
# /dev/fuse. Everything it starts is stopped and unmounted when it ends.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build}" && pwd)
round_trip=${2:-20}
repeat_wait=${3:-60}
bench="$build/bench/slow_link_bench"

for tool in /usr/sbin/sshd ssh sshfs fusermount3; do
  command -v "$tool" >/dev/null || { echo "run.sh: $tool is missing (apt-get install openssh-server openssh-client sshfs)" >&2; exit 1; }
done
[[ -c /dev/fuse ]] || { echo "run.sh: no /dev/fuse here, nothing to mount" >&2; exit 1; }
[[ -x "$bench" ]] || { echo "run.sh: build $bench first (ninja -C $build slow_link_bench)" >&2; exit 1; }

work=$(mktemp -d /tmp/chimewell-slow-link-XXXXXX)
pids=()
cleanup() {
  if mountpoint -q "$work/mount"; then fusermount3 -u "$work/mount" || fusermount3 -uz "$work/mount"; fi
  # A killed process's wait fails; that must not stop the clean-up.
  for pid in "${pids[@]}"; do { kill "$pid" && wait "$pid"; } 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

ssh-keygen -q -t ed25519 -N '' -f "$work/host_key"
ssh-keygen -q -t ed25519 -N '' -f "$work/user_key"
cp "$work/user_key.pub" "$work/authorized_keys"
sshd_port=$(free_port)
cat >"$work/sshd_config" <<EOF
ListenAddress 127.0.0.1
Port $sshd_port
HostKey $work/host_key
AuthorizedKeysFile $work/authorized_keys
PidFile $work/sshd.pid
StrictModes no
UsePAM no
PasswordAuthentication no
KbdInteractiveAuthentication no
Subsystem sftp /usr/lib/openssh/sftp-server
LogLevel ERROR
EOF
mkdir -p /run/sshd  # sshd's privilege-separation folder
/usr/sbin/sshd -D -e -f "$work/sshd_config" 2>"$work/sshd.log" &
pids+=($!)

proxy_port=$(free_port)
python3 -u "$here/delay_proxy.py" "$proxy_port" "$sshd_port" "$round_trip" >"$work/proxy.log" 2>&1 &
pids+=($!)
until grep -qs ready "$work/proxy.log"; do sleep 0.1; done

"$bench" make-root "$work/local"
"$bench" make-root "$work/phone"
mkdir "$work/mount"
options="no_contain_symlinks,port=$proxy_port,IdentityFile=$work/user_key,StrictHostKeyChecking=no"
options+=",UserKnownHostsFile=/dev/null,LogLevel=ERROR${SSHFS_OPTIONS:+,$SSHFS_OPTIONS}"

mount_phone() { sshfs -o "$options" "$(id -un)@127.0.0.1:$work/phone" "$work/mount"; }
mount_phone
echo "## sshfs through a proxy adding $round_trip ms per round trip"
"$bench" measure "$work/mount" "$work/phone" "$repeat_wait"
if [[ -n "${PROFILE:-}" ]]; then
  fusermount3 -u "$work/mount" && mount_phone  # nothing cached
  "$bench" profile "$work/mount" "$repeat_wait"
fi
echo "## local folder"
"$bench" measure "$work/local" "$work/local" "$repeat_wait"
