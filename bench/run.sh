#!/usr/bin/env bash
# The performance figures: the plugin's frame time against this host drawing
# the built-in 599-character fragment text itself with the same uniforms, at
# 1280x720 and 1920x1080 (medians of interleaved blocks), instantiate time
# against a bare compile and link of the same texts, heap allocations per
# frame, and how long ffgl-pack takes to make a shader into plugins for the
# three targets. A benchmark, not a test: run it by hand on a quiet machine.
#
#   bash bench/run.sh                 # builds the linux preset first
#   BUILD_DIR=build/other bash bench/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${BUILD_DIR:-build/linux}
blocks=${BLOCKS:-15}
frames=${FRAMES:-20}

if [ "$build_dir" = build/linux ]; then
  cmake --preset linux >/dev/null
fi
cmake --build "$build_dir" -j "$(nproc)" --target ffgl-host HelixmorphicsV1 ffgl-pack \
  HelixShaderTemplate helix_baseline_fragment >/dev/null

host="$build_dir/ffgl-host"
plugin="$build_dir/plugin/HelixmorphicsV1.so"
echo "== $(uname -m), $(nproc) cores, $(date -u +%Y-%m-%d)"
for size in 1280x720 1920x1080; do
  echo
  echo "== $size"
  "$host" bench "$plugin" --size "$size" --blocks "$blocks" --frames "$frames" \
    --baseline "$build_dir/bench/helixmorphics-fragment.glsl"
done

# Packing: the Windows templates come from the mingw build folders when they
# have been built (scripts/test.sh and preview.sh build them).
templates=(--templates "$build_dir/templates")
targets=(--target linux-x86_64)
if [[ -d build/mingw-i686/templates/win32 && -d build/mingw-x86_64/templates/win64 ]]; then
  templates+=(--templates build/mingw-i686/templates --templates build/mingw-x86_64/templates)
  targets=()
fi
echo
echo "== ffgl-pack examples/orbits.glsl ${targets[*]:-(all three targets)}: wall time of 9 runs"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
times=()
for _ in $(seq 9); do
  start=$(date +%s%N)
  "$build_dir/ffgl-pack" examples/orbits.glsl "${templates[@]}" "${targets[@]}" -o "$out" -q
  times+=($(( ($(date +%s%N) - start) / 1000000 )))
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "min ${sorted[0]} ms, median ${sorted[4]} ms, max ${sorted[8]} ms"
