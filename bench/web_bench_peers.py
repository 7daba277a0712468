"""Starts the web benchmark's loopback peers (HTTP, HTTPS with a
self-signed certificate, FTP), runs the benchmark with their ports in its
environment, and stops them.

    python3 bench/web_bench_peers.py build/wine-run.sh build/bin/web_bench.exe
"""
import os
import sys

here = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(here, "..", "tests", "peers"), os.path.join(here, "..", "tests", "web")]

from peers import PeerRun  # noqa: E402
import web_peers  # noqa: E402


def main():
    with PeerRun(sys.argv[1:]) as run:
        run.start(web_peers.http_peer(None), "VIPC_HTTP_PORT")
        certificate = web_peers.make_certificate(run.journal_root)
        run.start(web_peers.http_peer(None, tls=certificate), "VIPC_HTTPS_PORT")
        ftp_root = os.path.join(run.journal_root, "ftp-root")
        os.makedirs(ftp_root)
        run.start(web_peers.FtpPeer(ftp_root), "VIPC_FTP_PORT")
        return run.execute()


if __name__ == "__main__":
    sys.exit(main())
