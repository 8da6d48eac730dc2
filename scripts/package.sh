#!/usr/bin/env bash
# Packs the release archives into dist/, each holding one folder with the
# library, README.md, docs/host-contract.md (what a host may rely on) and
# LICENSE:
#   HelixmorphicsV1-win32.zip          HelixmorphicsV1.dll (32-bit, the hosts' target)
#   HelixmorphicsV1-win64.zip          HelixmorphicsV1.dll (64-bit)
#   HelixmorphicsV1-linux-x86_64.tar.gz HelixmorphicsV1.so
# The libraries come from the mingw-i686, mingw-x86_64 and linux build
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
    cmake --build "${pair#*:}" -j "$(nproc)" --target HelixmorphicsV1
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

# stage NAME LIBRARY OBJDUMP FORMAT STRIP: copies the library (checked to be
# the expected kind of file, so swapped build folders cannot ship) and the
# documents into $stage/NAME.
stage() {
  local name=$1 library=$2 objdump=$3 format=$4 strip=$5
  if [[ ! -f $library ]]; then
    echo "package: no $library (build it first, or pass --build)" >&2
    exit 1
  fi
  local found
  found=$("$objdump" -f "$library" 2>/dev/null | sed -n 's/.*file format \(.*\)$/\1/p') || true
  if [[ $found != "$format" ]]; then
    echo "package: $library is ${found:-not a library objdump reads}, not $format" >&2
    exit 1
  fi
  mkdir -p "$stage/$name"
  # The PE header carries a time stamp; the commit's keeps the bytes repeatable.
  SOURCE_DATE_EPOCH=$epoch "$strip" --strip-debug -o "$stage/$name/$(basename "$library")" "$library"
  mkdir -p "$stage/$name/docs"
  cp README.md LICENSE "$stage/$name/"
  cp docs/host-contract.md "$stage/$name/docs/"
  find "$stage/$name" -exec touch -d "@$epoch" {} +
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
tar --sort=name --mtime="@$epoch" --owner=0 --group=0 --numeric-owner \
  -C "$stage" -cf - HelixmorphicsV1-linux-x86_64 | gzip -n -9 >dist/HelixmorphicsV1-linux-x86_64.tar.gz

for archive in HelixmorphicsV1-win32.zip HelixmorphicsV1-win64.zip HelixmorphicsV1-linux-x86_64.tar.gz; do
  printf '%-40s %8d bytes\n' "dist/$archive" "$(stat -c %s "dist/$archive")"
done
