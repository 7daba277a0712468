"""The peers of the mail tests: SMTP servers (aiosmtpd) that journal each
message they accept, parsed by Python's email package, a TCP peer that never
greets, and name servers: dnsmasq for well-formed answers and a small UDP
server for crafted ones.

Journal entries (one file each, in order of arrival, see peers.Journal):
  <n>-session     one line per fact, "key: value" in the ANSI code page with
                  "\\", CR and LF escaped: the journal file of the message
                  ("message"), every command line of the session ("command"),
                  the envelope ("mail-from", "rcpt-to"), the headers as a
                  reader decodes them ("from-name", "from-address",
                  "subject", "to-address"),
                  the text part ("text-encoding", "text", line breaks as LF)
                  and one "attachment" line per attachment: its name, its
                  type and the journal file that holds its bytes, tab-separated
  <n>-message     the message as the server received it (dots unstuffed)
  <n>-attachment  the bytes of one attachment
  <n>-query-<server>-<domain>   a DNS query as a crafted name server got it
"""
import email
import email.policy
import logging
import os
import socket
import struct
import subprocess
import threading
import time

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

from peers import free_port

# aiosmtpd's own notice about a field it sets itself, on every login.
logging.getLogger("mail.log").addFilter(
    lambda record: "login_data is deprecated" not in record.getMessage())

ANSI = "cp1252"
USER = "ann"
PASSWORD = "s3cret!"


def _escaped(text):
    return text.replace("\\", "\\\\").replace("\r", "\\r").replace("\n", "\\n")


def _line(key, value):
    return ("%s: %s\n" % (key, _escaped(str(value)))).encode(ANSI, "replace")


class JournaledSMTP(SMTP):
    """An aiosmtpd session that remembers its command lines."""

    async def _handle_client(self):
        self.command_lines = []
        read_line = self._reader.readuntil

        async def reading(*separator):
            line = await read_line(*separator)
            if not separator:  # a command line; DATA reads its lines by CR LF
                self.command_lines.append(line.rstrip(b"\r\n").decode("latin-1"))
            return line

        self._reader.readuntil = reading
        await super()._handle_client()


class NoLoginSMTP(JournaledSMTP):
    """A server that offers no login at all."""

    async def smtp_AUTH(self, arg):
        await self.push("502 5.5.1 Authentication not offered")


class JournalingHandler:
    """Refuses recipients that start with "refused"; journals each message."""

    def __init__(self, journal):
        self.journal = journal

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower().startswith("refused"):
            return "550 5.1.1 No such mailbox here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        # Written before the reply, so the client finds it once accepted.
        raw = self.journal.write("message", envelope.content)
        facts = [_line("message", os.path.basename(raw))]
        facts += [_line("command", c) for c in getattr(server, "command_lines", [])]
        facts.append(_line("mail-from", envelope.mail_from))
        facts += [_line("rcpt-to", r) for r in envelope.rcpt_tos]
        message = email.message_from_bytes(envelope.content, policy=email.policy.default)
        sender = message["From"].addresses[0]
        facts.append(_line("from-name", sender.display_name))
        facts.append(_line("from-address", sender.addr_spec))
        facts.append(_line("subject", message["Subject"]))
        facts.append(_line("to-address", message["To"].addresses[0].addr_spec))
        for part in message.walk():
            if part.is_multipart():
                continue
            if part.get_content_disposition() == "attachment":
                path = self.journal.write("attachment", part.get_payload(decode=True))
                facts.append(_line("attachment", "\t".join(
                    [part.get_filename(), part.get_content_type(), os.path.basename(path)])))
            elif part.get_content_type() == "text/plain":
                facts.append(_line("text-encoding", part["Content-Transfer-Encoding"]))
                facts.append(_line("text", part.get_content().replace("\r\n", "\n")))
        self.journal.write("session", b"".join(facts))
        return "250 2.0.0 Message accepted"


class SinkHandler:
    """Accepts every message and keeps none (the benchmark's server)."""

    async def handle_DATA(self, server, session, envelope):
        return "250 2.0.0 Message accepted"


def _authenticator(server, session, envelope, mechanism, auth_data):
    good = (mechanism == "LOGIN" and isinstance(auth_data, LoginPassword)
            and auth_data.login == USER.encode() and auth_data.password == PASSWORD.encode())
    return AuthResult(success=good, handled=False)


class SmtpPeer:
    """aiosmtpd on 127.0.0.1: with a login (USER, PASSWORD) or refusing AUTH;
    without a journal it keeps nothing."""

    def __init__(self, journal, login=True, port=None):
        self.journal = journal
        self.login = login
        self.port = port
        self.controller = None

    def start(self):
        port = self.port or free_port()
        session_class = JournaledSMTP if self.login else NoLoginSMTP
        extra = {"authenticator": _authenticator, "auth_require_tls": False} if self.login else {}

        class JournalController(Controller):
            def factory(self):
                return session_class(self.handler, **self.SMTP_kwargs)

        handler = JournalingHandler(self.journal) if self.journal else SinkHandler()
        self.controller = JournalController(handler, hostname="127.0.0.1", port=port, **extra)
        self.controller.start()
        return port

    def stop(self):
        self.controller.stop()


class TcpPeer:
    """A TCP listener on 127.0.0.1 that hands each connection to serve() on
    a thread of its own."""

    def __init__(self):
        self._listener = None
        self.stopping = threading.Event()

    def start(self):
        self._listener = socket.socket()
        self._listener.bind(("127.0.0.1", 0))
        self._listener.listen(8)
        self._listener.settimeout(0.2)
        threading.Thread(target=self._accept, daemon=True).start()
        return self._listener.getsockname()[1]

    def _accept(self):
        while not self.stopping.is_set():
            try:
                connection, _ = self._listener.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            threading.Thread(target=self.serve, args=(connection,), daemon=True).start()

    def serve(self, connection):
        raise NotImplementedError

    def stop(self):
        self.stopping.set()
        self._listener.close()


