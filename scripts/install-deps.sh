#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the preview and the tests need.
# Safe to run again; skips apt when everything is already there.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  libgtest-dev libgmock-dev googletest
  libegl-dev libopengl-dev libgl-dev libgl1-mesa-dri libegl-mesa0
  libpng-dev libstb-dev zlib1g-dev libz-mingw-w64-dev
  libglfw3-dev libimgui-dev
  glslang-dev nlohmann-json3-dev
  # glslang-dev's CMake package names glslangValidator, which glslang-tools
  # holds: without it find_package(glslang) stops.
  glslang-tools
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  # apt-get source unpacks GLFW's and Dear ImGui's source packages with
  # dpkg-source, for the Windows play (scripts/build-mingw-deps.sh).
  dpkg-dev
  clang libclang-rt-14-dev
  wine64 xvfb xauth
  debootstrap qemu-system-x86 e2fsprogs
  zip
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done

if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  log=$(mktemp)
  if ! { $sudo apt-get update -qq && DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"; } >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    rm -f "$log"
    echo "install-deps: installing the packages failed (the lines above say why)" >&2
    exit 1
  fi
  rm -f "$log"
  echo "Installed ${#missing[@]} packages"
fi
