#!/usr/bin/env bash
# Brings a fresh Debian bookworm machine to a state where the DLL, its tools and
# its tests build and run: i386 architecture, MinGW-w64 i686 compilers, 32-bit
# Wine, Xvfb, CMake, zlib for MinGW and minizip built for i686.
# Idempotent: a second run checks and returns quietly.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
cache=${VIPC_CACHE:-$HOME/.cache/vinstallparamsclient}
minizip_prefix="$cache/minizip-i686"

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
log() { echo "setup: $*" >&2; }

packages=(
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  mingw-w64-i686-dev libz-mingw-w64-dev
  wine wine32:i386 xvfb xauth x11-utils xdotool
  cmake make ninja-build dpkg-dev clang-format googletest
  python3 ca-certificates
)

missing_packages() {
  local p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  log "adding the i386 architecture"
  as_root dpkg --add-architecture i386
  need_update=1
fi

missing=$(missing_packages)
if [ -n "$missing" ]; then
  log "installing: $(echo $missing | tr '\n' ' ')"
  # The i386 security index may fail to download; the bookworm suite keeps
  # amd64 and i386 versions in step either way.
  as_root apt-get update -qq || true
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -t bookworm \
    --no-install-recommends $missing >/dev/null
fi

# minizip: not packaged for MinGW. Build it from contrib/minizip of Debian's
# zlib source package into a cache folder outside the repository.
if [ ! -f "$minizip_prefix/lib/libminizip.a" ]; then
  log "building minizip for i686 into $minizip_prefix"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  list=/etc/apt/sources.list.d/vipc-deb-src.sources
  as_root tee "$list" >/dev/null <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  as_root apt-get update -qq -o Dir::Etc::sourcelist="$list" -o Dir::Etc::sourceparts=- || true
  (cd "$work" && apt-get source -qq --download-only zlib >/dev/null 2>&1) || {
    as_root rm -f "$list"; log "could not fetch the zlib source package"; exit 1; }
  as_root rm -f "$list"
  as_root apt-get update -qq >/dev/null 2>&1 || true
  (cd "$work" && dpkg-source -x --no-check zlib_*.dsc src >/dev/null)
  mz="$work/src/contrib/minizip"
  mkdir -p "$minizip_prefix/lib" "$minizip_prefix/include/minizip"
  objs=()
  for f in zip unzip ioapi iowin32; do
    i686-w64-mingw32-gcc-posix -O2 -I"$mz" -c "$mz/$f.c" -o "$work/$f.o" \
      -Wno-implicit-function-declaration
    objs+=("$work/$f.o")
  done
  i686-w64-mingw32-ar rcs "$minizip_prefix/lib/libminizip.a" "${objs[@]}"
  cp "$mz"/{zip.h,unzip.h,ioapi.h,iowin32.h,crypt.h} "$minizip_prefix/include/minizip/"
fi


