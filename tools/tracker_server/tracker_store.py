"""The bugs a stand-in tracker was sent, kept in memory and, when given a
file, in JSON.

Texts are kept as the bytes the tracker received, one character per byte
(latin-1), so a test can compare them byte for byte; the JSON file holds
them decoded in the tracker's own character set.
"""
import base64
import json
import os
import threading
import urllib.parse


def to_display(text, charset):
    """Received bytes (as latin-1 text) in the tracker's character set."""
    return text.encode("latin-1").decode(charset, "surrogateescape")


def from_display(text, charset):
    return text.encode(charset, "surrogateescape").decode("latin-1")


class Bug:
    def __init__(self, number, project, summary, fields, status="10", **extra):
        self.number = number
        self.project = project
        self.summary = summary
        self.status = status
        self.fields = list(fields)  # [(name, value)] of the request that filed it
        self.updates = []           # one [(name, value)] per request that changed it
        self.files = []             # {"field", "name", "content"}
        self.extra = dict(extra)    # tracker-specific values (category, assignee, ...)

    def field(self, name, default=""):
        for key, value in self.fields:
            if key == name:
                return value
        return default


class BugStore:
    def __init__(self, charset, path=None):
        self.charset = charset
        self.path = path
        self.lock = threading.RLock()
        self.bugs = []
        self.hits = {}
        if path and os.path.exists(path):
            self._load()

    def clear(self):
        with self.lock:
            self.bugs = []
            self.hits = {}
            self._save()

    def count_hit(self, step):
        """Counts the requests of a step (login, search, update, ...)."""
        with self.lock:
            self.hits[step] = self.hits.get(step, 0) + 1

    def add(self, project, summary, fields, **extra):
        with self.lock:
            number = max([bug.number for bug in self.bugs], default=0) + 1
            bug = Bug(number, project, summary, fields, **extra)
            self.bugs.append(bug)
            self._save()
            return bug

    def find(self, number):
        with self.lock:
            for bug in self.bugs:
                if str(bug.number) == str(number):
                    return bug
            return None

    def search(self, text, project=None):
        """Bugs whose summary holds `text` (letter case ignored), newest first."""
        with self.lock:
            found = [bug for bug in self.bugs
                     if text.lower() in bug.summary.lower()
                     and (project is None or bug.project == project)]
            return sorted(found, key=lambda bug: -bug.number)

    def changed(self):
        with self.lock:
            self._save()

    # The JSON form, for the file, GET /bugs.json and --list.
    def as_json(self):
        with self.lock:
            shown = lambda text: to_display(text, self.charset)
            return {"charset": self.charset, "bugs": [{
                "id": bug.number, "project": shown(bug.project), "summary": shown(bug.summary),
                "status": bug.status,
                "extra": {k: shown(v) for k, v in bug.extra.items()},
                "fields": [[shown(k), shown(v)] for k, v in bug.fields],
                "updates": [[[shown(k), shown(v)] for k, v in update] for update in bug.updates],
                "files": [{"field": shown(f["field"]), "name": shown(f["name"]),
                           "size": len(f["content"]),
                           "base64": base64.b64encode(f["content"].encode("latin-1")).decode()}
                          for f in bug.files],
            } for bug in self.bugs]}

    def _save(self):
        if not self.path:
            return
        temporary = self.path + ".new"
        with open(temporary, "w", encoding="ascii") as f:
            json.dump(self.as_json(), f, indent=1)
        os.replace(temporary, self.path)

    def _load(self):
        with open(self.path, encoding="ascii") as f:
            data = json.load(f)
        kept = lambda text: from_display(text, self.charset)
        for item in data.get("bugs", []):
            bug = Bug(item["id"], kept(item["project"]), kept(item["summary"]),
                      [(kept(k), kept(v)) for k, v in item["fields"]], item["status"],
                      **{k: kept(v) for k, v in item.get("extra", {}).items()})
            bug.updates = [[(kept(k), kept(v)) for k, v in update] for update in item["updates"]]
            bug.files = [{"field": kept(f["field"]), "name": kept(f["name"]),
                          "content": base64.b64decode(f["base64"]).decode("latin-1")}
                         for f in item["files"]]
            self.bugs.append(bug)

    # The flat form the test programs read: one line per value, four
    # tab-separated columns (kind, bug, name, value), each percent-encoded.
    def as_lines(self):
        with self.lock:
            rows = []
            for bug in self.bugs:
                number = str(bug.number)
                rows += [("bug", number, "summary", bug.summary),
                         ("bug", number, "status", bug.status),
                         ("bug", number, "project", bug.project)]
                rows += [("bug", number, k, v) for k, v in sorted(bug.extra.items())]
                rows += [("filed", number, k, v) for k, v in bug.fields]
                for index, update in enumerate(bug.updates, 1):
                    rows += [("update.%d" % index, number, k, v) for k, v in update]
                rows += [("file", number, f["field"] + "/" + f["name"], f["content"])
                         for f in bug.files]
            rows += [("hits", "-", step, str(count)) for step, count in sorted(self.hits.items())]
            quote = lambda text: urllib.parse.quote(text.encode("latin-1"), safe="")
            return "".join("\t".join(quote(column) for column in row) + "\n" for row in rows)
