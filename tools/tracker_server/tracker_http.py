"""The HTTP side shared by the stand-in trackers: requests read into fields
and files, sessions kept by a cookie set at login, the control page that
switches a tracker to misbehave, and the bug listings.

A tracker (Mantis, Bugzilla, FogBugz) supplies `route(request)`, which
names the step a request belongs to and the function that answers it.
Every answer is a Reply; a page reply names the marker text a sender looks
for on it, so the control page can cut the page inside that text.
"""
import html
import http.server
import json
import re
import secrets
import socketserver
import threading
import urllib.parse


def field_pairs(text):
    """name=value&... as [(name, value)], bytes kept as latin-1 text."""
    return urllib.parse.parse_qsl(text, keep_blank_values=True, encoding="latin-1")


def multipart_parts(body, boundary):
    """The fields and files of a multipart body: ([(name, value)], [file])."""
    fields, files = [], []
    for part in body.split(b"--" + boundary)[1:]:
        if part.startswith(b"--"):
            break
        head, _, content = part[2:].partition(b"\r\n\r\n")
        if content.endswith(b"\r\n"):
            content = content[:-2]
        head = head.decode("latin-1")
        name = re.search(r'name="([^"]*)"', head)
        filename = re.search(r'filename="([^"]*)"', head)
        name = urllib.parse.unquote(name.group(1), encoding="latin-1") if name else ""
        if filename:
            files.append({"field": name, "name": filename.group(1),
                          "content": content.decode("latin-1")})
        else:
            fields.append((name, content.decode("latin-1")))
    return fields, files


class Request:
    def __init__(self, handler, tracker):
        self.handler = handler
        self.tracker = tracker
        self.method = handler.command
        parts = urllib.parse.urlsplit(handler.path)
        self.directory, _, self.page = parts.path.rpartition("/")
        self.directory += "/"
        self.query = field_pairs(parts.query)
        self.fields, self.files = [], []
        length = int(handler.headers.get("Content-Length") or 0)
        body = handler.rfile.read(length) if length else b""
        kind = handler.headers.get("Content-Type", "")
        boundary = re.search(r"boundary=(\S+)", kind)
        if kind.startswith("multipart/form-data") and boundary:
            self.fields, self.files = multipart_parts(body, boundary.group(1).encode("latin-1"))
        elif body:
            self.fields = field_pairs(body.decode("latin-1"))
        self.cookies = {}
        for item in handler.headers.get_all("Cookie") or []:
            for pair in item.split(";"):
                name, _, value = pair.strip().partition("=")
                self.cookies[name] = value

    def arg(self, name, default=""):
        """A value of the query or the body (the body's first)."""
        for key, value in self.fields + self.query:
            if key == name:
                return value
        return default

    @property
    def session(self):
        """The user of this request's session cookie; None without a valid one."""
        return self.tracker.sessions.get(self.cookies.get(self.tracker.cookie_name))


class Reply:
    def __init__(self, body="", status=200, location=None, marker=None, cookie=None,
                 content_type=None):
        self.body = body
        self.status = status
        self.location = location
        self.marker = marker
        self.cookie = cookie
        self.content_type = content_type


def page(title, content, marker=None):
    return Reply("<html><head><title>%s</title></head><body>%s</body></html>"
                 % (html.escape(title), content), marker=marker)


def attr(text):
    return html.escape(text, quote=True)


class Tracker:
    """What the trackers share: store, sessions, misbehaviour and options."""
    cookie_name = "SESSION"
    charset = "iso-8859-1"
    users = {"reporter": "secret", "developer": "secret"}

    def __init__(self, store):
        self.store = store
        self.lock = threading.RLock()
        self.sessions = {}
        self.modes = {"refuse": set(), "cut": set(), "drop": set()}
        self.options = set()

    def start_session(self, user):
        token = secrets.token_hex(8)
        with self.lock:
            self.sessions[token] = user
        return "%s=%s; path=/" % (self.cookie_name, token)

    def reset(self):
        with self.lock:
            self.sessions.clear()
            for steps in self.modes.values():
                steps.clear()
            self.options.clear()
        self.store.clear()

    def control(self, request):
        """GET /control: reset=1, refuse|cut|drop=<step>, option=<name>,
        bug=<n> with status=<s> and/or summary=<text>."""
        with self.lock:
            if request.arg("reset"):
                self.reset()
            for mode in self.modes:
                for step in filter(None, request.arg(mode).split(",")):
                    self.modes[mode].add(step)
            for option in filter(None, request.arg("option").split(",")):
                self.options.add(option)
        if request.arg("bug"):
            bug = self.store.find(request.arg("bug"))
            if bug is None:
                return Reply("no such bug\n", status=404, content_type="text/plain")
            if request.arg("status"):
                bug.status = request.arg("status")
            if request.arg("summary"):
                bug.summary = request.arg("summary")
            self.store.changed()
        return Reply("ok\n", content_type="text/plain")

    def route(self, request):  # -> (step, answer function)
        raise NotImplementedError

    def redirect(self, request, target, cookie=None):
        return Reply(status=302, location=request.directory + target, cookie=cookie)


REFUSAL = "<html><body><p>APPLICATION ERROR #1100</p><p>Your request was refused.</p></body></html>"


class TrackerHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "TrackerStandIn/1.0"

    def log_message(self, format, *args):
        if self.server.verbose:
            super().log_message(format, *args)

    def do_GET(self):
        self.answer()

    def do_POST(self):
        self.answer()

    def answer(self):
        tracker = self.server.tracker
        request = Request(self, tracker)
        if request.page == "control":
            return self.send(tracker.control(request))
        if request.page == "bugs.json":
            return self.send(Reply(json.dumps(tracker.store.as_json(), indent=1) + "\n",
                                   content_type="application/json"))
        if request.page == "bugs.txt":
            return self.send(Reply(tracker.store.as_lines(), content_type="text/plain"))
        step, answer = tracker.route(request)
        tracker.store.count_hit(step)
        if step in tracker.modes["drop"]:
            self.close_connection = True  # no answer at all
            return
        if step in tracker.modes["refuse"]:
            return self.send(Reply(REFUSAL))
        reply = answer(request)
        if step in tracker.modes["cut"] and reply.marker and reply.marker in reply.body:
            # The page ends inside the tag that holds the marker.
            end = reply.body.index(reply.marker) + len(reply.marker) // 2
            reply.body = reply.body[:end]
        self.send(reply)

    def send(self, reply):
        body = reply.body.encode("latin-1") if isinstance(reply.body, str) else reply.body
        self.send_response(reply.status)
        if reply.location:
            self.send_header("Location", reply.location)
        if reply.cookie:
            self.send_header("Set-Cookie", reply.cookie)
        content_type = reply.content_type or "text/html; charset=" + self.server.tracker.charset
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


class TrackerServer(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, tracker, verbose=False):
        self.tracker = tracker
        self.verbose = verbose
        super().__init__(address, TrackerHandler)
