#!/usr/bin/python3
"""The stand-in tracker as the demo runs it: a free port announced on its
output and in the port file, the bugs kept in the store file across a
restart, and listed by --list and GET /bugs.json."""
import http.cookiejar
import json
import os
import subprocess
import sys
import tempfile
import unittest
import urllib.request

TOOL = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools",
                    "tracker_server", "tracker_server.py")


class TrackerServerTool(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.store = os.path.join(self.folder.name, "bugs.json")
        self.addCleanup(self.folder.cleanup)

    def start(self):
        port_file = os.path.join(self.folder.name, "port")
        process = subprocess.Popen([sys.executable, TOOL, "--port", "0", "--port-file", port_file,
                                    "--store", self.store], stdout=subprocess.PIPE, text=True)
        self.addCleanup(process.wait)
        self.addCleanup(process.terminate)
        line = process.stdout.readline()
        self.assertRegex(line, r"^listening on 127\.0\.0\.1:\d+$")
        port = int(line.rsplit(":", 1)[1])
        with open(port_file) as f:
            self.assertEqual(int(f.read()), port)
        return process, "http://127.0.0.1:%d/" % port

    def test_bug_filed_is_kept_and_listed(self):
        process, base = self.start()
        opener = urllib.request.build_opener(
            urllib.request.HTTPCookieProcessor(http.cookiejar.CookieJar()))
        reply = opener.open(base + "mantis/login.php", b"username=reporter&password=secret")
        self.assertTrue(reply.geturl().endswith("/mantis/my_view_page.php"))
        page = opener.open(base + "mantis/bug_report_advanced_page.php").read().decode()
        token = page.split('name="bug_report_token" value="')[1].split('"')[0]
        body = "".join('--B\r\nContent-Disposition: form-data; name="%s";\r\n\r\n%s\r\n' % pair
                       for pair in [("project_id", "1"), ("category_id", "1"),
                                    ("bug_report_token", token),
                                    ("summary", "[v1.0.0.0 - 1]: EAccessViolation (1A2B)")])
        request = urllib.request.Request(base + "mantis/bug_report.php", (body + "--B--\r\n").encode(),
                                         {"Content-Type": "multipart/form-data; boundary=B"})
        self.assertIn('href="view.php?id=1"', opener.open(request).read().decode())
        listed = json.load(urllib.request.urlopen(base + "bugs.json"))
        self.assertEqual([bug["summary"] for bug in listed["bugs"]],
                         ["[v1.0.0.0 - 1]: EAccessViolation (1A2B)"])
        process.terminate()
        process.wait()

        output = subprocess.run([sys.executable, TOOL, "--list", "--store", self.store],
                                capture_output=True, text=True, check=True).stdout
        self.assertIn("#1 [Brisole] [v1.0.0.0 - 1]: EAccessViolation (1A2B)", output)
        _, base = self.start()  # a restart keeps the bug
        listed = json.load(urllib.request.urlopen(base + "bugs.json"))
        self.assertEqual(len(listed["bugs"]), 1)


if __name__ == "__main__":
    unittest.main()
