#!/usr/bin/env bash
# Builds GLFW and Dear ImGui (its GLFW and OpenGL 2 backends included) as
# static libraries for one mingw-w64 target, for `ffgl-host.exe play`.
# Debian packages neither for mingw, so both are built from Debian's own
# source packages, of the same versions as the Linux build's libglfw3-dev and
# libimgui-dev. The sources are fetched with `apt-get source` through a
# private source list for this machine's own mirror (apt checks the
# signatures; the machine's apt configuration is left alone).
#
# Usage: build-mingw-deps.sh TRIPLE   (i686-w64-mingw32 or x86_64-w64-mingw32)
# Prints the install prefix (include/, lib/) as its last line. The result is
# cached outside the repository in $HELIX_MINGW_DEPS_CACHE (default
# /var/cache/helixmorphics/mingw-deps, or ~/.cache/helixmorphics/mingw-deps
# when that cannot be written), keyed by the package versions, this recipe
# and the compiler, so a change to any of them builds again. Called by the
# Windows configure (host/play/CMakeLists.txt).
set -euo pipefail

triple=${1:-}
case "$triple" in
  i686-w64-mingw32 | x86_64-w64-mingw32) ;;
  *)
    echo "usage: $0 i686-w64-mingw32|x86_64-w64-mingw32" >&2
    exit 2
    ;;
esac
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
source "$here/lib/apt-mirror.sh"

say() { echo "build-mingw-deps: $*" >&2; }
fail() {
  say "$*"
  exit 1
}

for tool in "$triple-g++" "$triple-ar" cmake dpkg-source apt-get flock; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done

# The source package and version behind an installed binary package.
source_of() {
  local binary=$1 line
  line=$(dpkg-query -W -f='${source:Package} ${source:Version}' "$binary" 2>/dev/null) ||
    fail "$binary is not installed (scripts/install-deps.sh installs it)"
  echo "${line// /=}"
}
glfw=$(source_of libglfw3-dev)
imgui=$(source_of libimgui-dev)

cache=${HELIX_MINGW_DEPS_CACHE:-/var/cache/helixmorphics/mingw-deps}
if ! mkdir -p "$cache" 2>/dev/null || [[ ! -w $cache ]]; then
  [[ -n ${HELIX_MINGW_DEPS_CACHE:-} ]] && fail "cannot write to $cache"
  cache=${XDG_CACHE_HOME:-$HOME/.cache}/helixmorphics/mingw-deps
  mkdir -p "$cache"
fi

# The same key for both targets, so that each keeps the other's build.
recipe=$({
  cat "$0" "$root"/cmake/mingw-w64-*.cmake
  "$triple-g++" -dumpversion
  cmake --version | head -1
} | sha256sum | cut -c1-16)
versions="${glfw//=/_}+${imgui//=/_}"
prefix=$cache/$versions-$recipe/$triple
if [[ -f $prefix/complete ]]; then
  echo "$prefix"
  exit 0
fi

# One builder at a time (the two Windows presets may configure together).
exec {lock}>"$cache/.lock"
flock "$lock"
if [[ -f $prefix/complete ]]; then
  echo "$prefix"
  exit 0
fi
start=$SECONDS

# --- The sources, once per version pair ---------------------------------------
sources=$cache/sources/$versions
if [[ ! -f $sources/complete ]]; then
  suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  mirror=$(apt_mirror "$suite")
  [[ -n $suite && -n $mirror ]] || fail "no Debian ${suite:-?} mirror in /etc/apt sources"
  rm -rf "$sources" "$sources.apt"
  apt=$sources.apt
  mkdir -p "$apt/lists/partial" "$apt/archives/partial" "$sources.tmp"
  keyring=/usr/share/keyrings/debian-archive-keyring.gpg
  signed=""
  [[ -f $keyring ]] && signed="[signed-by=$keyring] "
  echo "deb-src $signed$mirror $suite main" >"$apt/sources.list"
  options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt" -o "Dir::Cache::Archives=$apt/archives"
    -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache= -o APT::Sandbox::User=root)
  say "fetching the sources of $glfw and $imgui from $mirror"
  apt-get "${options[@]}" -qq update >&2 || fail "apt-get update through $apt/sources.list failed"
  (cd "$sources.tmp" && apt-get "${options[@]}" -qq source "$glfw" "$imgui" >&2) ||
    fail "apt-get source $glfw $imgui failed"
  rm -rf "$apt"
  mv -T "$sources.tmp" "$sources"
  touch "$sources/complete"
