"""Runs web_tests under Wine beside its loopback peers: two HTTP servers (the
second is "another host" for redirects), an HTTPS server with a self-signed
certificate, a proxy that demands a login, an FTP server, and a port that
nobody listens on. Ports and folders reach the program through its
environment; the peers journal what they decoded."""
import os
import sys

from peers import PeerRun
import web_peers


def main():
    with PeerRun(sys.argv[1:]) as run:
        root = run.journal_root
        web = web_peers.http_peer(run.journal("http"))
        # The second peer closes every connection: Wine's library would hand a
        # proxied request an idle direct connection to the same address.
        other = web_peers.http_peer(run.journal("http2"), close_always=True)
        run.start(web, "VIPC_HTTP_PORT")
        other_port = run.start(other, "VIPC_HTTP2_PORT")
        web.server.RequestHandlerClass.other_port = other_port
        certificate = web_peers.make_certificate(root)
        tls = web_peers.http_peer(run.journal("https"), tls=certificate, close_always=True)
        run.start(tls, "VIPC_HTTPS_PORT")
        run.start(web_peers.proxy_peer(run.journal("proxy")), "VIPC_PROXY_PORT")
        run.start(web_peers.proxy_peer(run.journal("open-proxy"), open_to_all=True),
                  "VIPC_OPEN_PROXY_PORT")
        ftp_root = os.path.join(root, "ftp-root")
        os.makedirs(os.path.join(ftp_root, "drop"))
        run.start(web_peers.FtpPeer(ftp_root), "VIPC_FTP_PORT")
        run.set("VIPC_FTP_ROOT", web_peers.windows_path(ftp_root))
        run.set("VIPC_CLOSED_PORT", web_peers.closed_port())
        run.set("VIPC_WEB_JOURNAL", web_peers.windows_path(root))
        run.set("VIPC_PEER_CERTIFICATE", web_peers.windows_path(certificate[0]))
        return run.execute()


if __name__ == "__main__":
    sys.exit(main())
