#!/usr/bin/env bash
# Runs the 64-bit Windows plugin for real: the Windows ffgl-host under 64-bit
# Wine, whose OpenGL is Mesa's llvmpipe drawing for an X server without a
# screen. In a fresh Wine prefix:
#   1. ffgl-host.exe validate passes on the 64-bit DLL;
#   2. instance identifiers above 4 GiB work through plugMain;
#   3. ffgl-host.exe render --set Speed=0 matches the Linux ffgl-host's render
#      of the same settings within 3/255 per channel;
#   4. the Windows host's own platform code: a plugin crashing in its frame is
#      named with the call (render exits 3, validate fails that check and
#      exits 1, no file left), a library that cannot be loaded says why,
#      Ctrl-C during a large write leaves no file behind and exits 130, and
#      video goes through a stand-in ffmpeg.exe, which Ctrl-C stops;
#   5. ffgl-host.exe validate passes on an example plugin made from a shader;
#   6. ffgl-host.exe, GLFW and Dear ImGui linked in, imports system DLLs
#      only, and play, scripted (--frames N --screenshot), opens its
#      window on the X server: the plugin's picture matches the Linux render
#      within 3/255 and the panel beside it holds text and controls; a
#      rebuild while playing is reloaded, leaving no copy of the plugin;
#   7. ffgl-pack.exe, with its templates beside it as released, packs a shader
#      for all three targets: the 64-bit plugin validates under Wine, the
#      Linux one on Linux, all three are byte for byte what the Linux packer
#      makes, a file given alone is packed beside itself, and a broken
#      shader is refused at its line by the driver's compiler.
# Builds what it needs in the mingw-x86_64 and linux build folders first
# (override with HELIX_BUILD_WIN64 and HELIX_BUILD_LINUX). Prints the time of
# each step; exits non-zero when any step fails.
set -euo pipefail
cd "$(dirname "$0")/.."

win64_dir=${HELIX_BUILD_WIN64:-build/mingw-x86_64}
win32_dir=${HELIX_BUILD_WIN32:-build/mingw-i686}
linux_dir=${HELIX_BUILD_LINUX:-build/linux}
export WINELOADER=${WINELOADER:-/usr/lib/wine/wine64}
wineserver=$(dirname "$WINELOADER")/wineserver
render_settings=(--set Speed=0 --size 640x360)

for tool in "$WINELOADER" "$wineserver" Xvfb; do
  if ! command -v "$tool" >/dev/null; then
    echo "test-wine: $tool is missing (scripts/install-deps.sh installs wine64 and xvfb)" >&2
    exit 1
  fi
done

# --- Timings -----------------------------------------------------------------
timings_title="Wine run timings"
source scripts/lib/timed-steps.sh
source scripts/lib/windows-imports.sh

# --- Build -------------------------------------------------------------------
build() {
  local preset=$1 dir=$2
  shift 2
  [[ -f $dir/CMakeCache.txt ]] || cmake --preset "$preset" -B "$dir" >/dev/null
  cmake --build "$dir" -j "$(nproc)" --target "$@"
}
step "build the Windows host and 64-bit DLL" \
  build mingw-x86_64 "$win64_dir" HelixmorphicsV1 ffgl-host high-address-instances crashing-plugin \
  fake-ffmpeg HelixOrbits ffgl-pack HelixShaderTemplate
step "build the 32-bit template" build mingw-i686 "$win32_dir" HelixShaderTemplate
step "build the Linux host and library" \
  build linux "$linux_dir" HelixmorphicsV1 ffgl-host compare-pictures check-play-window ffgl-pack \
  HelixShaderTemplate
step "ffgl-host.exe imports system DLLs only" \
  system_dlls_only x86_64-w64-mingw32-objdump "$win64_dir/ffgl-host.exe"
finish_if_failed

