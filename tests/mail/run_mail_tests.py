"""Runs the mail test program (or any command given, such as the mail
benchmark) beside its peers: the SMTP servers (one that keeps nothing, for
the benchmark), a silent TCP peer, one that talks in pieces, a port
nobody listens on, dnsmasq and the crafted name servers, and aiosmtpd on
port 25 for the direct road when that port is free.

    run_mail_tests.py <wine-run.sh> <program.exe> [arguments...]
"""
import os
import shutil
import socket
import sys

# CTest sets PYTHONPATH; run by hand (the benchmark) the driver finds the
# shared peers itself.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "peers"))

from peers import PeerRun, free_port
from mail_peers import CraftedDnsPeer, DnsmasqPeer, SilentTcpPeer, SlowTalkerPeer, SmtpPeer


def port_25_free():
    with socket.socket() as probe:
        try:
            probe.bind(("127.0.0.1", 25))
            return None
        except OSError as error:
            return "port 25 of 127.0.0.1 is taken or not ours to bind (%s)" % error


def main():
    with PeerRun(sys.argv[1:]) as run:
        run.start(SmtpPeer(run.journal("smtp")), "VIPC_SMTP_PORT")
        run.start(SmtpPeer(run.journal("smtp-nologin"), login=False), "VIPC_SMTP_NOLOGIN_PORT")
        run.start(SmtpPeer(None), "VIPC_SMTP_SINK_PORT")
        run.start(SilentTcpPeer(), "VIPC_SILENT_PORT")
        run.start(SlowTalkerPeer(), "VIPC_SLOW_TALKER_PORT")
        run.set("VIPC_DOWN_PORT", free_port())

        # The crafted name servers share one port: the answering one on
        # 127.0.0.1, the silent one on 127.0.0.2.
        dns = run.journal("dns")
        port = run.start(CraftedDnsPeer(dns, "answering", "127.0.0.1", 0), "VIPC_CRAFTED_DNS_PORT")
        run.start(CraftedDnsPeer(dns, "silent", "127.0.0.2", port, silent=True))

        if shutil.which("dnsmasq"):
            run.start(DnsmasqPeer(run.journal_root), "VIPC_DNSMASQ_PORT")
            reason = port_25_free()
            if reason is None:
                run.start(SmtpPeer(run.journal("smtp25"), port=25), "VIPC_SMTP25_PORT")
            else:
                run.set("VIPC_SMTP25_MISSING", reason)
        else:
            run.set("VIPC_DNSMASQ_MISSING", "dnsmasq is not installed (package dnsmasq-base)")
            run.set("VIPC_SMTP25_MISSING", "the direct road needs dnsmasq for its MX record")
        sys.exit(run.execute())


if __name__ == "__main__":
    main()
