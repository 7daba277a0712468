"""Peers for the delivery tests: real servers on loopback beside a Wine test
program.

A test folder's driver starts its peers on free ports, hands their ports to
the test program through its environment, runs it, then stops the peers.
Peers journal what they received into a folder the program can read back
(VIPC_PEER_JOURNAL), so a test can check what arrived byte for byte.

    with PeerRun(sys.argv[1:]) as run:
        run.start(HttpPeer(...), "VIPC_HTTP_PORT")
        sys.exit(run.execute())
"""
import os
import socket
import subprocess
import sys
import tempfile
import threading


def free_port(host="127.0.0.1", kind=socket.SOCK_STREAM):
    """A port nobody listens on right now."""
    with socket.socket(socket.AF_INET, kind) as s:
        s.bind((host, 0))
        return s.getsockname()[1]


class Journal:
    """What a peer received, one file per entry, in order of arrival."""

    def __init__(self, folder, name):
        self.folder = os.path.join(folder, name)
        os.makedirs(self.folder, exist_ok=True)
        self._lock = threading.Lock()
        self._count = 0

    def write(self, kind, data):
        if isinstance(data, str):
            data = data.encode("latin-1", "replace")
        with self._lock:
            self._count += 1
            path = os.path.join(self.folder, "%04d-%s" % (self._count, kind))
        with open(path, "wb") as f:
            f.write(data)
        return path


class PeerRun:
    """Peers started for one run of a test program, stopped afterwards."""

    def __init__(self, command):
        if not command:
            sys.exit("usage: driver.py <test program command...>")
        self.command = command
        self.env = dict(os.environ)
        self._stops = []
        self._tmp = tempfile.TemporaryDirectory(prefix="vipc-peers-")
        self.journal_root = self._tmp.name
        self.env["VIPC_PEER_JOURNAL"] = self.journal_root

    def journal(self, name):
        return Journal(self.journal_root, name)

    def start(self, peer, variable=None):
        """Starts `peer` (an object with start() -> port and stop())."""
        port = peer.start()
        if variable:
            self.env[variable] = str(port)
        self._stops.append(peer.stop)
        return port

    def set(self, variable, value):
        self.env[variable] = str(value)

    def execute(self, timeout=1200):
        try:
            return subprocess.run(self.command, env=self.env, timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            print("test program did not end within %d s" % timeout, file=sys.stderr)
            return 1

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        for stop in reversed(self._stops):
            try:
                stop()
            except Exception as error:  # a peer that fails to stop must not hide the result
                print("peer stop failed: %s" % error, file=sys.stderr)
        self._tmp.cleanup()
        return False


class ThreadedServerPeer:
    """A socketserver-style server (HTTP, proxy, tracker) run on a thread."""

    def __init__(self, make_server):
        self._make_server = make_server
        self.server = None
        self._thread = None

    def start(self):
        self.server = self._make_server(("127.0.0.1", 0))
        self._thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self._thread.start()
        return self.server.server_address[1]

    def stop(self):
        self.server.shutdown()
        self.server.server_close()
