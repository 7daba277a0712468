#!/usr/bin/env bash
# The main job: the DLL used as the Brisole installer uses it, against the
# stand-in Brisole server on this machine.
#   1. build the DLL, the installer host and the stand-in server;
#   2. start the server on 127.0.0.1, UDP port 1001;
#   3. call SetParameters(0, "127.0.0.1", <fresh folder>) through the host;
#   4. print the BrisoleInstaller.ini it wrote; stop the server;
#   5. install the stand-in database engine as a real installation is: it stays
#      in its own folder (build/bin/engine, on no search path) and its install
#      step records that folder and a fresh configuration file in the registry;
#   6. call SetBDEConfig(0, <alias>, <server>) with what the server sent, from a
#      host that restricts its library search as NSIS 3 installers do, and
#      print the alias as the engine stores it, the calls the engine received
#      and the registry values written.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${VIPC_BUILD_DIR:-$repo/build}

"$repo/scripts/build.sh" VInstallParamsClient IDAPI32 installer_host brisole_server idapi_aliases \
  idapi_install wine_prefix_ready >&2
cd "$build"
. "$build/wine-env.sh"
echo "32-bit code runs here: $VIPC_I386_EXECUTION"
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
ini="$folder_unix/BrisoleInstaller.ini"
if [ ! -f "$ini" ]; then
  echo "(not written)"
  exit $status
fi
tr -d '\r' < "$ini"

ini_value() { tr -d '\r' < "$ini" | sed -n "s/^$1=//p" | head -n 1; }
alias_name=$(ini_value DBAlias)
server_name=$(ini_value ServerName)
export IDAPI_JOURNAL="${folder_windows}engine-calls.txt"

echo
echo "== installing the stand-in database engine"
engine_windows="Z:$(printf '%s' "$build/bin/engine" | tr / '\\')"
run bin/idapi_install.exe "$engine_windows" "${folder_windows}IDAPI32.CFG" | tr -d '\r'

echo
echo "== SetBDEConfig(0, \"$alias_name\", \"$server_name\"), library search restricted to the system folder"
run bin/installer_host.exe --system-dlls-only SetBDEConfig "$alias_name" "$server_name" || status=$?
echo "== the database engine's aliases"
run bin/idapi_aliases.exe | tr -d '\r'
echo "== the calls the database engine received"
tr -d '\r' < "$folder_unix/engine-calls.txt"
echo "== registry"
run reg query 'HKCU\Software\Vesk\Brisole\Settings' | tr -d '\r' | sed '/^$/d'
run reg query 'HKLM\Software\Borland\Database Engine\Settings\SYSTEM\INIT' | tr -d '\r' | sed '/^$/d'
exit $status
