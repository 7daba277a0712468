"""Loopback peers of the web tests and the web benchmark: an HTTP server
(plain and under TLS) with the pages the request engine meets, a proxy that
demands a login (plain requests and CONNECT), and an FTP server.

What a peer decodes it both journals (one JSON entry per request) and sends
back as the response body, one line per item with hexadecimal texts:

    method POST
    kind form | query | multipart
    field <hex name> <hex value>
    file <hex name> <hex file name> <size> <sha256>
    auth <hex Authorization header>
"""
import base64
import email.parser
import email.policy
import hashlib
import http.server
import os
import select
import socket
import socketserver
import ssl
import subprocess
import threading
import time
import urllib.parse

from peers import ThreadedServerPeer


def hexed(data):
    if isinstance(data, str):
        data = data.encode("latin-1", "replace")
    return data.hex() or "-"


def decode_multipart(content_type, body):
    """The fields and files of a multipart body, as Python's email reads it."""
    message = email.parser.BytesParser(policy=email.policy.HTTP).parsebytes(
        b"Content-Type: " + content_type.encode("latin-1") + b"\r\n\r\n" + body)
    fields, files = [], []
    for part in message.iter_parts():
        name = part.get_param("name", header="content-disposition") or ""
        filename = part.get_param("filename", header="content-disposition")
        payload = part.get_payload(decode=True) or b""
        if filename is None:
            # A field's value ends before the CR LF of its delimiter.
            fields.append((name, payload.decode("latin-1")))
        else:
            files.append((name, filename, payload))
    return fields, files


def decoded_request(handler, body):
    """What the request carried, decoded by the standard library."""
    parsed = urllib.parse.urlsplit(handler.path)
    lines = ["method %s" % handler.command, "path %s" % hexed(parsed.path)]
    entry = {"method": handler.command, "path": parsed.path, "fields": [], "files": []}
    files_seen = []
    if parsed.query:
        entry["kind"] = "query"
        for name, value in urllib.parse.parse_qsl(parsed.query, keep_blank_values=True,
                                                  encoding="latin-1"):
            entry["fields"].append([name, value])
    content_type = handler.headers.get("Content-Type", "")
    if content_type.startswith("application/x-www-form-urlencoded"):
        entry["kind"] = "form"
        for name, value in urllib.parse.parse_qsl(body.decode("latin-1"), keep_blank_values=True,
                                                  encoding="latin-1"):
            entry["fields"].append([name, value])
    elif content_type.startswith("multipart/form-data"):
        entry["kind"] = "multipart"
        fields, files = decode_multipart(content_type, body)
        files_seen = files
        entry["fields"].extend([list(f) for f in fields])
        for name, filename, payload in files:
            entry["files"].append([name, filename, len(payload),
                                   hashlib.sha256(payload).hexdigest()])
    lines.append("kind %s" % entry.get("kind", "none"))
    for name, value in entry["fields"]:
        lines.append("field %s %s" % (hexed(name), hexed(value)))
    for (name, filename, size, digest), (_, _, payload) in zip(entry["files"], files_seen):
        shown = payload.hex() if len(payload) <= 65536 else "sha256:" + digest
        lines.append("file %s %s %d %s" % (hexed(name), hexed(filename), size, shown or "-"))
    auth = handler.headers.get("Authorization")
    if auth:
        entry["auth"] = auth
        lines.append("auth %s" % hexed(auth))
    return entry, "\n".join(lines) + "\n"


FORM_PAGE = """<html><head><meta charset="utf-8"><title>Update</title></head><body>
<form method="post" action="bug_update.php">
<input type="hidden" name="bug_id" value="42"/>
<input type="text" name = "summary" value="[v1.0 - 7]: EAccessViolation (0A1B)">
<input type='text' name='quoted' value='say &quot;hi&quot; &amp;lt;b&amp;gt; &#233;&#8364;'>
<textarea name="description" rows="4">First line
  second &amp; line
third line</textarea>
<select name="handler_id"><option value="1">ann</option>
<option value="2" selected="selected">bob</option></select>
<select name="priority"><option value="10">low</option><option value="30">&nbsp;High</option></select>
</form></body></html>
"""


class WebHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    disable_nagle_algorithm = True  # no delayed-ACK pause between head and body
    journal = None  # set per server class
    other_port = 0  # the second HTTP peer, for redirects to another host
    close_always = False  # no idle connection for a client's pool to reuse

    def log_message(self, *args):
        pass

    def _body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length else b""

    def _send(self, code, body=b"", headers=(), text=None, length=True):
        if isinstance(body, str):
            body = body.encode("latin-1", "replace")
        self.send_response(code, text)
        for name, value in headers:
            self.send_header(name, value)
        if length:
            self.send_header("Content-Length", str(len(body)))
        if self.close_always or not length:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        self.wfile.write(body)

    def _route(self):
        body = self._body()
        parsed = urllib.parse.urlsplit(self.path)
        query = dict(urllib.parse.parse_qsl(parsed.query))
        path = parsed.path
        if path.startswith("/bench"):
            return self._bench(path, query, body)
        entry, echo = decoded_request(self, body)
        if self.journal is not None:
            self.journal.write("request", echo)
        if path.endswith("/echo"):
            return self._send(200, echo, [("Content-Type", "text/plain")])
        if path.startswith("/redirect/"):
            code = int(path.split("/")[2])
            return self._send(code, "moved", [("Location", query.get("to", "/echo"))])
        if path == "/refresh":
            return self._send(200, "wait", [("Refresh", "0; url=" + query.get("to", "/echo"))])
        if path.startswith("/loop/"):
            return self._send(302, "again", [("Location", "/loop/%d" % (int(path[6:]) + 1))])
        if path == "/elsewhere":
            target = "http://%s:%d/echo?from=elsewhere" % (query.get("host", "127.0.0.1"),
                                                          self.other_port)
            return self._send(302, "moved", [("Location", target)])
        if path == "/login":
            wanted = "Basic " + base64.b64encode(b"ann:s3cret:x").decode()
            if self.headers.get("Authorization") != wanted:
                return self._send(401, "login", [("WWW-Authenticate", 'Basic realm="t"')])
            return self._send(200, "welcome\n" + echo)
        if path == "/form":
            return self._send(200, FORM_PAGE, [("Content-Type", "text/html")])
        if path == "/latin":
            return self._send(200, '<input name="n" value="&#233;&#8364;">',
                              [("Content-Type", "text/html; charset=iso-8859-1")])
        if path == "/nolength":
            return self._send(200, "no length\r\nhere " + "x" * 10000 + " end", length=False)
        if path == "/silent":
            time.sleep(float(query.get("seconds", "8")))
            return self._send(200, "too late")
        if path == "/status":
            code = int(query.get("code", "500"))
            return self._send(code, "status body", text=query.get("text", "Upload Broken"))
        return self._send(200, echo, [("Content-Type", "text/plain")])

    def _bench(self, path, query, body):
        """The benchmark's pages: nothing decoded, so the figures are the client's."""
        if path == "/bench/mantis":
            return self._send(200, bench_page(int(query.get("size", "300000"))),
                              [("Content-Type", "text/html")])
        return self._send(200, "ok %d" % len(body))

    do_GET = _route
    do_POST = _route


