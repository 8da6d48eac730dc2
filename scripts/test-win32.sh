#!/usr/bin/env bash
# Runs the 32-bit Windows plugin for real. This machine cannot execute 32-bit
# code, so the run happens in an emulated x86-64 guest (QEMU without
# hardware help) running Debian 12 with 32-bit Wine, whose OpenGL is Mesa's
# llvmpipe drawing for an X server without a screen. In one boot:
#   1. ffgl-host.exe validate passes on the 32-bit DLL;
#   2. ffgl-host.exe render --set Speed=0 matches the Linux ffgl-host's render
#      of the same settings within 3/255 per channel;
#   3. stack-balance-check.exe passes on the DLL (stack balance, misaligned
#      stacks, FPU control state, load/instantiate cycles);
#   4. the same check fails on a copy of the DLL built with the wrong calling
#      convention;
#   5. the 32-bit ffgl-pack.exe packs a shader into a plugin that validates,
#      byte for byte the plugin the Linux packer makes of it;
#   6. ffgl-host.exe imports system DLLs only, and play, scripted (--frames N --screenshot), opens its
#      window on the guest's X server: the plugin's picture matches the Linux
#      render within 3/255 and the panel beside it holds text and controls.
#
# The guest image is built once (as root; a few minutes) and cached outside
# the repository in $HELIX_WIN32_CACHE (default
# /var/cache/helixmorphics/win32-guest), under a hash of the recipe below, so
# a changed recipe builds a new one. Its packages come from the mirror in
# this machine's own apt sources.
#
# Usage: test-win32.sh [--image-only]
# Builds what it needs in build/mingw-i686 and build/linux first (override
# with HELIX_BUILD_WIN32 and HELIX_BUILD_LINUX). Prints the time of each
# step; exits non-zero when any step fails.
set -euo pipefail
cd "$(dirname "$0")/.."

cache_root=${HELIX_WIN32_CACHE:-/var/cache/helixmorphics/win32-guest}
win32_dir=${HELIX_BUILD_WIN32:-build/mingw-i686}
linux_dir=${HELIX_BUILD_LINUX:-build/linux}
render_settings=(--set Speed=0 --size 640x360)
# play's scripted frame 10 is at 0.15 s.
play_settings=(--set Speed=0 --size 320x180)
# Hard limits on the guest's life, in seconds: the first boot creates the
# Wine prefix; a test boot runs the checks.
prepare_limit=900
run_limit=900
program_limit=400

image_only=0
case "${1:-}" in
  --image-only) image_only=1 ;;
  "") ;;
  *)
    echo "usage: $0 [--image-only]" >&2
    exit 2
    ;;
esac

if ! command -v qemu-system-x86_64 >/dev/null; then
  echo "test-win32: qemu-system-x86_64 is missing (scripts/install-deps.sh installs qemu-system-x86)" >&2
  exit 1
fi

# --- Timings -----------------------------------------------------------------
timings_title="32-bit Windows run timings"
source scripts/lib/timed-steps.sh
source scripts/lib/apt-mirror.sh
source scripts/lib/windows-imports.sh

