#!/usr/bin/env bash
# The main job: the DLL used as the Brisole installer uses it, against the
# stand-in Brisole server on this machine.
#   1. build the DLL, the installer host and the stand-in server;
#   2. start the server on 127.0.0.1, UDP port 1001;
#   3. call SetParameters(0, "127.0.0.1", <fresh folder>) through the host;
#   4. print the BrisoleInstaller.ini it wrote; stop the server.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${VIPC_BUILD_DIR:-$repo/build}

"$repo/scripts/build.sh" VInstallParamsClient installer_host brisole_server wine_prefix_ready >&2
cd "$build"
export WINEPREFIX="$build/wineprefix"
run() { "$build/wine-run.sh" "$@"; }

stamp=$(date +%Y%m%d-%H%M%S)
folder_unix="$WINEPREFIX/drive_c/BrisoleDemo/$stamp"
folder_windows="C:\\BrisoleDemo\\$stamp\\"

echo "== starting the stand-in Brisole server on 127.0.0.1:1001"
run bin/brisole_server.exe --bind 127.0.0.1 --port 1001 --requests 2 \
  --alias BRISOLE --connection /opt/brisole/data/brisole.gdb --share '\\BRISOLESRV\Brisole' &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
sleep 1

echo "== SetParameters(0, \"127.0.0.1\", \"$folder_windows\")"
status=0
run bin/installer_host.exe SetParameters 127.0.0.1 "$folder_windows" || status=$?
sleep 0.5
kill $server 2>/dev/null || true
wait $server 2>/dev/null || true
trap - EXIT

echo "== $folder_windows""BrisoleInstaller.ini"
if [ -f "$folder_unix/BrisoleInstaller.ini" ]; then
  tr -d '\r' < "$folder_unix/BrisoleInstaller.ini"
else
  echo "(not written)"
fi
exit $status
