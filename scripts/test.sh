#!/usr/bin/env bash
# Runs the whole test suite on a fresh Debian 12 machine: installs what is
# missing, builds the four presets, runs the test suite under the normal and
# the sanitizer build and the concurrent-hosts test under the thread
# sanitizer, and checks the Windows DLLs.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

jobs=$(nproc)

# The Windows DLLs first: the Linux test suite checks the 32-bit one's
# binary interface.
for preset in mingw-i686 mingw-x86_64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

for preset in linux linux-asan; do
  echo "== tests: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  # The real shaders (Debian's Kodi packages, downloaded at test time) are
  # packed and drawn once, in the normal build: under the sanitizers their
  # minutes of llvmpipe drawing would check nothing more.
  exclude=()
  [[ $preset == linux-asan ]] && exclude=(-LE realshaders)
  ctest --preset "$preset" -j "$jobs" "${exclude[@]}"
done

# Only the plugin and the concurrent-hosts test: the rest of the suite is not
# run under the thread sanitizer.
echo "== concurrent hosts under ThreadSanitizer"
cmake --preset linux-tsan >/dev/null
cmake --build --preset linux-tsan -j "$jobs"
# Without address randomisation: GCC 12's thread sanitizer refuses some of the
# memory layouts that newer kernels' randomisation produces.
setarch "$(uname -m)" -R ctest --preset linux-tsan

echo "== fuzz: bounded run"
bash scripts/fuzz.sh

echo "== the 64-bit Windows DLL under Wine"
bash scripts/test-wine.sh

echo "== the 32-bit Windows DLL under 32-bit Wine in an emulated guest"
bash scripts/test-win32.sh

echo "== release archives"
bash scripts/package.sh