fi
glfw_tree=$(find "$sources" -mindepth 1 -maxdepth 1 -type d -name 'glfw3-*')
imgui_tree=$(find "$sources" -mindepth 1 -maxdepth 1 -type d -name 'imgui-*')
[[ -d $glfw_tree && -d $imgui_tree ]] || fail "the unpacked sources are missing in $sources"

# --- The build, in a temporary folder renamed into place -----------------------
building=$prefix.building-$$
work=$(mktemp -d)
trap 'rm -rf "$work" "$building"' EXIT
mkdir -p "$building/include/imgui/backends" "$building/lib"

say "building GLFW ($glfw) for $triple"
cmake -S "$glfw_tree" -B "$work/glfw" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-${triple%%-*}.cmake" \
  -DCMAKE_INSTALL_PREFIX="$building" -DBUILD_SHARED_LIBS=OFF -DGLFW_BUILD_EXAMPLES=OFF \
  -DGLFW_BUILD_TESTS=OFF -DGLFW_BUILD_DOCS=OFF -DGLFW_INSTALL=ON >"$work/glfw.log" 2>&1 &&
  cmake --build "$work/glfw" -j 2 >>"$work/glfw.log" 2>&1 &&
  cmake --install "$work/glfw" >>"$work/glfw.log" 2>&1 || {
  tail -30 "$work/glfw.log" >&2
  fail "building GLFW failed"
}

# Dear ImGui as Debian's library is: the core, the demo window and the two
# backends play uses, with its own copies of stb's font packer and rasteriser
# (Debian's libstb is a Linux library).
say "building Dear ImGui ($imgui) for $triple"
units=(imgui.cpp imgui_draw.cpp imgui_tables.cpp imgui_widgets.cpp imgui_demo.cpp
  backends/imgui_impl_glfw.cpp backends/imgui_impl_opengl2.cpp)
mkdir -p "$work/imgui"
for unit in "${units[@]}"; do printf '%s\n%s\n' "$unit" "$work/imgui/$(basename "$unit" .cpp).o"; done |
  (cd "$imgui_tree" && CXX="$triple-g++" INCLUDE="$building/include" xargs -d '\n' -n 2 -P 2 \
    sh -c '"$CXX" -O2 -std=c++11 -I. -I"$INCLUDE" -c "$0" -o "$1"') >"$work/imgui.log" 2>&1 || {
  tail -30 "$work/imgui.log" >&2
  fail "building Dear ImGui failed"
}
"$triple-ar" rcs "$building/lib/libimgui.a" "$work"/imgui/*.o
cp "$imgui_tree"/*.h "$building/include/imgui/"
cp "$imgui_tree"/backends/imgui_impl_glfw.h "$imgui_tree"/backends/imgui_impl_opengl2.h \
  "$building/include/imgui/backends/"

echo "$glfw $imgui" >"$building/versions"
touch "$building/complete"
rm -rf "$prefix"
mv -T "$building" "$prefix"
# Builds of other versions or recipes are of no further use.
for old in "$cache"/*; do
  [[ $(basename "$old") =~ ^glfw3_.*-[0-9a-f]{16}$ && $old != "$(dirname "$prefix")" ]] &&
    rm -rf "$old"
done
for old in "$cache"/sources/*; do
  [[ $old == "$sources" ]] || rm -rf "$old"
done
say "built in $((SECONDS - start)) s: $prefix"
echo "$prefix"