# --- Processes and mounts to undo on any exit ---------------------------------
qemu_pid=""
mounts=()
temporaries=()
cleanup() {
  if [[ -n $qemu_pid ]]; then
    kill "$qemu_pid" 2>/dev/null || true
    for _ in 1 2 3 4 5 6 7 8 9 10; do
      kill -0 "$qemu_pid" 2>/dev/null || break
      sleep 0.5
    done
    kill -KILL "$qemu_pid" 2>/dev/null || true
    wait "$qemu_pid" 2>/dev/null || true
  fi
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}" 2>/dev/null || true
  done
  for i in "${temporaries[@]}"; do remove_tree "$i"; done
}
# Removes a folder after unmounting whatever an interrupted debootstrap or
# chroot left mounted inside it, never crossing into another file system.
remove_tree() {
  local below
  [[ -e $1 ]] || return 0
  awk -v top="$(realpath "$1")/" 'index($2 "/", top) == 1 { print $2 }' /proc/self/mounts |
    sort -r | while read -r below; do umount "$below" 2>/dev/null || umount -l "$below"; done
  rm -rf --one-file-system "$1"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- The guest ------------------------------------------------------------------
guest_suite=bookworm
guest_packages=(wine wine32:i386 libgl1:i386 libgl1-mesa-dri:i386 xvfb xauth)
guest_prefix=/root/wine-prefix

# PID 1 of the guest: mounts what programs need and the share, runs the
# share's payload.sh with its output in the share, then powers off.
guest_init() {
  cat <<'EOF'
#!/bin/sh
export PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root
# The initramfs hands over /proc, /sys and /dev already mounted.
mountpoint -q /proc || mount -t proc proc /proc
mountpoint -q /sys || mount -t sysfs sysfs /sys
mountpoint -q /dev || mount -t devtmpfs devtmpfs /dev
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
modprobe 9pnet_virtio
mkdir -p /share
if mount -t 9p -o trans=virtio,version=9p2000.L,msize=1048576 share /share; then
  echo "helix-guest: running the payload"
  sh /share/payload.sh >/share/payload.log 2>&1
  echo $? >/share/payload.status
  echo "helix-guest: payload finished"
else
  echo "helix-guest: cannot mount the share"
fi
sync
mount -o remount,ro / 2>/dev/null
echo o >/proc/sysrq-trigger
sleep 60
EOF
}

# Common start of every payload: 32-bit Wine in the image's prefix, an X
# server without a screen, and a Wine server kept for all programs.
payload_preamble() {
  cat <<EOF
export WINEPREFIX=$guest_prefix WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
Xvfb :1 -screen 0 1024x768x24 -nolisten tcp >/share/xvfb.log 2>&1 &
for i in \$(seq 100); do [ -e /tmp/.X11-unix/X1 ] && break; sleep 0.2; done
export DISPLAY=:1
EOF
}

# The first boot's payload: creates the Wine prefix inside the image. A
# crashing program prints its backtrace instead of waiting on a dialog.
prepare_payload() {
  payload_preamble
  cat <<'EOF'
set -e
wine wineboot --init
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
wineserver -w
test -f "$WINEPREFIX/system.reg"
EOF
}

# Builds the image into the folder $1: a Debian root with 32-bit Wine as an
# ext4 file system, the guest kernel and initrd beside it, then a first boot
# that creates the Wine prefix.
build_image() {
  local out=$1 root=$1/root mirror start
  mirror=$(apt_mirror | head -1)
  if [[ -z $mirror ]]; then
    echo "test-win32: no Debian $guest_suite mirror in /etc/apt sources" >&2
    return 1
  fi
  echo "Building the guest image from $mirror"

  start=$(now)
  debootstrap --variant=minbase --include=linux-image-amd64,initramfs-tools,udev,kmod \
    "$guest_suite" "$root" "$mirror" >"$out/debootstrap.log" 2>&1 || {
    tail -40 "$out/debootstrap.log"
    return 1
  }
  echo "debootstrap: $(seconds_since "$start") s"

  start=$(now)
  printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
  chmod +x "$root/usr/sbin/policy-rc.d"
  mount -t proc proc "$root/proc" && mounts+=("$root/proc")
  {
    chroot "$root" dpkg --add-architecture i386 &&
      chroot "$root" apt-get update &&
      DEBIAN_FRONTEND=noninteractive chroot "$root" apt-get install -y --no-install-recommends \
        "${guest_packages[@]}" &&
      chroot "$root" apt-get clean
  } >"$out/apt.log" 2>&1 || {
    tail -40 "$out/apt.log"
    return 1
  }
  umount "$root/proc"
  unset 'mounts[-1]'
  rm -f "$root/usr/sbin/policy-rc.d"
  echo "32-bit Wine in the guest: $(seconds_since "$start") s"

  start=$(now)
  guest_init >"$root/sbin/helix-init"
  chmod +x "$root/sbin/helix-init"
  local kernels=("$root"/boot/vmlinuz-*) initrds=("$root"/boot/initrd.img-*)
  cp "${kernels[-1]}" "$out/vmlinuz"
  cp "${initrds[-1]}" "$out/initrd.img"
  mkfs.ext4 -q -F -L helix-guest -d "$root" "$out/rootfs.img" 4G
  remove_tree "$root"
  echo "ext4 image: $(seconds_since "$start") s"

  start=$(now)
  local share=$out/share
  mkdir "$share"
  prepare_payload >"$share/payload.sh"
  boot_guest "$out" "$share" "$prepare_limit" persistent || return 1
  rm -rf "$share"
  echo "first boot and Wine prefix: $(seconds_since "$start") s"
}

# console_tail FILE LINES: the end of the guest's console without the
# firmware's terminal escapes.
console_tail() { tail -"$2" "$1" | tr -d '\r' | sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g'; }

# boot_guest IMAGE_DIR SHARE LIMIT [persistent]: boots the guest on the
# share's payload.sh and waits at most LIMIT seconds. Test boots write to a
# throwaway overlay, so the image stays as built. Fails, showing the end of
# the guest's console and of the payload's output, when the guest ran out of
# time or the payload never finished (or, for the image's first boot, exited
# non-zero; a test boot's programs are judged one by one afterwards).
boot_guest() {
  local image=$1 share=$2 limit=$3 mode=${4:-snapshot}
  local console=$share/console.log
  local snapshot=(-snapshot)
  [[ $mode == persistent ]] && snapshot=()
  rm -f "$share/payload.status"
  qemu-system-x86_64 -accel tcg,thread=multi -cpu max,-smap -smp 2 -m 3072 -nographic \
    -no-reboot "${snapshot[@]}" \
    -kernel "$image/vmlinuz" -initrd "$image/initrd.img" \
    -append "console=ttyS0 root=/dev/vda rw init=/sbin/helix-init panic=-1 quiet" \
    -drive "file=$image/rootfs.img,format=raw,if=virtio" \
    -virtfs "local,path=$share,mount_tag=share,security_model=none,id=share" \
    -nic none </dev/null >"$console" 2>&1 &
  qemu_pid=$!
  local waited=0
  while kill -0 "$qemu_pid" 2>/dev/null && ((waited < limit * 2)); do
    sleep 0.5
    waited=$((waited + 1))
  done
  local timed_out=0
  if kill -0 "$qemu_pid" 2>/dev/null; then
    timed_out=1
    kill -KILL "$qemu_pid" 2>/dev/null || true
  fi
  wait "$qemu_pid" 2>/dev/null || true
  qemu_pid=""

  local status
  status=$(cat "$share/payload.status" 2>/dev/null || echo none)
  if ((timed_out)) || [[ $status == none ]] || { [[ $mode == persistent ]] && [[ $status != 0 ]]; }; then
    ((timed_out)) && echo "test-win32: the guest ran past its limit of $limit s and was stopped"
    echo "test-win32: the guest's payload status: $status; the end of its console:"
    console_tail "$console" 40
    if [[ -s $share/payload.log ]]; then
      echo "test-win32: the end of the payload's output:"
      tail -40 "$share/payload.log"
    fi
    return 1
  fi
}

# The image's key: a hash of everything that decides its contents.
recipe_key() {
  {
    echo "$guest_suite ${guest_packages[*]} $guest_prefix"
    declare -f guest_init payload_preamble prepare_payload build_image
    guest_init
  } | sha256sum | cut -c1-16
}

# Sets $image to the cached image for the current recipe, building it first
# when there is none. Only one builder at a time; a build happens in a
# temporary folder renamed into place when complete, so an interrupted or
# failed build is never used.
image=""
ensure_image() {
  local key
  key=$(recipe_key)
  image=$cache_root/$key
  [[ -f $image/complete ]] && return 0
  if ((EUID != 0)); then
    echo "test-win32: building the guest image needs root (debootstrap, chroot)" >&2
    return 1
  fi
  local tool
  for tool in debootstrap mkfs.ext4 chroot flock; do
    if ! command -v "$tool" >/dev/null; then
      echo "test-win32: $tool is missing (scripts/install-deps.sh installs it)" >&2
      return 1
    fi
  done
  mkdir -p "$cache_root"
  exec {lock}>"$cache_root/.lock"
  flock "$lock"
  if [[ ! -f $image/complete ]]; then
    # Left by builds that were stopped; none can be running while we hold
    # the lock.
    local old
    for old in "$cache_root"/.building-*; do remove_tree "$old"; done
    remove_tree "$image"
    local building=$cache_root/.building-$key-$$
    mkdir "$building"
    temporaries+=("$building")
    local start
    start=$(now)
    build_image "$building" || {
      exec {lock}>&-
      return 1
    }
    seconds_since "$start" >"$building/build-seconds"
    touch "$building/complete"
    mv -T "$building" "$image"
    echo "Guest image built in $(cat "$image/build-seconds") s: $image"
    # Images of other recipes are of no further use.
    for old in "$cache_root"/*; do
      [[ $(basename "$old") =~ ^[0-9a-f]{16}$ && $old != "$image" ]] && remove_tree "$old"
    done
  fi
  exec {lock}>&-
}

step "guest image (built once, then cached)" ensure_image
finish_if_failed
if ((image_only)); then
  report
  exit 0
fi

# --- Build -------------------------------------------------------------------
build() {
  local preset=$1 dir=$2
  shift 2
  [[ -f $dir/CMakeCache.txt ]] || cmake --preset "$preset" -B "$dir" >/dev/null
  cmake --build "$dir" -j "$(nproc)" --target "$@"
}
step "build the 32-bit Windows host, DLL and checks" \
  build mingw-i686 "$win32_dir" HelixmorphicsV1 ffgl-host stack-balance-check HelixmorphicsV1-cdecl \
  ffgl-pack HelixShaderTemplate
step "build the Linux host and library" \
  build linux "$linux_dir" HelixmorphicsV1 ffgl-host compare-pictures check-play-window ffgl-pack
step "ffgl-host.exe imports system DLLs only" \
  system_dlls_only i686-w64-mingw32-objdump "$win32_dir/ffgl-host.exe"
finish_if_failed

# --- One boot of the guest runs every Windows program -----------------------
share=$(mktemp -d)
temporaries+=("$share")
cp "$win32_dir/ffgl-host.exe" "$win32_dir/plugin/HelixmorphicsV1.dll" \
  "$win32_dir/tests/win32/stack-balance-check.exe" \
  "$win32_dir/tests/win32/HelixmorphicsV1-cdecl.dll" "$win32_dir/ffgl-pack.exe" \
  examples/orbits.glsl "$share/"
# The packer as released: its templates beside it.
mkdir -p "$share/templates/win32"
cp "$win32_dir/templates/win32/HelixShaderTemplate.dll" "$share/templates/win32/"
# Each program's output goes to its own file and its exit status to
# results.txt; the Wine server stays up between them.
{
  payload_preamble
  cat <<EOF_PAYLOAD
# Wine maps programs and DLLs into memory, which the 9p share does not
# serve reliably: they run from the guest's own memory.
mkdir /tmp/run
cp -r /share/*.exe /share/*.dll /share/orbits.glsl /share/templates /tmp/run/
cd /tmp/run
wineserver -p
run() {
  name=\$1
  shift
  start=\$(date +%s%N)
  timeout -k 10 $program_limit wine "\$@" >/share/\$name.log 2>&1
  status=\$?
  echo "\$name \$status \$(( (\$(date +%s%N) - start) / 1000000 ))" >>/share/results.txt
}
run validate ffgl-host.exe validate HelixmorphicsV1.dll
run render ffgl-host.exe render HelixmorphicsV1.dll ${render_settings[*]} -o wine.png
cp wine.png /share/ 2>/dev/null
run stack-check stack-balance-check.exe HelixmorphicsV1.dll
run stack-check-cdecl stack-balance-check.exe HelixmorphicsV1-cdecl.dll
run pack ffgl-pack.exe orbits.glsl --target win32 -o packed
run pack-validate ffgl-host.exe validate packed/win32/orbits.dll
cp packed/win32/orbits.dll /share/packed-orbits.dll 2>/dev/null
run play ffgl-host.exe play HelixmorphicsV1.dll ${play_settings[*]} --frames 10 --screenshot play.png
cp play.png /share/ 2>/dev/null
wineserver -k
EOF_PAYLOAD
} >"$share/payload.sh"

step "boot the guest and run the Windows programs" boot_guest "$image" "$share" "$run_limit"
finish_if_failed

# result NAME: the exit status of the guest program NAME, "missing" if it
# never finished.
result() { awk -v name="$1" '$1 == name { print $2; found = 1 } END { if (!found) print "missing" }' \
  "$share/results.txt" 2>/dev/null || echo missing; }
guest_time() { awk -v name="$1" '$1 == name { printf "%.1f s", $3 / 1000 }' "$share/results.txt"; }
# expect_guest NAME WANT: passes when the program's status is 0 (WANT=pass)
# or a failure (WANT=fail); shows its output otherwise.
expect_guest() {
  local name=$1 want=$2 status
  status=$(result "$name")
  echo "$name: exit status $status in the guest after $(guest_time "$name")"
  if [[ $want == pass && $status == 0 ]] ||
    [[ $want == fail && $status != 0 && $status != missing ]]; then
    tail -5 "$share/$name.log"
    return 0
  fi
  cat "$share/$name.log" 2>/dev/null
  echo "test-win32: the end of the guest's console:"
  console_tail "$share/console.log" 15
  return 1
}
# The wrong-convention copy must fail for the reason the check exists for.
cdecl_caught() {
  expect_guest stack-check-cdecl fail &&
    grep -q "left the stack unbalanced" "$share/stack-check-cdecl.log"
}
step "validate under 32-bit Wine" expect_guest validate pass
step "render under 32-bit Wine (Speed 0)" expect_guest render pass
step "stack, alignment, FPU and load cycles" expect_guest stack-check pass
step "the cdecl copy is caught" cdecl_caught
step "ffgl-pack.exe packs a shader under 32-bit Wine" expect_guest pack pass
step "the packed 32-bit plugin validates" expect_guest pack-validate pass
# The same shader and template packed on Linux: the very same bytes.
step "the Linux packer writes the same 32-bit plugin" \
  "$linux_dir/ffgl-pack" "$share/orbits.glsl" --target win32 --templates "$win32_dir/templates" \
  -o "$share/linux-packed" -q
step "both packed plugins are identical" \
  cmp "$share/linux-packed/win32/orbits.dll" "$share/packed-orbits.dll"
step "render on Linux (Speed 0)" \
  "$linux_dir/ffgl-host" render "$linux_dir/plugin/HelixmorphicsV1.so" "${render_settings[@]}" \
  -o "$share/linux.png"
step "pictures match within 3/255" \
  "$linux_dir/tests/wine/compare-pictures" "$share/linux.png" "$share/wine.png" 3
step "play under 32-bit Wine (10 frames, screenshot)" expect_guest play pass
step "render on Linux for play (Speed 0, 0.15 s)" \
  "$linux_dir/ffgl-host" render "$linux_dir/plugin/HelixmorphicsV1.so" "${play_settings[@]}" \
  --start 0.15 -o "$share/play-frame.png"
step "play's window shows the plugin and the panel" \
  "$linux_dir/tests/wine/check-play-window" "$share/play.png" "$share/play-frame.png" 3

finish_if_failed
report
echo "The 32-bit DLL runs under 32-bit Wine: validate passes, the render matches Linux," \
  "plugMain keeps the stack and FPU state, the cdecl copy is caught; the 32-bit ffgl-pack.exe" \
  "packs a shader into a plugin that validates; play shows it with its panel."
