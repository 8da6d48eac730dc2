#!/usr/bin/env bash
# The performance figures: the plugin's frame time against this host drawing
# the built-in 599-character fragment text itself with the same uniforms, at
# 1280x720 and 1920x1080 (medians of interleaved blocks), instantiate time
# against a bare compile and link of the same texts, and heap allocations
# per frame. A benchmark, not a test: run it by hand on a quiet machine.
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
cmake --build "$build_dir" -j "$(nproc)" --target ffgl-host HelixmorphicsV1 >/dev/null

host="$build_dir/ffgl-host"
plugin="$build_dir/plugin/HelixmorphicsV1.so"
echo "== $(uname -m), $(nproc) cores, $(date -u +%Y-%m-%d)"
for size in 1280x720 1920x1080; do
  echo
  echo "== $size"
  "$host" bench "$plugin" --size "$size" --blocks "$blocks" --frames "$frames" \
    --baseline bench/helixmorphics-fragment.glsl
done
