#!/usr/bin/env bash
# The README's two commands on a fresh Debian 12: a minimal userland made here with
# mmdebstrap from this machine's package sources, the committed state of this
# checkout cloned into it, then `./run test` and `./run demo` inside as root.
#
#   rehearse.sh <checkout> <folder>
#
# ./run starts it in a mount and PID namespace of its own (unshare), so whatever
# ends it, its mounts and every process it started (Xvfb, Wine's server) end with
# it; it still unmounts in order when it ends by itself.
set -euo pipefail
CHECKOUT=$1
FOLDER=$2
SYSTEM="$FOLDER/debian"
LOGS="$FOLDER/logs"

mounted_under() { findmnt -rno TARGET | grep -E "^$SYSTEM(/|$)" || true; }

unmount_all() {
  local target
  for target in dev/shm dev/pts dev sys proc; do
    mountpoint -q "$SYSTEM/$target" && umount -l "$SYSTEM/$target"
  done
  return 0
}

start_clean() {
  # A folder an earlier rehearsal left: its namespace took its mounts away, but a
  # mount seen from here would mean the host's /dev under it: never delete through one.
  if [ -n "$(mounted_under)" ]; then
    echo "== rehearsal: something is still mounted under $SYSTEM; not deleting it:" >&2
    mounted_under >&2
    exit 1
  fi
  rm -rf --one-file-system "$FOLDER"
  mkdir -p "$SYSTEM" "$LOGS"
}

# The machine's own sources and acquire options, so the rehearsal meets the same mirrors.
bootstrap() {
  local sources=() options=() file
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -s "$file" ] && grep -q '^[^#]' "$file" && sources+=("$file")
  done
  for file in /etc/apt/apt.conf.d/*; do
    grep -q '^Acquire::' "$file" 2>/dev/null && options+=("--aptopt=$file")
  done
  echo "== making a minimal Debian 12 in $SYSTEM (sources: ${sources[*]})"
  mmdebstrap --variant=minbase "${options[@]}" bookworm "$SYSTEM" "${sources[@]}" >"$LOGS/mmdebstrap.log" 2>&1 || {
    tail -5 "$LOGS/mmdebstrap.log" >&2
    echo "== rehearsal: mmdebstrap failed (its log: $LOGS/mmdebstrap.log)" >&2
    exit 1
  }
  cp /etc/resolv.conf "$SYSTEM/etc/resolv.conf"
}

clone_committed_state() {
  local head
  head=$(git -C "$CHECKOUT" rev-parse HEAD)
  [ -z "$(git -C "$CHECKOUT" status --porcelain)" ] ||
    echo "== rehearsal: the checkout has uncommitted changes; only commit $head is rehearsed" >&2
  git clone -q --no-hardlinks "$CHECKOUT" "$SYSTEM/exl"
  git -C "$SYSTEM/exl" checkout -q --detach "$head"
  echo "== cloned commit $head into /exl"
}

mount_system() {
  mount -t proc proc "$SYSTEM/proc"
  mount --bind /sys "$SYSTEM/sys"
  mount --bind /dev "$SYSTEM/dev"
  mount --bind /dev/pts "$SYSTEM/dev/pts"
  mount -t tmpfs -o mode=1777 tmpfs "$SYSTEM/dev/shm"
}

# Runs one README command inside as a fresh login would; prints its time and last lines.
rehearse() {
  local verb=$1 start status=0
  start=$(date +%s)
  echo "== ./run $verb (log: $LOGS/$verb.log)"
  chroot "$SYSTEM" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/bash -c "cd /exl && ./run $verb" >"$LOGS/$verb.log" 2>&1 || status=$?
  tail -n 15 "$LOGS/$verb.log" | sed 's/^/   /'
  echo "== ./run $verb: exit $status after $(( $(date +%s) - start )) s"
  return "$status"
}

start_clean
trap unmount_all EXIT
# As the first process of its namespace it gets no signal it does not handle.
trap 'exit 130' INT TERM HUP
started=$(date +%s)
bootstrap
clone_committed_state
mount_system
echo "== the system was ready after $(( $(date +%s) - started )) s"
failed=0
rehearse test || failed=1
rehearse demo || failed=1
for workbook in stueckliste.xlsx stueckliste-datei.xlsx; do
  [ -s "$SYSTEM/exl/out/$workbook" ] || { echo "== ./run demo left no out/$workbook" >&2; failed=1; }
done
echo "== rehearsal $([ "$failed" = 0 ] && echo passed || echo FAILED) after $(( $(date +%s) - started )) s"
exit "$failed"
