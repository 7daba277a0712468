#!/usr/bin/python3
"""Runs tracker_tests against the three stand-in trackers of
tools/tracker_server, each on a free loopback port named in the program's
environment (VIPC_MANTIS_PORT, VIPC_BUGZILLA_PORT, VIPC_FOGBUGZ_PORT)."""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "..", "tools", "tracker_server"))

from peers import PeerRun, ThreadedServerPeer  # noqa: E402
from tracker_server import make_server  # noqa: E402


def main():
    with PeerRun(sys.argv[1:]) as run:
        for kind in ("mantis", "bugzilla", "fogbugz"):
            run.start(ThreadedServerPeer(lambda address, kind=kind: make_server(kind, address)),
                      "VIPC_%s_PORT" % kind.upper())
        return run.execute()


if __name__ == "__main__":
    sys.exit(main())
