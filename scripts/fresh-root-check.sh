#!/usr/bin/env bash
# Runs the README's two commands on a machine that has nothing installed: a
# minimal Debian 12 root made with debootstrap, holding a clone of the
# committed HEAD. It catches an install step that a developer's machine (or
# CI's, which keeps what earlier runs installed) would hide.
#
#   sudo scripts/fresh-root-check.sh            # as root; needs debootstrap
#
# Prints each command's wall time and exit status; exits non-zero when either
# fails. Everything it mounts is unmounted and every process started in the
# root is ended, also when interrupted. FRESH_ROOT_KEEP=1 keeps the root's
# folder for a look afterwards (it is printed).
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)

if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-root-check: must run as root (debootstrap, chroot and mounts)" >&2
  exit 2
fi
command -v debootstrap >/dev/null || {
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq debootstrap >/dev/null
}

source "$repo/scripts/lib/apt-mirror.sh"
mirror_url=$(apt_mirror bookworm)
if [ -z "$mirror_url" ]; then
  echo "fresh-root-check: no Debian 12 (bookworm) mirror in this machine's apt sources" >&2
  exit 1
fi

root=$(mktemp -d /var/tmp/helix-fresh-root.XXXXXX)
mounted=()

# Ends every process whose root is the fresh root, then unmounts in reverse.
cleanup() {
  local status=$? pid link i
  trap - EXIT INT TERM
  for pid in /proc/[0-9]*; do
    link=$(readlink "$pid/root" 2>/dev/null) || continue
    [ "$link" = "$root" ] && kill -KILL "${pid#/proc/}" 2>/dev/null || true
  done
  sleep 1
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" 2>/dev/null || true
  done
  # Never delete through a mount that is still there (the guest cache is a
  # bind mount of this very file system).
  if awk -v root="$root" 'index($2, root) == 1 { found = 1 } END { exit !found }' /proc/mounts; then
    echo "fresh-root-check: mounts remain under $root; it is left in place" >&2
  elif [ "${FRESH_ROOT_KEEP:-0}" = 1 ]; then
    echo "fresh-root-check: the root is kept at $root"
  else
    rm -rf --one-file-system "$root"
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'echo "fresh-root-check: interrupted" >&2; exit 130' INT TERM

mount_in_root() { # KIND SOURCE TARGET
  mkdir -p "$root$3"
  if [ "$1" = bind ]; then mount --bind "$2" "$root$3"; else mount -t "$1" "$2" "$root$3"; fi
  mounted+=("$root$3")
}

echo "== fresh root: debootstrap --variant=minbase bookworm from $mirror_url"
start=$SECONDS
debootstrap --variant=minbase bookworm "$root" "$mirror_url" >"$root.debootstrap.log" 2>&1 || {
  tail -n 20 "$root.debootstrap.log" >&2
  rm -f "$root.debootstrap.log"
  exit 1
}
rm -f "$root.debootstrap.log"
echo "debootstrap: $((SECONDS - start)) s"

mount_in_root proc proc /proc
mount_in_root bind /sys /sys
mount_in_root bind /dev /dev
mount_in_root bind /dev/pts /dev/pts
mount_in_root tmpfs tmpfs /dev/shm
cp /etc/resolv.conf "$root/etc/resolv.conf"
# Packages installed in the root must not start services of the machine's.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"
# The emulated 32-bit guest's image is built once per recipe and cached
# outside any checkout; the fresh root shares that cache.
guest_cache=${HELIX_WIN32_CACHE:-/var/cache/helixmorphics/win32-guest}
mkdir -p "$guest_cache"
mount_in_root bind "$guest_cache" "$guest_cache"
# So are the Windows builds' GLFW and Dear ImGui (scripts/build-mingw-deps.sh).
mingw_deps_cache=${HELIX_MINGW_DEPS_CACHE:-/var/cache/helixmorphics/mingw-deps}
mkdir -p "$mingw_deps_cache"
mount_in_root bind "$mingw_deps_cache" "$mingw_deps_cache"

checkout=/root/helixmorphics
git clone -q --no-hardlinks "$repo" "$root$checkout"
git -C "$root$checkout" checkout -q --detach "$(git -C "$repo" rev-parse HEAD)"
echo "cloned $(git -C "$repo" rev-parse --short HEAD) into the fresh root"

failed=0
for command in ./scripts/preview.sh ./scripts/test.sh; do
  echo "== fresh root: $command"
  start=$SECONDS
  status=0
  # In the background, so that an interrupt is handled at once. The fuzz
  # targets are built and run only briefly here: what this root checks is
  # that they install and build, and CI's first pass runs the full bounded
  # fuzz on the same commit.
  chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb HELIX_WIN32_CACHE="$guest_cache" \
    FUZZ_RUNS="${HELIX_FRESH_FUZZ_RUNS:-20000}" FUZZ_PICTURE_RUNS="${HELIX_FRESH_FUZZ_RUNS:-20000}" \
    HELIX_MINGW_DEPS_CACHE="$mingw_deps_cache" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/bash -c "cd $checkout && $command" &
  wait $! || status=$?
  echo "fresh root: $command exited $status after $((SECONDS - start)) s"
  [ "$status" -eq 0 ] || failed=1
done
exit "$failed"