def bench_page(size):
    """A tracker update page of about `size` bytes: the form after a long history."""
    filler = "<tr><td class=\"note\">A note about the fault &amp; its history.</td></tr>\n"
    page = "<html><body><table>" + filler * (size // len(filler)) + "</table>" + FORM_PAGE
    return page


class ThreadingServer(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def http_peer(journal, tls=None, close_always=False):
    """An HTTP peer; `tls` is (certificate, key) for HTTPS. Its handler's
    other_port may be set once the second peer runs."""
    def make(address):
        handler = type("Handler", (WebHandler,), {"journal": journal,
                                                  "close_always": close_always})
        server = ThreadingServer(address, handler)
        if tls:
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(*tls)
            server.socket = context.wrap_socket(server.socket, server_side=True)
        return server
    return ThreadedServerPeer(make)


class ProxyHandler(http.server.BaseHTTPRequestHandler):
    """A proxy that wants "proxyuser:proxypw": plain requests and CONNECT."""
    protocol_version = "HTTP/1.1"
    journal = None
    open_to_all = False  # no login wanted

    def log_message(self, *args):
        pass

    def _authorised(self):
        if self.open_to_all:
            return True
        wanted = "Basic " + base64.b64encode(b"proxyuser:proxypw").decode()
        return self.headers.get("Proxy-Authorization") == wanted

    def _refuse(self):
        body = b"proxy login wanted"
        self.send_response(407)
        self.send_header("Proxy-Authenticate", 'Basic realm="proxy"')
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def _forward(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else b""
        self.journal.write("proxied", "%s %s auth=%s" % (self.command, self.path,
                                                         self._authorised()))
        if not self._authorised():
            return self._refuse()
        target = urllib.parse.urlsplit(self.path)
        with socket.create_connection((target.hostname, target.port or 80), timeout=20) as up:
            request = "%s %s HTTP/1.0\r\n" % (self.command, target.path +
                                               ("?" + target.query if target.query else ""))
            for name, value in self.headers.items():
                if name.lower() not in ("proxy-authorization", "proxy-connection", "connection"):
                    request += "%s: %s\r\n" % (name, value)
            up.sendall(request.encode("latin-1") + b"Connection: close\r\n\r\n" + body)
            answer = b""
            while True:
                chunk = up.recv(65536)
                if not chunk:
                    break
                answer += chunk
        head, _, content = answer.partition(b"\r\n\r\n")
        lines = head.split(b"\r\n")
        self.wfile.write(lines[0].replace(b"HTTP/1.0", b"HTTP/1.1") + b"\r\n")
        for line in lines[1:]:
            if not line.lower().startswith((b"content-length", b"connection")):
                self.wfile.write(line + b"\r\n")
        self.wfile.write(b"Content-Length: %d\r\n\r\n" % len(content) + content)

    def do_CONNECT(self):
        self.journal.write("proxied", "CONNECT %s auth=%s" % (self.path, self._authorised()))
        if not self._authorised():
            return self._refuse()
        host, _, port = self.path.rpartition(":")
        up = socket.create_connection((host, int(port)), timeout=20)
        self.send_response(200, "Connection established")
        # Wine's library reads a body up to its length even after CONNECT.
        self.send_header("Content-Length", "0")
        self.end_headers()
        self.wfile.flush()
        sockets = [self.connection, up]
        try:
            while True:
                ready, _, _ = select.select(sockets, [], [], 30)
                if not ready:
                    break
                for s in ready:
                    data = s.recv(65536)
                    if not data:
                        return
                    (up if s is self.connection else self.connection).sendall(data)
        finally:
            up.close()
            self.close_connection = True

    do_GET = _forward
    do_POST = _forward


def proxy_peer(journal, open_to_all=False):
    def make(address):
        handler = type("Proxy", (ProxyHandler,), {"journal": journal, "open_to_all": open_to_all})
        return ThreadingServer(address, handler)
    return ThreadedServerPeer(make)


class FtpPeer:
    """pyftpdlib on loopback, passive mode, user "ann" / "secret"; a store of a
    file whose name holds "refuse" is answered 452 after its data."""

    def __init__(self, root):
        self.root = root
        self._server = None
        self._thread = None

    def start(self):
        from pyftpdlib.authorizers import DummyAuthorizer
        from pyftpdlib.handlers import DTPHandler, FTPHandler
        from pyftpdlib.servers import FTPServer

        class RefusingDTP(DTPHandler):
            def handle_close(self):
                if (not self._closed and self.receive and self.file_obj is not None
                        and "refuse" in os.path.basename(self.file_obj.name)):
                    self.transfer_finished = False
                    self._resp = ("452 Insufficient storage space.", lambda *a: None)
                    self.close()
                    return
                DTPHandler.handle_close(self)

        authorizer = DummyAuthorizer()
        authorizer.add_user("ann", "secret", self.root, perm="elradfmwMT")
        handler = type("Ftp", (FTPHandler,), {"authorizer": authorizer,
                                              "dtp_handler": RefusingDTP,
                                              "banner": "web tests ready"})
        import logging
        logging.getLogger("pyftpdlib").setLevel(logging.ERROR)
        self._server = FTPServer(("127.0.0.1", 0), handler)
        self._thread = threading.Thread(target=self._server.serve_forever,
                                        kwargs={"timeout": 0.2, "handle_exit": False}, daemon=True)
        self._thread.start()
        return self._server.address[1]

    def stop(self):
        self._server.close_all()


def make_certificate(folder):
    """A self-signed certificate for 127.0.0.1 and localhost (openssl)."""
    cert = os.path.join(folder, "peer-cert.pem")
    key = os.path.join(folder, "peer-key.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                    "-out", cert, "-days", "2", "-subj", "/CN=127.0.0.1",
                    "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return cert, key


def windows_path(path):
    """A Unix path as the Wine program sees it (the Z: drive)."""
    return "Z:" + path.replace("/", "\\")


def closed_port():
    """A loopback port nobody listens on."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]
