"""The FogBugz pages the tracker sender goes through, all of them
default.asp told apart by pre, pg and command: the logon, the search, the
new case form, the edit form, and the submission of either to the action
page with the form's token. ISO-8859-1 pages.
"""
import secrets

from tracker_http import Tracker, attr, page

PROJECTS = {"1": "Brisole", "2": "Caff\xe8 Brisole"}
AREAS = {"1": ("1", "Installer"), "2": ("1", "Misc"), "3": ("2", "Installer")}
PEOPLE = {"1": "Up For Grabs", "2": "Administrator", "3": "reporter"}
DEFAULT_PERSON = "2"
LOGOFF = '<a href="default.asp?pre=preLogOff">Log Off</a>'


def area_name(number):
    project, area = AREAS[number]
    return "%s: %s" % (PROJECTS[project], area)


def select(name, options, selected):
    return '<select name="%s">%s</select>' % (name, "".join(
        '<option value="%s"%s>%s</option>' % (value, " selected" if value == selected else "",
                                              attr(text)) for value, text in options.items()))


def hidden(values):
    return "".join('<input type="hidden" name="%s" value="%s">' % (name, attr(value))
                   for name, value in values)


class FogBugzTracker(Tracker):
    cookie_name = "fbSession"

    def __init__(self, store):
        super().__init__(store)
        self.tokens = {}  # per session: the action token of the last form
        self.trial_ids = []

    def route(self, request):
        pre, pg, command = request.arg("pre"), request.arg("pg"), request.arg("command")
        if pre == "preLogon":
            return "login", self.logon
        if request.page != "default.asp" or request.session is None:
            return "logon_page", self.logon_page
        if pre == "preSearch":
            return "search", self.search
        if pre == "preSubmitBug":
            return ("update", self.submit) if command == "edit" else ("submit", self.submit)
        if pg.lower() == "pgeditbug" and command == "new":
            return "new", self.new_form
        if pg.lower() == "pgeditbug" and command == "edit":
            return "edit", self.edit_form
        return "main", self.main

    def session_token(self, request):
        token = secrets.token_hex(6)
        self.tokens[request.cookies.get(self.cookie_name)] = token
        return token

    def logon_page(self, request):
        return page("Log On", '<form method="post" action="default.asp">'
                    '<input type="hidden" name="pre" value="preLogon">'
                    '<input name="sPerson"><input type="password" name="sPassword"></form>')

    def logon(self, request):
        user = request.arg("sPerson")
        if self.users.get(user) != request.arg("sPassword"):
            return self.logon_page(request)
        if request.arg("ID"):
            self.trial_ids.append(request.arg("ID"))
        reply = self.main(request)
        reply.cookie = self.start_session(user)
        return reply

    def main(self, request):
        return page("FogBugz", LOGOFF, marker="pre=preLogOff")

    def search(self, request):
        closed_too = request.arg("bAlsoSearchClosedBugs") == "ON"
        bugs = [bug for bug in self.store.search(request.arg("searchFor"))
                if closed_too or bug.status != "closed"]
        rows = "".join('<tr><td><a href="default.asp?pgx=EV&amp;ixBug=%d">%d</a></td>'
                       '<td>%s</td></tr>' % (bug.number, bug.number, attr(bug.summary))
                       for bug in bugs)
        return page("Search", '<a href="default.asp?pre=preSearch&amp;pg=pgList&amp;searchFor=%s">'
                    'Refresh</a><table>%s</table>%s' % (attr(request.arg("searchFor")), rows, LOGOFF),
                    marker="searchFor=")

    def form(self, request, fields, selects, extra=""):
        return ('<form name="formWithFiles" method="post" enctype="multipart/form-data" '
                'action="default.asp?pre=preSubmitBug&amp;sActionToken=%s">%s%s%s'
                '<input type="file" name="File1"></form>%s'
                % (self.session_token(request), hidden(fields), "".join(selects), extra, LOGOFF))

    def new_form(self, request):
        fields = [("command", "new"), ("dtTimeStamp", "12/10/2026 11:00 PM"), ("ixBug", "0"),
                  ("ixBugEventLatest", "0"), ("ixPersonLastOwner", "0"), ("ixDiscussTopic", "0"),
                  ("ixScreenshot", "0"), ("sOriginalTitle", ""), ("sTitle", ""),
                  ("sDueDate", ""), ("sDueTime", ""), ("hrsCurrEstNew", ""),
                  ("hrsElapsedNew", ""), ("omitAtt", ""), ("fIEFileBrowse", "0"),
                  ("sComputer", ""), ("dblTimeStamp", "46000.95"), ("nFileCount", "0")]
        selects = [select("ixProject", PROJECTS, "1"),
                   select("ixArea", {k: area_name(k) for k in AREAS}, "2"),
                   select("ixPersonAssignedTo", PEOPLE, DEFAULT_PERSON),
                   select("ixCategory", {"1": "Bug", "2": "Feature"}, "1"),
                   select("ixFixFor", {"1": "Undecided"}, "1"),
                   select("ixPriority", {"1": "Must Fix", "3": "Should Fix"}, "3")]
        return page("New Case", self.form(request, fields, selects, '<textarea name="sEvent">'
                                          '</textarea>'), marker="sActionToken=")

    def edit_form(self, request):
        bug = self.store.find(request.arg("ixBug"))
        if bug is None:
            return page("Error", "<p>Case not found.</p>" + LOGOFF)
        fields = [("command", "edit"), ("dtTimeStamp", "12/10/2026 11:00 PM"),
                  ("ixBugEventLatest", "2"), ("ixPersonLastOwner", "0"), ("ixDiscussTopic", "0"),
                  ("ixScreenshot", "0"), ("sOriginalTitle", bug.summary), ("sEvent", ""),
                  ("sTitle", bug.summary), ("sDueDate", ""), ("sDueTime", ""),
                  ("hrsCurrEstNew", ""), ("hrsElapsedNew", ""), ("dblTimeStamp", "46000.95"),
                  ("fIEFileBrowse", "0"), ("fIEFileBrowse", "0"), ("idSubscriptionState", "1"),
                  ("nFileCount", "0"), ("omitAtt", ""), ("sComputer", "")]
        selects = [select("ixProject", PROJECTS, bug.extra.get("ixProject")),
                   select("ixArea", {k: area_name(k) for k in AREAS}, bug.extra.get("ixArea")),
                   select("ixPersonAssignedTo", PEOPLE, bug.extra.get("ixPersonAssignedTo")),
                   select("ixCategory", {"1": "Bug", "2": "Feature"}, "1"),
                   select("ixFixFor", {"1": "Undecided"}, "1"),
                   select("ixPriority", {"1": "Must Fix", "3": "Should Fix"}, "1")]
        notes = ('<a href="default.asp?pg=pgEditReleaseNotes&amp;ixBug=%d">Release Notes</a>'
                 % bug.number if bug.status == "closed" else "")
        return page("Edit Case %d" % bug.number, self.form(
            request, fields, selects, '<textarea name="sEvent"></textarea>%s'
            '<input type="submit" name="OK" value="OK">' % notes), marker='name="OK"')

    def submit(self, request):
        token = self.tokens.pop(request.cookies.get(self.cookie_name), None)
        if token is None or request.arg("sActionToken") != token:
            return page("Error", "<p>The action token is not valid.</p>" + LOGOFF)
        if request.arg("command") == "edit":
            bug = self.store.find(request.arg("ixBug"))
            if bug is None:
                return page("Error", "<p>Case not found.</p>" + LOGOFF)
            bug.summary = request.arg("sTitle", bug.summary)
            bug.updates.append(request.fields)
        else:
            project, area = request.arg("ixProject"), request.arg("ixArea")
            person = request.arg("ixPersonAssignedTo")
            if (project not in PROJECTS or AREAS.get(area, ("",))[0] != project
                    or person not in PEOPLE or not request.arg("sTitle")):
                return page("Error", "<p>The case could not be opened.</p>" + LOGOFF)
            bug = self.store.add(PROJECTS[project], request.arg("sTitle"), request.fields,
                                 status="active", ixProject=project, ixArea=area,
                                 ixPersonAssignedTo=person, area=area_name(area),
                                 assignee=PEOPLE[person])
            if request.arg("nFileCount") == "1":
                bug.files = [f for f in request.files if f["name"]]
        self.store.changed()
        return page("Case %d" % bug.number, '<h1>Case %d: %s</h1>'
                    '<a href="default.asp?command=resolve&amp;ixBug=%d">Resolve</a>%s'
                    % (bug.number, attr(bug.summary), bug.number, LOGOFF),
                    marker="command=resolve")
