#!/bin/bash
# Real shaders that this project did not write, from Debian's Kodi shadertoy
# packages, downloaded at test time into a cache outside the source tree
# (their texts are never committed). Each single-pass shader is packed,
# validated and rendered at two times; at least 95 % must pack, validate and
# draw a picture (not a single colour); how many change between the two
# times is reported. Pictures the visualisation's presets name are
# packed for their channels. Exit 77 (skipped) where the packages cannot be
# had.
#
# usage: real-shaders.sh BUILD_DIR [CACHE_DIR]
#   BUILD_DIR holds ffgl-pack, ffgl-host, templates/ and tests/wine/compare-pictures.
#   CACHE_DIR defaults to ${XDG_CACHE_HOME:-~/.cache}/helixmorphics-real-shaders.
# REAL_SHADERS_REPORT=FILE writes one line per failure ("file: step: cause").
set -u
build=$(cd "$1" && pwd)
cache=${2:-${XDG_CACHE_HOME:-$HOME/.cache}/helixmorphics-real-shaders}
packages="kodi-screensaver-shadertoy kodi-visualization-shadertoy-data"
mkdir -p "$cache" || exit 77

if ! ls "$cache"/kodi-visualization-shadertoy-data_*.deb "$cache"/kodi-screensaver-shadertoy_*.deb \
    >/dev/null 2>&1; then
  if ! (cd "$cache" && timeout 120 apt-get download $packages >/dev/null 2>&1); then
    echo "SKIP: cannot download $packages (no network or no Debian mirror)"
    exit 77
  fi
fi
tree="$cache/extracted"
if [ ! -d "$tree/usr/share/kodi/addons" ]; then
  for deb in "$cache"/*.deb; do dpkg-deb -x "$deb" "$tree" || exit 1; done
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
report=${REAL_SHADERS_REPORT:-$work/report}
: > "$report"

# --channelN options from the visualisation's presets: "texNN.png" names a
# picture of the add-on; "audio" and "" leave the channel unfed.
channels_for() {
  local addon=$1 name=$2 presets="$1/resources/presets.json"
  [ -f "$presets" ] || return 0
  grep -F "\"$name\"" "$presets" | head -1 | tr -d '[]' | tr ',' '\n' | sed 's/^ *"//; s/" *$//' |
    tail -n +3 | head -4 | {
      n=0
      while read -r texture; do
        case $texture in *.png) echo "--channel$n $addon/resources/$texture" ;; esac
        n=$((n + 1))
      done
    }
}

. "$(dirname "$0")/common.sh"
for shader in "$tree"/usr/share/kodi/addons/*/resources/shaders/*.glsl; do
  name=$(basename "$shader")
  case $name in main_display_* | main_shadertoy_* | *.vert.glsl) continue ;; esac
  addon=$(dirname "$(dirname "$(dirname "$shader")")")
  # shellcheck disable=SC2046
  try_shader "$name" "$shader" $(channels_for "$addon" "$name")
done

echo "real shaders: $drawn of $total packed, validated and drew a picture; $moving of them changed between 1 s and 3.7 s"
sed 's/^/  /' "$report"
[ "$total" -ge 60 ] && [ $((drawn * 100)) -ge $((total * 95)) ]
