"""Peers of the delivery run tests: an SMTP server (aiosmtpd, with the mail
tests' handler: recipients "refused..." are refused, each message is
journaled as "<n>-message"), an HTTP upload receiver, and a holding
stand-in Mantis trackers of tools/tracker_server (one keeps its bugs in
"mantis.json" and closes them all when the file "close-bugs" appears,
the other refuses every login), and a holding switch: while the file "hold" exists in the journal folder, the peers hold
their reply to the next message (the test reads the live progress window
meanwhile and removes the file). Everything that arrives is journaled.

    deliveryrun_driver.py <test program command...>
"""
import http.server
import os
import sys
import threading
import time

from aiosmtpd.controller import Controller

import peers

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "mail"))
import mail_peers  # noqa: E402  (beside this folder)

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "..", "tools", "tracker_server"))
from tracker_server import make_server  # noqa: E402

HOLD_LIMIT_S = 120


def hold_while_asked(folder):
    hold = os.path.join(folder, "hold")
    waited = 0.0
    while os.path.exists(hold) and waited < HOLD_LIMIT_S:
        time.sleep(0.1)
        waited += 0.1


class HoldingHandler(mail_peers.JournalingHandler):
    """The mail tests' handler (it refuses "refused..." recipients and
    journals each message), holding its reply while asked."""

    def __init__(self, journal, folder):
        super().__init__(journal)
        self.folder = folder

    async def handle_DATA(self, server, session, envelope):
        hold_while_asked(self.folder)
        return await super().handle_DATA(server, session, envelope)


class SmtpPeer:
    def __init__(self, journal, folder):
        self.port = peers.free_port()
        self.controller = Controller(HoldingHandler(journal, folder), hostname="127.0.0.1",
                                     port=self.port, server_hostname="peer.example.com")

    def start(self):
        self.controller.start()
        return self.port

    def stop(self):
        self.controller.stop()


def upload_handler(journal, folder):
    class Upload(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def do_POST(self):
            length = int(self.headers.get("Content-Length", "0"))
            body = self.rfile.read(length)
            hold_while_asked(folder)
            head = "%s %s\n%s\n" % (self.command, self.path, self.headers)
            journal.write("upload", head.encode("latin-1") + body)
            status = 500 if self.path.startswith("/refuse") else 200
            answer = b"refused" if status == 500 else b"stored"
            self.send_response(status)
            self.send_header("Content-Type", "text/plain")
            self.send_header("Content-Length", str(len(answer)))
            self.end_headers()
            self.wfile.write(answer)

        def log_message(self, *args):
            pass

    return Upload


class BugCloser:
    """Closes every bug of a tracker once the test asks (by making the file
    "close-bugs" in the journal folder, which it removes when done)."""

    def __init__(self, server, folder):
        self.server = server
        self.request = os.path.join(folder, "close-bugs")
        self.stopping = threading.Event()
        self.thread = threading.Thread(target=self.watch, daemon=True)

    def watch(self):
        while not self.stopping.wait(0.1):
            if os.path.exists(self.request):
                store = self.server.tracker.store
                with store.lock:
                    for bug in store.bugs:
                        bug.status = "90"
                store.changed()
                os.remove(self.request)

    def start(self):
        self.thread.start()

    def stop(self):
        self.stopping.set()
        self.thread.join()


def refusing_mantis(address):
    """A stand-in Mantis that refuses every login."""
    server = make_server("mantis", address)
    server.tracker.modes["refuse"].add("login")
    return server


def main():
    with peers.PeerRun(sys.argv[1:]) as run:
        folder = run.journal_root
        run.start(SmtpPeer(run.journal("smtp"), folder), "VIPC_SMTP_PORT")
        handler = upload_handler(run.journal("http"), folder)
        run.start(peers.ThreadedServerPeer(
            lambda address: http.server.ThreadingHTTPServer(address, handler)), "VIPC_HTTP_PORT")
        # The filed bugs are kept in "mantis.json" of the journal folder.
        store = os.path.join(folder, "mantis.json")
        mantis = peers.ThreadedServerPeer(lambda address: make_server("mantis", address, store))
        run.start(mantis, "VIPC_MANTIS_PORT")
        run.start(BugCloser(mantis.server, folder))
        run.start(peers.ThreadedServerPeer(refusing_mantis), "VIPC_MANTIS_REFUSING_PORT")
        # A port nobody listens on: the server that is down.
        run.set("VIPC_DOWN_PORT", peers.free_port())
        sys.exit(run.execute())


if __name__ == "__main__":
    main()
