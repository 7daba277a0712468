#!/usr/bin/env python3
"""The NSIS example client setup, end to end under Wine.

Builds examples/nsis/BrisoleClientSetup.nsi with makensis around the built
DLL, installs the stand-in database engine in a folder of its own through its
install step (nothing in the system folder), starts the stand-in Brisole
server and runs the setup silently from a "downloads" folder that also holds a
planted IDAPI32.DLL. Then checks the setup's exit status, the settings file,
the engine's journal and configuration file, the registry, and that the
planted library was never loaded. The engine's record is taken away again.

usage: nsis_client_setup_test.py --build <build tree> --script <.nsi> [--makensis PATH]
"""
import argparse
import os
import shutil
import subprocess
import sys
import threading
import time

CLIENT_KEY = r"HKCU\Software\Vesk\Brisole\Settings"
TUNING_KEY = r"HKLM\SOFTWARE\Borland\Database Engine\Settings\SYSTEM\INIT"
EXPECTED_INI = ("[BDE]\r\nDBAlias=BRISOLE\r\nDBConnectionString=127.0.0.1:/opt/brisole/data/brisole.gdb\r\n"
                "ServerName=127.0.0.1\r\n[Brisole]\r\nShare=\\\\BRISOLESRV\\Brisole\r\n")
EXPECTED_REGISTRY = [
    {"DatabaseAlias": ("REG_SZ", "BRISOLE"), "DatabasePassword": ("REG_SZ", "gravelpit"),
     "DatabaseUser": ("REG_SZ", "SYSDBA"), "TranslateFieldNames": ("REG_DWORD", "0x0")},
    {"MAXFILEHANDLES": ("REG_SZ", "1024"), "SHAREDMEMSIZE": ("REG_SZ", "8192"),
     "MAXBUFSIZE": ("REG_SZ", "8192"), "MEMSIZE": ("REG_SZ", "16")},
]


class Checks:
    def __init__(self):
        self.failed = 0

    def __call__(self, ok, what, shown=""):
        print(("ok     " if ok else "FAILED ") + what)
        if not ok:
            self.failed += 1
            if shown:
                print("       " + str(shown).replace("\n", "\n       "))
        return ok


class Workplace:
    """The build's programs and a fresh folder on the Wine prefix's drive C."""

    def __init__(self, build):
        self.bin = os.path.join(build, "bin")
        self.wine = os.path.join(build, "wine-run.sh")
        self.prefix = os.path.join(build, "wineprefix")
        name = "vipc-nsis-%d" % os.getpid()
        self.root, self.root_windows = os.path.join(self.prefix, "drive_c", name), "C:\\" + name + "\\"
        self.engine, self.downloads = os.path.join(self.root, "engine"), os.path.join(self.root, "downloads")
        os.makedirs(self.engine)
        os.makedirs(self.downloads)

    def windows(self, *parts):
        return self.root_windows + "\\".join(parts)

    def program(self, name):
        return os.path.join(self.bin, name)

    def read(self, *parts):
        try:
            with open(os.path.join(self.root, *parts), "rb") as f:
                return f.read().decode("cp1252")
        except FileNotFoundError:
            return None

    def batch(self, name, lines):
        """Runs the commands as one batch file: one Wine start for all of them."""
        with open(os.path.join(self.root, name), "w", newline="\r\n") as batch:
            batch.write("@echo off\n" + "\n".join(lines) + "\n")
        out = subprocess.run([self.wine, "cmd", "/c", self.windows(name)], capture_output=True, timeout=300)
        return out.stdout.decode("cp1252", "replace")

    def engines_in_system_folders(self):
        found = []
        for folder in ("system32", "syswow64"):
            path = os.path.join(self.prefix, "drive_c", "windows", folder)
            if os.path.isdir(path):
                found += [os.path.join(path, n) for n in os.listdir(path) if n.lower() == "idapi32.dll"]
        return found


def registry_values(output, keys):
    """{name: (type, data)} of each key, from the output of `reg query`s."""
    values, current = {key.upper(): {} for key in keys}, None
    short = {"HKEY_CURRENT_USER": "HKCU", "HKEY_LOCAL_MACHINE": "HKLM"}
    for line in output.splitlines():
        if line.startswith("HKEY_"):
            root, _, rest = line.strip().partition("\\")
            current = values.setdefault((short.get(root, root) + "\\" + rest).upper(), {})
            continue
        parts = line.strip().split(None, 2)
        if current is not None and len(parts) >= 2 and parts[1].startswith("REG_"):
            current[parts[0]] = (parts[1], parts[2] if len(parts) > 2 else "")
    return [values[key.upper()] for key in keys]


def query(keys):
    return ['reg query "%s"' % key for key in keys]


class StandInServer:
    """brisole_server.exe under Wine, answering the setup's two requests. A
    port that another program holds is waited for, as the test programs do."""

    def __init__(self, place, env, patience=180):
        deadline = time.monotonic() + patience
        while True:
            self.lines, self.listening = [], threading.Event()
            self.process = subprocess.Popen(
                [place.wine, place.program("brisole_server.exe"), "--bind", "127.0.0.1", "--port", "1001",
                 "--requests", "2", "--alias", "BRISOLE", "--connection", "/opt/brisole/data/brisole.gdb",
                 "--share", "\\\\BRISOLESRV\\Brisole"],
                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, env=env)
            self.reader = threading.Thread(target=self._collect)
            self.reader.start()
            self.listening.wait(300)
            if self.process.poll() is None or "error 10048" not in self.output():
                return
            self.reader.join()
            if time.monotonic() > deadline:
                return
            time.sleep(2)

    def _collect(self):
        for line in self.process.stdout:
            self.lines.append(line.rstrip())
            if "listening on" in line:
                self.listening.set()
        self.listening.set()

    def output(self):
        return "\n".join(self.lines)

    def stop(self, patience=60):
        try:
            self.process.wait(patience)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.reader.join()