# --- A fresh prefix and an X server of our own -------------------------------
work=$(mktemp -d)
xvfb_pid=""
cleanup() {
  # Wine's server and the X server outlive the test programs unless stopped.
  WINEPREFIX=$work/prefix "$wineserver" -k 2>/dev/null || true
  if [[ -n $xvfb_pid ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

export WINEPREFIX=$work/prefix
export WINEDEBUG=-all
# No Mono or Gecko installer prompts in the fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="

start_xvfb() {
  # Xvfb picks a free display itself and writes its number to the given fd.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do
    if [[ -s $work/display ]]; then
      export DISPLAY=":$(head -1 "$work/display")"
      echo "Xvfb on $DISPLAY"
      return 0
    fi
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  cat "$work/xvfb.log"
  return 1
}
create_prefix() {
  "$WINELOADER" wineboot --init >"$work/wineboot.log" 2>&1 || {
    cat "$work/wineboot.log"
    return 1
  }
  "$wineserver" -w
}
step "start Xvfb" start_xvfb
step "create a fresh Wine prefix" create_prefix
finish_if_failed

# Windows programs see the file system as drive Z:.
windows_path() { local path; path=$(realpath "$1"); echo "Z:${path//\//\\}"; }
win_host=$(windows_path "$win64_dir/ffgl-host.exe")
win_dll=$(windows_path "$win64_dir/plugin/HelixmorphicsV1.dll")

# --- The checks --------------------------------------------------------------
step "validate under Wine" "$WINELOADER" "$win_host" validate "$win_dll"
step "instances above 4 GiB under Wine" \
  "$WINELOADER" "$(windows_path "$win64_dir/tests/wine/high-address-instances.exe")" "$win_dll"
step "render under Wine (Speed 0)" \
  "$WINELOADER" "$win_host" render "$win_dll" "${render_settings[@]}" -o "$(windows_path "$work")\\wine.png"
step "render on Linux (Speed 0)" \
  "$linux_dir/ffgl-host" render "$linux_dir/plugin/HelixmorphicsV1.so" "${render_settings[@]}" \
  -o "$work/linux.png"
step "pictures match within 3/255" \
  "$linux_dir/tests/wine/compare-pictures" "$work/linux.png" "$work/wine.png" 3
step "validate a shader example under Wine" \
  "$WINELOADER" "$win_host" validate "$(windows_path "$win64_dir/examples/win64/HelixOrbits.dll")"

# ffgl-pack.exe as a Windows user gets it: the templates beside it.
packer=$work/packer
mkdir -p "$packer/templates"
cp "$win64_dir/ffgl-pack.exe" "$packer/"
for templates in "$win64_dir/templates" "$win32_dir/templates" "$linux_dir/templates"; do
  cp -r "$templates"/* "$packer/templates/"
done
step "ffgl-pack.exe packs a shader for three targets under Wine" \
  "$WINELOADER" "$(windows_path "$packer/ffgl-pack.exe")" "$(windows_path examples/orbits.glsl)" \
  -o "$(windows_path "$work")\\packed"
step "the packed 64-bit plugin validates under Wine" \
  "$WINELOADER" "$win_host" validate "$(windows_path "$work/packed/win64/orbits.dll")"
step "the packed Linux plugin validates on Linux" \
  "$linux_dir/ffgl-host" validate "$work/packed/linux-x86_64/orbits.so"
step "the Linux packer writes the same three plugins" \
  "$linux_dir/ffgl-pack" examples/orbits.glsl --templates "$packer/templates" -o "$work/linux-packed" -q
same_plugins() {
  local target
  for target in linux-x86_64/orbits.so win32/orbits.dll win64/orbits.dll; do
    cmp "$work/packed/$target" "$work/linux-packed/$target" || return 1
  done
}
step "the plugins are identical byte for byte" same_plugins
mkdir -p "$work/dropped"
cp examples/orbits.glsl "$work/dropped/"
step "a shader given alone is packed beside itself" \
  "$WINELOADER" "$(windows_path "$packer/ffgl-pack.exe")" "$(windows_path "$work/dropped/orbits.glsl")"
step "  ... for all three targets" \
  ls "$work/dropped/win64/orbits.dll" "$work/dropped/win32/orbits.dll" \
  "$work/dropped/linux-x86_64/orbits.so"

# The plugin's clock steered through the DLL's import table: each frame at
# its exact time even with a slowed output, as on Linux.
steered=(--set Speed=1 --size 320x180 --frames 4 --fps 16)
step "steered render under Wine (Speed 1, slowed output)" \
  env FFGL_HOST_TEST_FRAME_DELAY_MS=200 "$WINELOADER" "$win_host" render "$win_dll" \
  "${steered[@]}" -o "$(windows_path "$work")\\wine-frames\\"
step "steered render on Linux (Speed 1)" \
  "$linux_dir/ffgl-host" render "$linux_dir/plugin/HelixmorphicsV1.so" "${steered[@]}" \
  -o "$work/linux-frames/"
step "steered frames match within 3/255" \
  "$linux_dir/tests/wine/compare-pictures" "$work/linux-frames/frame-000004.png" \
  "$work/wine-frames/frame-000004.png" 3
step "--input reads a PNG under Wine" \
  "$WINELOADER" "$win_host" render "$win_dll" --input "$(windows_path "$work/linux.png")" \
  --size 64x64 -o "$(windows_path "$work")\\with-input.png"

# expect STATUS TEXT COMMAND...: the command exits with STATUS and says TEXT.
expect() {
  local status=$1 text=$2 rc=0
  shift 2
  "$@" >"$work/said" 2>&1 || rc=$?
  cat "$work/said"
  if [[ $rc != "$status" ]] || ! grep -qF -- "$text" "$work/said"; then
    echo "expected exit status $status and: $text (got $rc)"
    return 1
  fi
}
# Nothing named like NAME is left in the work folder (temporaries included).
nothing_left() { ! ls -a "$work" | grep -qF -- "$1"; }
# play: its window (GLFW) and panel (Dear ImGui) on Xvfb, the plugin drawn
# into it; frame 10 is at 0.15 s on the scripted clock.
play_settings=(--set Speed=0 --size 320x180)
step "play under Wine (10 frames, screenshot)" \
  "$WINELOADER" "$win_host" play "$win_dll" "${play_settings[@]}" --frames 10 \
  --screenshot "$(windows_path "$work")\\play.png"
step "render on Linux for play (Speed 0, 0.15 s)" \
  "$linux_dir/ffgl-host" render "$linux_dir/plugin/HelixmorphicsV1.so" "${play_settings[@]}" \
  --start 0.15 -o "$work/play-frame.png"
step "play's window shows the plugin and the panel" \
  "$linux_dir/tests/wine/check-play-window" "$work/play.png" "$work/play-frame.png" 3
# A rebuild while playing: the new library is loaded from a fresh private
# copy; Windows keeps a loaded library's file, so each copy is deleted once
# its library is unloaded, and none is left in the user's temporary folder.
cp "$win64_dir/plugin/HelixmorphicsV1.dll" "$work/rebuilt.dll"
step "play under Wine reloads a rebuilt plugin" \
  expect 0 "reloaded $(windows_path "$work")\\rebuilt.dll" \
  env FFGL_HOST_TEST_REBUILD="3:$(windows_path "$win64_dir/examples/win64/HelixOrbits.dll")" \
  "$WINELOADER" "$win_host" play "$(windows_path "$work/rebuilt.dll")" --frames 10 \
  --screenshot "$(windows_path "$work")\\reloaded.png"
step "  ... and leaves no copy of the plugin behind" \
  test -z "$(find "$WINEPREFIX/drive_c" -name 'ffgl-play-*' -print -quit)"

crash_dll=$(windows_path "$win64_dir/tests/wine/crashing-plugin.dll")
crash="the plugin crashed (access violation) in FF_PROCESSOPENGL"
crash_render() {
  expect 3 "ffgl-host render: $crash" \
    "$WINELOADER" "$win_host" render "$crash_dll" -o "$(windows_path "$work")\\crash.png" &&
    nothing_left crash.png
}
# The packer's check on Windows is the driver's compiler: a mistake is
# refused at the file's own line and nothing is written.
printf 'void mainImage(out vec4 c, in vec2 p) {\n  c = vec4(1.0) +;\n}\n' >"$work/broken.glsl"
step "ffgl-pack.exe refuses a broken shader at its line" \
  expect 1 "broken.glsl:2: error" "$WINELOADER" "$(windows_path "$packer/ffgl-pack.exe")" \
  "$(windows_path "$work/broken.glsl")" -o "$(windows_path "$work")\\broken"
step "  ... and writes nothing" test ! -e "$work/broken"
step "a crashing plugin is named (render)" crash_render
step "a crashing plugin fails its check (validate)" \
  expect 1 "FAIL  frames without inputs: $crash" "$WINELOADER" "$win_host" validate "$crash_dll"
echo "not a library" >"$work/text.dll"
step "a load failure gives the system's reason" \
  expect 1 "is not a plugin library that can be loaded (" \
  "$WINELOADER" "$win_host" info "$(windows_path "$work/text.dll")"
interrupt_write() {
  "$WINELOADER" "$win_host" render "$win_dll" --size 8192x8192 \
    -o "$(windows_path "$work")\\big.png" >"$work/interrupted" 2>&1 &
  local pid=$! rc=0
  for _ in $(seq 600); do
    ls -a "$work" | grep -q '^\.big\.png\.' && break
    sleep 0.1
  done
  kill -INT "$pid"
  wait "$pid" || rc=$?
  cat "$work/interrupted"
  [[ $rc == 130 && $(cat "$work/interrupted") == "ffgl-host render: interrupted" ]] &&
    nothing_left big.png
}
step "Ctrl-C during a write leaves no file" interrupt_write
# Wine's programs find the stand-in through WINEPATH, not the Linux PATH.
fake_ffmpeg_path=$(windows_path "$win64_dir/tests/wine/fake-ffmpeg")
video() {
  WINEPATH=$fake_ffmpeg_path "$WINELOADER" "$win_host" render "$win_dll" --size 20x10 --frames 4 \
    -o "$(windows_path "$work")\\clip.gif" && [[ $(stat -c %s "$work/clip.gif") == 3200 ]]
}
step "video through ffmpeg" video
interrupt_video() {
  WINEPATH=$fake_ffmpeg_path "$WINELOADER" "$win_host" render "$win_dll" --size 64x64 \
    --frames 100000 --fast -o "$(windows_path "$work")\\clip.webm" >"$work/interrupted" 2>&1 &
  local pid=$! rc=0
  for _ in $(seq 600); do
    ls -a "$work" | grep -q '^\.clip\.webm\.' && break
    sleep 0.1
  done
  kill -INT "$pid"
  wait "$pid" || rc=$?
  cat "$work/interrupted"
  [[ $rc == 130 ]] && nothing_left clip.webm && ! pgrep -f 'fake-ffmpeg.ffmpeg' >/dev/null
  # (the stand-in is stopped by the host, not by this Ctrl-C: only the host gets it)
}
step "Ctrl-C stops ffmpeg and leaves no file" interrupt_video

finish_if_failed
report
echo "The 64-bit DLL runs under Wine: validate passes, the render matches Linux, crashes,"
echo "load failures and Ctrl-C are reported as on Linux."