class SilentTcpPeer(TcpPeer):
    """Accepts connections and never says a word."""

    def serve(self, connection):
        with connection:
            self.stopping.wait()


class SlowTalkerPeer(TcpPeer):
    """An SMTP-like peer whose greeting comes in two pieces 300 ms apart
    ("220-first", then "220 ready"), and whose one reply to any line never
    ends ("250-partial" and silence)."""

    def serve(self, connection):
        with connection:
            try:
                connection.sendall(b"220-first line\r\n")
                time.sleep(0.3)
                connection.sendall(b"220 ready\r\n")
                connection.settimeout(10)
                while not self.stopping.is_set() and connection.recv(4096):
                    connection.sendall(b"250-partial\r\n")
            except OSError:
                return


# --- DNS -------------------------------------------------------------------

def _name(text):
    out = b""
    for label in text.split("."):
        if label:
            out += bytes([len(label)]) + label.encode()
    return out + b"\0"


def _question_name(query):
    labels, at = [], 12
    while at < len(query) and query[at]:
        labels.append(query[at + 1:at + 1 + query[at]].decode("latin-1"))
        at += 1 + query[at]
    return ".".join(labels), at + 1 + 4


def _mx(preference, host):
    return struct.pack(">H", preference) + _name(host)


def _record(rtype, data, owner=b"\xc0\x0c"):
    return owner + struct.pack(">HHIH", rtype, 1, 3600, len(data)) + data


def _response(query, records, rcode=0, ident=None, flags=0x8180):
    question_end = _question_name(query)[1]
    ident = struct.unpack(">H", query[:2])[0] if ident is None else ident
    header = struct.pack(">HHHHHH", ident, flags | rcode, 1, len(records), 0, 0)
    return header + query[12:question_end] + b"".join(records)


def crafted_replies(query):
    """The datagrams a crafted name server sends for `query`, chosen by the
    domain asked for."""
    domain, question_end = _question_name(query)
    if domain == "written-owner.test":
        return [_response(query, [_record(15, _mx(10, "mx.written-owner.test"), _name(domain))])]
    if domain == "first-wins.test":
        return [_response(query, [_record(15, _mx(20, "second.first-wins.test")),
                                  _record(15, _mx(5, "first.first-wins.test"))])]
    if domain == "cname-first.test":
        return [_response(query, [_record(5, _name("alias.cname-first.test")),
                                  _record(15, _mx(10, "mx.cname-first.test"))])]
    if domain == "nxdomain.test":
        return [_response(query, [], rcode=3)]
    if domain == "truncated.test":
        whole = _response(query, [_record(15, _mx(10, "mx.truncated.test"))], flags=0x8380)
        return [whole[:question_end + 14]]
    if domain == "pointer-loop.test":
        here = question_end + 12 + 2  # where the exchange name starts
        loop = struct.pack(">H", 10) + bytes([0xC0 | here >> 8, here & 0xFF])
        return [_response(query, [_record(15, loop)])]
    if domain == "wrong-id.test":
        return [_response(query, [_record(15, _mx(10, "wrong.wrong-id.test"))], ident=0x4242),
                _response(query, [_record(15, _mx(10, "right.wrong-id.test"))])]
    # Any other domain: its MX "mx.<domain>", the owner a pointer.
    return [_response(query, [_record(15, _mx(10, "mx." + domain))])]


class CraftedDnsPeer:
    """A name server on UDP that journals every query; a silent one never
    answers."""

    def __init__(self, journal, tag, address, port, silent=False):
        self.journal, self.tag, self.address, self.port = journal, tag, address, port
        self.silent = silent
        self._socket = None

    def start(self):
        self._socket = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self._socket.bind((self.address, self.port))
        threading.Thread(target=self._serve, daemon=True).start()
        return self._socket.getsockname()[1]

    def _serve(self):
        while True:
            try:
                query, sender = self._socket.recvfrom(4096)
            except OSError:
                return
            domain = _question_name(query)[0]
            self.journal.write("query-%s-%s" % (self.tag, domain), query)
            if not self.silent:
                for reply in crafted_replies(query):
                    self._socket.sendto(reply, sender)

    def stop(self):
        self._socket.close()


class DnsmasqPeer:
    """dnsmasq on 127.0.0.1 answering from its own records only: the MX of
    example.test is localhost; other names under .test do not exist."""

    def __init__(self, folder):
        self.folder = folder
        self.process = None

    def start(self):
        port = free_port(kind=socket.SOCK_DGRAM)
        self.process = subprocess.Popen(
            ["dnsmasq", "--no-daemon", "--conf-file=/dev/null", "--port=%d" % port,
             "--listen-address=127.0.0.1", "--bind-interfaces", "--no-resolv", "--no-hosts",
             "--pid-file=" + os.path.join(self.folder, "dnsmasq.pid"), "--local=/test/",
             "--mx-host=example.test,localhost,10"],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self._await_answers(port)
        return port

    def _await_answers(self, port):
        query = b"\x12\x34\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00" + _name("example.test") + \
            b"\x00\x0f\x00\x01"
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as probe:
            probe.settimeout(0.2)
            for _ in range(50):
                if self.process.poll() is not None:
                    raise RuntimeError("dnsmasq ended: %s" % self.process.stderr.read().decode())
                probe.sendto(query, ("127.0.0.1", port))
                try:
                    probe.recvfrom(4096)
                    return
                except socket.timeout:
                    time.sleep(0.1)
        raise RuntimeError("dnsmasq does not answer")

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)
