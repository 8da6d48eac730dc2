#!/usr/bin/env bash
# The first thing to run on a fresh clone: installs what the build needs,
# builds the plugin and the example shader plugins (Linux, and the 32- and
# 64-bit Windows DLLs) and the headless host, checks the plugin, and
# renders a preview of the effect with its default settings into out/:
# a contact sheet of 12 frames over three seconds (out/preview.png), and an
# animated GIF (out/preview.gif) when ffmpeg is installed; beside it one
# contact sheet per example (out/preview-<example>.png). No display or GPU
# is needed: OpenGL runs on Mesa's software renderer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

# PREVIEW_BUILD_DIR builds the same preset elsewhere (parallel checkouts).
build_dir=${PREVIEW_BUILD_DIR:-build/linux}
cmake --preset linux -B "$build_dir" >/dev/null
examples=(HelixTestCard HelixOrbits HelixRipple)
cmake --build "$build_dir" -j "$(nproc)" --target ffgl-host HelixmorphicsV1 "${examples[@]}"

# The Windows DLLs too (32-bit for the hosts, 64-bit), unless asked not to.
if [ "${PREVIEW_LINUX_ONLY:-0}" != 1 ]; then
  for preset in mingw-i686 mingw-x86_64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$(nproc)" --target HelixmorphicsV1 "${examples[@]}" \
      >/dev/null
    echo "built build/$preset/plugin/HelixmorphicsV1.dll and the examples in build/$preset/examples/win*/"
  done
fi

host=$build_dir/ffgl-host
plugin=$build_dir/plugin/HelixmorphicsV1.so
mkdir -p out

"$host" validate "$plugin" >out/validate.txt || {
  cat out/validate.txt
  exit 1
}
echo "validate: $(tail -n 1 out/validate.txt)"

# Frames a quarter of a second apart on the plugin's own clock.
"$host" render "$plugin" --size 480x270 --frames 12 --fps 4 --sheet 4 -o out/preview.png

# The examples, on the same clock. The effect's input is a still of the test
# card, so its bending of a picture shows.
sheet=(--size 480x270 --frames 12 --fps 4 --sheet 4)
"$host" render "$build_dir/examples/linux-x86_64/HelixTestCard.so" --set Speed=0 --size 480x270 \
  -o out/test-picture.png >/dev/null
for example in "${examples[@]}"; do
  inputs=()
  [[ $example == HelixRipple ]] && inputs=(--input out/test-picture.png)
  "$host" render "$build_dir/examples/linux-x86_64/$example.so" "${inputs[@]}" "${sheet[@]}" \
    -o "out/preview-$example.png"
done

if command -v ffmpeg >/dev/null 2>&1; then
  "$host" render "$plugin" --size 480x270 --frames 60 --fps 20 -o out/preview.gif
else
  echo "(ffmpeg is not installed: no out/preview.gif; the contact sheet shows the motion)"
fi
echo "Preview written to $(pwd)/out/"
