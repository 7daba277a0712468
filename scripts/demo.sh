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
#      and the registry values written;
#   7. the exception engine: a windowed host with a fault in its own code loads
#      the DLL under the virtual display; the classic dialog appears, a second
#      program reads it, saves its picture (dialog.png in the output folder),
#      types an e-mail address and presses "Don't Send"; the engine logs the
#      report, the process ends with the fault's code and the stored report is
#      printed from the log file;
#   8. the engine delivers: a copy of the DLL whose engine options the ELDATA tool
#      rewrites to file reports into the stand-in Mantis tracker on 127.0.0.1
#      (the DLL itself keeps its options file's address) faults twice in the same
#      host without a dialog; the first run files the bug, the second raises its
#      occurrence counter, and the tracker's bugs are printed after each run.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
build=${VIPC_BUILD_DIR:-$repo/build}

"$repo/scripts/build.sh" VInstallParamsClient IDAPI32 installer_host brisole_server idapi_aliases \
  idapi_install fault_host dialog_answer eldata_tool wine_prefix_ready >&2
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

echo
echo "== the exception engine: a fault in the code of a host of the DLL"
# The DLL is copied into the output folder: its log file lands beside it.
engine_unix="$folder_unix/engine"
engine_windows="${folder_windows}engine\\"
mkdir -p "$engine_unix"
cp bin/VInstallParamsClient.dll "$engine_unix/"
if [ -z "${DISPLAY:-}" ]; then
  # The dialog needs a display: the act runs under a virtual one of its own,
  # after the Wine server of the display-less steps above has gone (a server
  # started without a display would hand the dialog a desktop without one).
  wineserver -w 2>/dev/null || true
  xvfb=(xvfb-run -a -s "-screen 0 1280x1024x24")
else
  xvfb=()
fi
act_status=0
"${xvfb[@]}" bash -c '
  run() { "$0/wine-run.sh" "$@"; }
  run bin/fault_host.exe "$1VInstallParamsClient.dll" &
  host=$!
  run bin/dialog_answer.exe "$1dialog.png" --email demo@example.com | tr -d "\r"
  host_status=0
  wait $host || host_status=$?
  echo "the host ended with exit status $host_status (0xC0000005, the access violation, as the 8 bits a status keeps: 5)"
' "$build" "$engine_windows" 2>/dev/null || act_status=$?
log=$(ls "$engine_unix"/VInstallParamsClient*.elf 2>/dev/null | head -n 1)
echo "== the stored report, from $(basename "${log:-the log file}")"
if [ -n "$log" ]; then tr -d '\r' < "$log"; else echo "(no log file)"; act_status=1; fi
echo "== the dialog's picture: $engine_unix/dialog.png"
[ -f "$engine_unix/dialog.png" ] || act_status=1
[ $status -ne 0 ] || status=$act_status

echo
echo "== the engine delivers: the same fault's report filed twice into the stand-in Mantis tracker"
tracker_unix="$folder_unix/tracker"
tracker_windows="${folder_windows}tracker\\"
mkdir -p "$tracker_unix"
/usr/bin/python3 "$repo/tools/tracker_server/tracker_server.py" --port 0 \
  --port-file "$tracker_unix/port" --store "$tracker_unix/bugs.json" >/dev/null 2>&1 &
tracker=$!
trap 'kill $tracker 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$tracker_unix/port" ] && break; sleep 0.1; done
tracker_port=$(cat "$tracker_unix/port" 2>/dev/null || true)
deliver_status=0
if [ -z "$tracker_port" ]; then
  echo "(the stand-in tracker did not start)"
  deliver_status=1
else
  echo "the stand-in tracker listens on 127.0.0.1:$tracker_port"
  cp bin/VInstallParamsClient.dll "$tracker_unix/"
  run bin/eldata_tool.exe dump --module "${tracker_windows}VInstallParamsClient.dll" \
    --extract-debug "${tracker_windows}debug.bin" | tr -d '\r' > "$tracker_unix/options.txt"
  # No dialog: the report goes out as soon as it is logged.
  sed -i -e 's|^WebAddress = .*|WebAddress = "http://127.0.0.1/mantis"|' \
    -e "s|^WebServerPort = .*|WebServerPort = $tracker_port|" \
    -e 's|^TrackerLogin = .*|TrackerLogin = "reporter"|' \
    -e 's|^TrackerAuthPassword = .*|TrackerAuthPassword = "secret"|' \
    -e 's|^TrackerProjectName = .*|TrackerProjectName = "Brisole"|' \
    -e 's|^TrackerCategoryName = .*|TrackerCategoryName = "Installer"|' \
    -e 's|^DialogKind = .*|DialogKind = 0|' "$tracker_unix/options.txt"
  echo "options changed in the copy:"
  grep -E '^(WebDelivery|WebAddress|WebServerPort|TrackerLogin|TrackerProjectName|TrackerCategoryName|DialogKind) ' \
    "$tracker_unix/options.txt" | sed 's/^/  /'
  run bin/eldata_tool.exe embed --options "${tracker_windows}options.txt" \
    --module "${tracker_windows}VInstallParamsClient.dll" --debug-stream "${tracker_windows}debug.bin" \
    | tr -d '\r' || deliver_status=$?
  for round in 1 2; do
    # A fault already in the log counts as a duplicate and is not sent again:
    # each run starts with an empty log, as on a second workstation.
    rm -f "$tracker_unix"/VInstallParamsClient*.elf
    "${xvfb[@]}" "$build/wine-run.sh" bin/fault_host.exe "${tracker_windows}VInstallParamsClient.dll" \
      2>/dev/null || true
    echo "== the tracker's bugs after run $round"
    /usr/bin/python3 "$repo/tools/tracker_server/tracker_server.py" --list --store "$tracker_unix/bugs.json" \
      || deliver_status=1
  done
  grep -q -- '- 2\]' "$tracker_unix/bugs.json" || { echo "(the second run did not raise the counter)"; deliver_status=1; }
fi
kill $tracker 2>/dev/null || true
wait $tracker 2>/dev/null || true
trap - EXIT
[ $status -ne 0 ] || status=$deliver_status
exit $status
