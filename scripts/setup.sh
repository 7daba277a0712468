#!/usr/bin/env bash
# Brings a fresh Debian bookworm machine to a state where the DLL, its tools and
# its tests build and run: i386 architecture, MinGW-w64 i686 compilers, 32-bit
# Wine, Xvfb, CMake, NSIS, zlib for MinGW and minizip built for i686, the
# Linux-side readers the tests check files with (Pillow, unzip, 7z, xmllint);
# clang with its sanitizer and libFuzzer runtimes and zlib for the native build.
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
  nsis python3 ca-certificates
  python3-pil unzip p7zip-full libxml2-utils
  python3-aiosmtpd python3-pyftpdlib dnsmasq-base openssl libgnutls30:i386
  clang libclang-rt-14-dev zlib1g-dev
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

# 32-bit programs: some kernels refuse them outright ("Exec format error").
# There the 32-bit Wine runs under qemu-i386 user-mode emulation, registered
# in binfmt_misc. Decided by trying a 32-bit program, not by kernel version; the
# registration does not survive a reboot, so every run checks it.
runs_32bit() { /usr/lib/wine/wineserver32 --version >/dev/null 2>&1; }
qemu_entry=/proc/sys/fs/binfmt_misc/qemu-i386
qemu_registered() { grep -qsx enabled "$qemu_entry"; }

if ! runs_32bit; then
  if ! dpkg-query -W -f='${Version}' qemu-user 2>/dev/null | grep -q '^1:1[0-9]'; then
    # Bookworm's own qemu (7.2) crashes and hangs under Wine; version 10 from
    # the backports suite runs it. The suite's Release file may count as
    # expired, hence the relaxed validity check on that update.
    log "this kernel cannot run 32-bit programs: installing qemu-user from bookworm-backports"
    as_root tee /etc/apt/sources.list.d/vipc-backports.sources >/dev/null <<SRC
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    as_root apt-get update -qq -o Acquire::Check-Valid-Until=false || true
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -t bookworm-backports \
      --no-install-recommends qemu-user >/dev/null
  fi
  if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    as_root mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  fi
  if [ -e "$qemu_entry" ] && ! grep -qsx 'interpreter /usr/bin/qemu-i386' "$qemu_entry"; then
    as_root sh -c "echo -1 > $qemu_entry"   # someone else's entry, another interpreter
  fi
  if [ ! -e "$qemu_entry" ]; then
    log "registering qemu-i386 as the interpreter of 32-bit x86 programs"
    # F opens the interpreter at once, so programs started from any folder
    # (and inside other mount namespaces) find it.
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' |
      as_root tee /proc/sys/fs/binfmt_misc/register >/dev/null
  fi
  qemu_registered || as_root sh -c "echo 1 > $qemu_entry"
  if ! runs_32bit; then
    log "32-bit programs still cannot run here, not even under qemu-i386:"
    /usr/lib/wine/wineserver32 --version 2>&1 | sed 's/^/setup:   /' >&2 || true
    exit 1
  fi
fi

# Under the emulation Wine needs the fault trap numbers mended (see
# tools/emulation/fault_trap_numbers.c): a 32-bit preload library and its
# do-nothing 64-bit twin, found through ld.so's $LIB.
if qemu_registered; then
  trapfix_source="$repo/tools/emulation/fault_trap_numbers.c"
  trapfix="$cache/fault-trap-numbers"
  trapfix_stamp=$(sha256sum "$trapfix_source" | cut -d' ' -f1)
  if [ "$(cat "$trapfix/stamp" 2>/dev/null)" != "$trapfix_stamp" ]; then
    if ! dpkg-query -W -f='${Status}' gcc-multilib 2>/dev/null | grep -q "install ok installed"; then
      log "installing gcc-multilib for the emulation's preload library"
      as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -t bookworm \
        --no-install-recommends gcc-multilib >/dev/null
    fi
    log "building the emulation's fault trap-number preload into $trapfix"
    mkdir -p "$trapfix/lib/i386-linux-gnu" "$trapfix/lib/x86_64-linux-gnu"
    gcc -m32 -O2 -Wall -Wextra -shared -fPIC -o "$trapfix/lib/i386-linux-gnu/libvipc_fault_trap_numbers.so" \
      "$trapfix_source" -ldl
    gcc -O2 -Wall -Wextra -shared -fPIC -o "$trapfix/lib/x86_64-linux-gnu/libvipc_fault_trap_numbers.so" \
      "$trapfix_source"
    echo "$trapfix_stamp" > "$trapfix/stamp"
  fi
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


