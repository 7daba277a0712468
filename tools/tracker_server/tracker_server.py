#!/usr/bin/python3
"""tracker_server: a stand-in bug tracker on loopback for the tracker
senders, serving the web pages of a Mantis (the default), Bugzilla or
FogBugz tracker as the senders walk through them.

It keeps the bugs it was sent (in memory, and in a JSON file with --store),
demands the session cookie it set at login, and lists the bugs with --list
or at GET /bugs.json (GET /bugs.txt gives them one value a line, for
programs). GET /control switches it to misbehave (refuse=, cut=, drop= a
step; option=; bug=N&status=S; reset=1).

    tracker_server.py [--tracker mantis|bugzilla|fogbugz] [--port N] [--port-file F]
                      [--store FILE] [--verbose]
    tracker_server.py --list --store FILE [--tracker ...]
"""
import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from bugzilla import BugzillaTracker  # noqa: E402
from fogbugz import FogBugzTracker  # noqa: E402
from mantis import MantisTracker  # noqa: E402
from tracker_http import TrackerServer  # noqa: E402
from tracker_store import BugStore  # noqa: E402

TRACKERS = {"mantis": MantisTracker, "bugzilla": BugzillaTracker, "fogbugz": FogBugzTracker}


def make_tracker(kind, store_path=None):
    tracker_class = TRACKERS[kind]
    return tracker_class(BugStore(tracker_class.charset, store_path))


def make_server(kind, address=("127.0.0.1", 0), store_path=None, verbose=False):
    """A server of the stand-in tracker `kind`, not yet serving."""
    return TrackerServer(address, make_tracker(kind, store_path), verbose)


def list_bugs(store):
    data = store.as_json()
    for bug in data["bugs"]:
        files = ", ".join("%s (%d bytes)" % (f["name"], f["size"]) for f in bug["files"])
        print("#%d [%s] %s  status %s, %d update(s)%s" % (
            bug["id"], bug["project"], bug["summary"], bug["status"], len(bug["updates"]),
            ", file " + files if files else ""))
    if not data["bugs"]:
        print("no bugs")


def main():
    parser = argparse.ArgumentParser(description="A stand-in bug tracker on loopback.")
    parser.add_argument("--tracker", choices=sorted(TRACKERS), default="mantis")
    parser.add_argument("--port", type=int, default=0, help="TCP port (0: a free one)")
    parser.add_argument("--port-file", help="write the port into this file once listening")
    parser.add_argument("--store", help="keep the bugs in this JSON file")
    parser.add_argument("--list", action="store_true", help="list the bugs of --store and stop")
    parser.add_argument("--verbose", action="store_true", help="log every request")
    options = parser.parse_args()

    if options.list:
        if not options.store:
            parser.error("--list needs --store")
        list_bugs(make_tracker(options.tracker, options.store).store)
        return 0

    server = make_server(options.tracker, ("127.0.0.1", options.port), options.store,
                         options.verbose)
    port = server.server_address[1]
    if options.port_file:
        with open(options.port_file + ".new", "w") as f:
            f.write("%d\n" % port)
        os.replace(options.port_file + ".new", options.port_file)
    print("listening on 127.0.0.1:%d" % port, flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
