#!/usr/bin/env bash
# Packs the release archives into dist/, each holding one folder with the
# library, README.md, docs/host-contract.md (what a host may rely on) and
# LICENSE:
#   HelixmorphicsV1-win32.zip          HelixmorphicsV1.dll (32-bit, the hosts' target)
#   HelixmorphicsV1-win64.zip          HelixmorphicsV1.dll (64-bit)
#   HelixmorphicsV1-linux-x86_64.tar.gz HelixmorphicsV1.so
# and the shader packer for each platform, each with the templates of all
# three targets beside it, docs/shader-plugins.md, the example shaders and
# LICENSE:
#   ffgl-pack-win32.zip                ffgl-pack.exe (32-bit)
#   ffgl-pack-win64.zip                ffgl-pack.exe (64-bit)
#   ffgl-pack-linux-x86_64.tar.gz      ffgl-pack
# The programs and libraries come from the mingw-i686, mingw-x86_64 and linux build
# folders (override with HELIX_BUILD_WIN32, HELIX_BUILD_WIN64,
# HELIX_BUILD_LINUX); --build builds those presets first. Debug information
# is stripped from the shipped copies. File times are the last commit's, so
# the same commit packs to the same bytes.
set -euo pipefail
cd "$(dirname "$0")/.."

build=0
case "${1:-}" in
  --build) build=1 ;;
  "") ;;
  *)
    echo "usage: $0 [--build]" >&2
    exit 2
    ;;
esac

win32_dir=${HELIX_BUILD_WIN32:-build/mingw-i686}
win64_dir=${HELIX_BUILD_WIN64:-build/mingw-x86_64}
linux_dir=${HELIX_BUILD_LINUX:-build/linux}

if ((build)); then
  for pair in "mingw-i686:$win32_dir" "mingw-x86_64:$win64_dir" "linux:$linux_dir"; do
    preset=${pair%%:*}
    cmake --preset "$preset" -B "${pair#*:}" >/dev/null
    cmake --build "${pair#*:}" -j "$(nproc)" --target HelixmorphicsV1 ffgl-pack HelixShaderTemplate
  done
fi

for document in README.md docs/host-contract.md LICENSE; do
  if [[ ! -f $document ]]; then
    echo "package: $document is missing from the repository root; every archive must carry it" >&2
    exit 1
  fi
done

epoch=$(git log -1 --format=%ct 2>/dev/null || date +%s)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p dist

# strip_into FOLDER FILE OBJDUMP FORMAT STRIP: copies the file without its
# debug information into FOLDER, after checking it is the expected kind of
# file (so swapped build folders cannot ship).
strip_into() {
  local folder=$1 file=$2 objdump=$3 format=$4 strip=$5
  if [[ ! -f $file ]]; then
    echo "package: no $file (build it first, or pass --build)" >&2
    exit 1
  fi
  local found
  found=$("$objdump" -f "$file" 2>/dev/null | sed -n 's/.*file format \(.*\)$/\1/p') || true
  if [[ $found != "$format" ]]; then
    echo "package: $file is ${found:-not a file objdump reads}, not $format" >&2
    exit 1
  fi
  mkdir -p "$folder"
  # The PE header carries a time stamp; the commit's keeps the bytes repeatable.
  SOURCE_DATE_EPOCH=$epoch "$strip" --strip-debug -o "$folder/$(basename "$file")" "$file"
}

# stage NAME LIBRARY OBJDUMP FORMAT STRIP: the library and the documents in
# $stage/NAME.
stage() {
  local name=$1
  strip_into "$stage/$name" "${@:2}"
  mkdir -p "$stage/$name/docs"
  cp README.md LICENSE "$stage/$name/"
  cp docs/host-contract.md "$stage/$name/docs/"
  find "$stage/$name" -exec touch -d "@$epoch" {} +
}

# stage_packer NAME PROGRAM OBJDUMP FORMAT STRIP: the packer, the three
# templates (stripped before, as a packed plugin cannot be), its manual and
# the examples in $stage/NAME.
stage_packer() {
  local name=$1 folder=$stage/$1
  strip_into "$folder" "${@:2}"
  strip_into "$folder/templates/win32" "$win32_dir/templates/win32/HelixShaderTemplate.dll" \
    i686-w64-mingw32-objdump pei-i386 i686-w64-mingw32-strip
  strip_into "$folder/templates/win64" "$win64_dir/templates/win64/HelixShaderTemplate.dll" \
    x86_64-w64-mingw32-objdump pei-x86-64 x86_64-w64-mingw32-strip
  strip_into "$folder/templates/linux-x86_64" \
    "$linux_dir/templates/linux-x86_64/HelixShaderTemplate.so" objdump elf64-x86-64 strip
  mkdir -p "$folder/examples"
  cp docs/shader-plugins.md "$folder/README.md"
  cp LICENSE "$folder/"
  cp examples/*.glsl "$folder/examples/"
  find "$folder" -exec touch -d "@$epoch" {} +
}

pack_tar() {
  local name=$1
  tar --sort=name --mtime="@$epoch" --owner=0 --group=0 --numeric-owner \
    -C "$stage" -cf - "$name" | gzip -n -9 >"dist/$name.tar.gz"
}

pack_zip() {
  local name=$1
  rm -f "dist/$name.zip"
  (cd "$stage" && find "$name" -print | LC_ALL=C sort | TZ=UTC zip -X -q -@ "$OLDPWD/dist/$name.zip")
}

stage HelixmorphicsV1-win32 "$win32_dir/plugin/HelixmorphicsV1.dll" \
  i686-w64-mingw32-objdump pei-i386 i686-w64-mingw32-strip
pack_zip HelixmorphicsV1-win32

stage HelixmorphicsV1-win64 "$win64_dir/plugin/HelixmorphicsV1.dll" \
  x86_64-w64-mingw32-objdump pei-x86-64 x86_64-w64-mingw32-strip
pack_zip HelixmorphicsV1-win64

stage HelixmorphicsV1-linux-x86_64 "$linux_dir/plugin/HelixmorphicsV1.so" \
  objdump elf64-x86-64 strip
pack_tar HelixmorphicsV1-linux-x86_64

stage_packer ffgl-pack-win32 "$win32_dir/ffgl-pack.exe" i686-w64-mingw32-objdump pei-i386 \
  i686-w64-mingw32-strip
pack_zip ffgl-pack-win32

stage_packer ffgl-pack-win64 "$win64_dir/ffgl-pack.exe" x86_64-w64-mingw32-objdump pei-x86-64 \
  x86_64-w64-mingw32-strip
pack_zip ffgl-pack-win64

stage_packer ffgl-pack-linux-x86_64 "$linux_dir/ffgl-pack" objdump elf64-x86-64 strip
pack_tar ffgl-pack-linux-x86_64

for archive in HelixmorphicsV1-win32.zip HelixmorphicsV1-win64.zip \
  HelixmorphicsV1-linux-x86_64.tar.gz ffgl-pack-win32.zip ffgl-pack-win64.zip \
  ffgl-pack-linux-x86_64.tar.gz; do
  printf '%-40s %8d bytes\n' "dist/$archive" "$(stat -c %s "dist/$archive")"
done