def build_setup(check, place, makensis, script):
    setup = os.path.join(place.downloads, "BrisoleClientSetup.exe")
    built = subprocess.run([makensis, "-V2", "-DVIPC_DLL=" + place.program("VInstallParamsClient.dll"),
                            "-DOUTFILE=" + setup, script], capture_output=True, text=True)
    return check(built.returncode == 0 and os.path.isfile(setup), "makensis builds the setup",
                 built.stdout + built.stderr)


def install_engine(check, place):
    """The engine in its own folder, recorded by its install step; a planted
    library where the setup is started; the client's values cleared."""
    shutil.copy(place.program(os.path.join("engine", "IDAPI32.DLL")), place.engine)
    shutil.copy(place.program("planted_engine.dll"), os.path.join(place.downloads, "IDAPI32.DLL"))
    in_system = place.engines_in_system_folders()
    check(not in_system, "no IDAPI32.DLL in the system folder", in_system)
    step = subprocess.run([place.wine, place.program("idapi_install.exe"), place.windows("engine")],
                          capture_output=True, text=True, timeout=300)
    check(step.returncode == 0, "the engine's install step records it", step.stdout + step.stderr)
    keys = (CLIENT_KEY, TUNING_KEY)
    left = registry_values(place.batch("clear.bat", ['reg delete "%s" /f' % k for k in keys] + query(keys)), keys)
    check(left == [{}, {}], "the registry starts without the client's values", left)


def run_setup(check, place, env):
    try:
        ran = subprocess.run([place.wine, os.path.join(place.downloads, "BrisoleClientSetup.exe"), "/S",
                              "/D=" + place.windows("Brisole")],
                             cwd=place.downloads, env=env, capture_output=True, text=True, timeout=300)
        check(ran.returncode == 0, "the silent setup exits with 0 (both exports true)",
              "exit status %d\n%s" % (ran.returncode, ran.stdout + ran.stderr))
    except subprocess.TimeoutExpired:
        check(False, "the silent setup ends (a message window may be waiting)")


def check_results(check, place, server, registry):
    check(sum(" sent " in line for line in server.lines) == 2, "the server answered two requests",
          server.output())
    ini = place.read("Brisole", "BrisoleInstaller.ini")
    check(ini == EXPECTED_INI, "BrisoleInstaller.ini holds what the server sent", repr(ini))
    journal = (place.read("journal.txt") or "").splitlines()
    calls = [
        "DbiInit(" + place.windows("engine", "IDAPI32.CFG") + ") = 0x0000",
        "DbiCfgPosition(\\DATABASES\\BRISOLE) = 0x2104",
        'DbiAddAlias(BRISOLE, INTRBASE, SERVER NAME:"127.0.0.1";BLOB SIZE:"65535";'
        'BLOBS TO CACHE:"65535";SQLDIALECT:"1", persistent) = 0x0000',
        "DbiCfgSave() = 0x0000",
    ]
    check([c for c in journal if not c.startswith("DbiSetProp")][:4] == calls,
          "the recorded engine received the alias and saved it", "\n".join(journal))
    config = place.read("engine", "IDAPI32.CFG") or ""
    check("[DATABASES\\BRISOLE]\r\nTYPE=INTRBASE\r\nSERVER NAME=127.0.0.1\r\n" in config,
          "the engine's configuration file holds the alias", config)
    planted = place.read("planted.txt")
    check(planted is None, "the IDAPI32.DLL beside the setup was never loaded", planted)
    for values, expected in zip(registry, EXPECTED_REGISTRY):
        for name, value in expected.items():
            check(values.get(name) == value, "registry %s is %s %s" % ((name,) + value), values.get(name))
    in_system = place.engines_in_system_folders()
    check(not in_system, "still no IDAPI32.DLL in the system folder", in_system)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--script", required=True)
    parser.add_argument("--makensis", default="makensis")
    args = parser.parse_args()

    check = Checks()
    place = Workplace(os.path.abspath(args.build))
    remove_record = "Z:" + place.program("idapi_install.exe").replace("/", "\\") + " --remove"
    recorded = False
    try:
        if not build_setup(check, place, args.makensis, args.script):
            return 1
        env = dict(os.environ, IDAPI_JOURNAL=place.windows("journal.txt"),
                   VIPC_PLANTED_ENGINE_LOG=place.windows("planted.txt"))
        # The server first: while it runs, the Wine session stays up and each
        # later program starts quickly.
        server = StandInServer(place, env)
        try:
            if not check(server.process.poll() is None, "the stand-in server listens", server.output()):
                return 1
            recorded = True
            install_engine(check, place)
            run_setup(check, place, env)
        finally:
            server.stop()
        # The registry read back, and the engine's record taken away again.
        shown = place.batch("results.bat", query((CLIENT_KEY, TUNING_KEY)) + [remove_record])
        recorded = False
        check_results(check, place, server, registry_values(shown, (CLIENT_KEY, TUNING_KEY)))
    finally:
        if recorded:
            place.batch("remove.bat", [remove_record])
        shutil.rmtree(place.root, ignore_errors=True)

    print("%d check(s) failed" % check.failed if check.failed else "all checks passed")
    return 1 if check.failed else 0


if __name__ == "__main__":
    sys.exit(main())
