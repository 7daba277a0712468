"""The Bugzilla pages the tracker sender goes through: the login on the
bug entry page, the bug list, the entry form and the new bug, the
attachment, the bug form and its change. ISO-8859-1 pages.
"""
import secrets
import urllib.parse

from tracker_http import Tracker, attr, page

PRODUCTS = {"Brisole": ["Installer", "General"], "Caff\xe8 Brisole": ["Installer"]}
VERSIONS = ["unspecified", "1.0.0.0"]


def select(name, options, selected, element_id=False):
    items = "".join('<option value="%s"%s>%s</option>'
                    % (attr(value), " selected" if value == selected else "", attr(value))
                    for value in options)
    if element_id:
        return '<select id="%s" name="%s">%s</select>' % (name, name, items)
    return '<select name="%s">%s</select>' % (name, items)


def inputs(values):
    return "".join('<input name="%s" value="%s">' % (name, attr(value)) for name, value in values)


LOGOUT = '<a href="index.cgi?logout=1">Log&nbsp;out</a>'


class BugzillaTracker(Tracker):
    cookie_name = "Bugzilla_logincookie"

    def __init__(self, store):
        super().__init__(store)
        self.tokens = {}

    def route(self, request):
        if request.page == "enter_bug.cgi" and request.arg("Bugzilla_login"):
            return "login", self.login
        pages = {
            "enter_bug.cgi": ("enter", self.enter_form),
            "buglist.cgi": ("search", self.bug_list),
            "post_bug.cgi": ("post", self.post),
            "attachment.cgi": ("attach", self.attach),
            "show_bug.cgi": ("show", self.show),
            "process_bug.cgi": ("process", self.process),
        }
        step, answer = pages.get(request.page, ("index", self.login_form))
        if request.session is None:
            return step, self.login_form
        return step, answer

    def login_form(self, request):
        return page("Log in to Bugzilla", '<form name="login" action="%s" method="POST">'
                    '<input name="Bugzilla_login"><input type="password" name="Bugzilla_password">'
                    '</form>' % attr(request.page))

    def login(self, request):
        user = request.arg("Bugzilla_login")
        if self.users.get(user) != request.arg("Bugzilla_password"):
            return page("Invalid Username Or Password", "<p>The username or password you entered "
                        "is not valid.</p>")
        reply = page("Enter Bug", "%s%s" % ("".join(
            '<a href="enter_bug.cgi?product=%s">%s</a>' % (urllib.parse.quote(name), attr(name))
            for name in PRODUCTS), LOGOUT), marker="index.cgi?logout=1")
        reply.cookie = self.start_session(user)
        return reply

    def bug_list(self, request):
        product, component = request.arg("product"), request.arg("component")
        bugs = [bug for bug in self.store.search(request.arg("content"), product)
                if bug.extra.get("component") == component]
        rows = "".join('<tr><td><a href="show_bug.cgi?id=%d">%d</a></td><td>%s</td></tr>'
                       % (bug.number, bug.number, attr(bug.summary)) for bug in bugs)
        return page("Bug List", '<a href="query.cgi?format=advanced&amp;product=%s">Edit Search</a>'
                    '%s<table>%s</table>%s' % (urllib.parse.quote(product),
                                               "" if bugs else "Zarro Boogs found.", rows, LOGOUT),
                    marker='href="query.cgi?')

    def enter_form(self, request):
        product = request.arg("product")
        if product not in PRODUCTS:
            return page("Product does not exist", "<p>The product %s does not exist.</p>%s"
                        % (attr(product), LOGOUT))
        components = PRODUCTS[product]
        if "component_script" in self.options:
            component = '<script>var components = new Array(); components[0] = "%s";</script>' % (
                components[0])
        else:
            component = select("component", components, request.arg("component"), element_id=True)
        form = ('<form name="Create" id="Create" method="post" action="post_bug.cgi">'
                '<input type="hidden" name="product" value="%s">%s%s%s%s%s%s%s%s'
                '%s<textarea name="comment" id="comment"></textarea></form>%s'
                % (attr(product), component, select("version", VERSIONS, "unspecified"),
                   select("rep_platform", ["All", "PC"], "PC"),
                   select("op_sys", ["All", "Windows"], "Windows"),
                   select("priority", ["P1", "P3"], "P3"),
                   select("bug_severity", ["critical", "normal"], "normal"),
                   select("target_milestone", ["---"], "---"),
                   select("bug_status", ["UNCONFIRMED", "NEW"], "NEW"),
                   inputs([("assigned_to", ""), ("qa_contact", ""), ("cc", ""),
                           ("estimated_time", "0.0"), ("deadline", ""), ("bug_file_loc", "http://"),
                           ("keywords", ""), ("dependson", ""), ("blocked", "")]), LOGOUT))
        return page("Enter Bug: " + product, form, marker='action="post_bug.cgi"')

    def post(self, request):
        product, component = request.arg("product"), request.arg("component")
        assignee = request.arg("assigned_to")
        if (product not in PRODUCTS or component not in PRODUCTS[product]
                or not request.arg("short_desc") or assignee not in self.users):
            return page("Error", "<p>The bug could not be filed.</p>%s" % LOGOUT)
        bug = self.store.add(product, request.arg("short_desc"), request.fields, status="NEW",
                             component=component, assignee=assignee,
                             version=request.arg("version"))
        return page("Bug %d Submitted" % bug.number,
                    '<form method="post" action="attachment.cgi">'
                    '<input type="hidden" name="id" value="%d"></form>'
                    '<a href="show_bug.cgi?id=%d">Bug %d</a> has been added.%s'
                    % (bug.number, bug.number, bug.number, LOGOUT), marker="show_bug.cgi?id=")

    def attach(self, request):
        bug = self.store.find(request.arg("bugid"))
        if bug is None or request.arg("action") != "insert":
            return page("Invalid Bug ID", "<p>The bug number is invalid.</p>")
        bug.files += [f for f in request.files if f["name"]]
        bug.extra["attachment"] = request.arg("description")
        self.store.changed()
        return page("Attachment created", '<a href="attachment.cgi?id=%d&amp;action=edit">'
                    'Attachment #%d</a> to bug %d created.' % (bug.number, bug.number, bug.number),
                    marker="attachment.cgi")

    def show(self, request):
        bug = self.store.find(request.arg("id"))
        if bug is None:
            return page("Invalid Bug ID", "<p>Bug #%s does not exist.</p>" % attr(request.arg("id")))
        token = self.tokens[bug.number] = secrets.token_hex(6)
        resolved = bug.status in ("RESOLVED", "VERIFIED", "CLOSED")
        knob = ('<input type="radio" name="knob" value="reopen">' if resolved else
                '<input type="radio" name="knob" value="none" checked>'
                '<input type="radio" name="knob" value="resolve">')
        form = ('<form name="changeform" method="post" action="process_bug.cgi">'
                '<input type="hidden" name="form_name" value="process_bug">'
                '<input type="hidden" name="delta_ts" value="2026-12-10 23:00:00">'
                '<input type="hidden" name="longdesclength" value="1">'
                '<input type="hidden" name="id" value="%d">'
                '<input type="hidden" name="token" value="%s">'
                '<input name="alias" value="">'
                '<input name="short_desc" id="short_desc" value="%s">%s'
                '<label for="component" accesskey="m">Component</label>%s%s%s%s%s%s%s'
                '%s<span id="static_bug_status">%s</span>%s'
                '<textarea name="comment" id="comment"></textarea>'
                '<select name="resolution"><option value="FIXED">FIXED</option></select>'
                '%s</form>'
                % (bug.number, token, attr(bug.summary),
                   select("product", list(PRODUCTS), bug.project, element_id=True),
                   select("component", PRODUCTS[bug.project], bug.extra.get("component"),
                          element_id=True),
                   select("rep_platform", ["All", "PC"], "PC"),
                   select("op_sys", ["All", "Windows"], "Windows"),
                   select("version", VERSIONS, bug.extra.get("version")),
                   select("priority", ["P1", "P3"], "P3"),
                   select("bug_severity", ["critical", "normal"], "normal"),
                   select("target_milestone", ["---"], "---"),
                   inputs([("newcc", ""), ("cc", ""), ("qa_contact", ""),
                           ("bug_file_loc", "http://"), ("status_whiteboard", ""),
                           ("keywords", ""), ("requestee_type-6", ""), ("dependson", ""),
                           ("blocked", "")]),
                   "RESOLVED FIXED" if resolved else bug.status, knob,
                   inputs([("dup_id", ""), ("assigned_to", bug.extra.get("assignee", ""))])))
        return page("Bug %d" % bug.number, form + LOGOUT, marker='name="form_name"')

    def process(self, request):
        bug = self.store.find(request.arg("id"))
        if bug is None or request.arg("token") != self.tokens.pop(bug.number, None):
            return page("Suspicious Action", "<p>The form token is invalid.</p>")
        bug.summary = request.arg("short_desc", bug.summary)
        bug.updates.append(request.fields)
        self.store.changed()
        return page("Bug %d processed" % bug.number, '<dt>Changes submitted for '
                    '<a href="show_bug.cgi?id=%d">bug %d</a></dt>%s'
                    % (bug.number, bug.number, LOGOUT), marker="show_bug.cgi?id=")
