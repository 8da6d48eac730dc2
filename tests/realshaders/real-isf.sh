#!/bin/bash
# Real ISF files that this project did not write: the examples and test
# files of the ISF renderer's npm package, fetched with npm at test time into
# a cache outside the source tree (never committed). Each is packed,
# validated and drawn at two times, effects given the test card and
# transitions two pictures of it; at least 95 % must pass. The one file
# that package keeps to show a malformed header must be refused. Exit 77
# (skipped) where npm or the package cannot be had.
#
# usage: real-isf.sh BUILD_DIR [CACHE_DIR]
# REAL_SHADERS_REPORT=FILE writes one line per failure ("file: step: cause").
set -u
build=$(cd "$1" && pwd)
cache=${2:-${XDG_CACHE_HOME:-$HOME/.cache}/helixmorphics-real-isf}
package=interactive-shader-format@2.9.0
mkdir -p "$cache" || exit 77

tree="$cache/package"
if [ ! -d "$tree/examples" ]; then
  if ! command -v npm >/dev/null ||
     ! (cd "$cache" && timeout 120 npm pack "$package" >/dev/null 2>&1); then
    echo "SKIP: cannot fetch $package (no npm or no registry)"
    exit 77
  fi
  tar -xzf "$cache"/interactive-shader-format-*.tgz -C "$cache" || exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
report=${REAL_SHADERS_REPORT:-$work/report}
: > "$report"

. "$(dirname "$0")/common.sh"
refused=yes
for shader in "$tree"/examples/*.fs "$tree"/tests/assets/*.fs; do
  name=$(basename "$shader")
  if [ "$name" = bad-metadata.fs ]; then
    "$build/ffgl-pack" "$shader" --target linux-x86_64 --templates "$build/templates" \
      -o "$work/refused" -q 2>/dev/null && refused=no
    continue
  fi
  try_shader "$name" "$shader"
done

echo "real ISF files: $drawn of $total packed, validated and drew a picture; $moving of them changed between 1 s and 3.7 s; the malformed header refused: $refused"
sed 's/^/  /' "$report"
[ "$refused" = yes ] && [ "$total" -ge 10 ] && [ $((drawn * 100)) -ge $((total * 95)) ]
