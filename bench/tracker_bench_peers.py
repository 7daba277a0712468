"""Starts the stand-in Mantis tracker (tools/tracker_server) on a free
loopback port, runs the tracker benchmark with the port in its environment
(VIPC_MANTIS_PORT), and stops it.

    python3 bench/tracker_bench_peers.py build/wine-run.sh build/bin/tracker_bench.exe
"""
import os
import sys

here = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(here, "..", "tests", "peers"),
                os.path.join(here, "..", "tools", "tracker_server")]

from peers import PeerRun, ThreadedServerPeer  # noqa: E402
from tracker_server import make_server  # noqa: E402


def main():
    with PeerRun(sys.argv[1:]) as run:
        run.start(ThreadedServerPeer(lambda address: make_server("mantis", address)),
                  "VIPC_MANTIS_PORT")
        return run.execute()


if __name__ == "__main__":
    sys.exit(main())
