"""The Mantis pages the tracker sender goes through: login, project
selection, the filtered bug list, the advanced report page and the report,
the update page and the update. UTF-8 pages.
"""
import secrets

from tracker_http import Reply, Tracker, attr, page


def internal(text):
    """A text of ours as the bytes a UTF-8 page carries (one character per byte)."""
    return text.encode("utf-8").decode("latin-1")


PROJECTS = {"1": "Brisole", "2": internal("Caffè Brisole")}
CATEGORIES = {"1": "Installer", "2": "General"}
HANDLERS = {"2": "reporter", "3": "developer"}
STATUSES = {"10": "new", "50": "assigned", "80": "resolved", "90": "closed"}


def select(name, options, selected=None, blank=False):
    items = ['<option value="0"></option>'] if blank else []
    for value, text in options.items():
        mark = ' selected="selected"' if value == selected else ""
        items.append('<option value="%s"%s>%s</option>' % (attr(value), mark, attr(text)))
    return '<select name="%s">%s</select>' % (name, "".join(items))


class MantisTracker(Tracker):
    cookie_name = "MANTIS_STRING_COOKIE"
    charset = "utf-8"

    def __init__(self, store):
        super().__init__(store)
        self.state = {}  # per session: current project, last search, form tokens

    def session_state(self, request):
        return self.state.setdefault(request.cookies.get(self.cookie_name), {})

    def route(self, request):
        pages = {
            "login.php": ("login", self.login),
            "login_select_proj_page.php": ("select_page", self.select_page),
            "set_project.php": ("project", self.set_project),
            "my_view_page.php": ("my_view", self.my_view),
            "view_all_set.php": ("search", self.search),
            "view_all_bug_page.php": ("list", self.bug_list),
            "bug_report_advanced_page.php": ("report_page", self.report_page),
            "bug_report.php": ("report", self.report),
            "bug_update_page.php": ("update_page", self.update_page),
            "bug_update.php": ("update", self.update),
            "view.php": ("view", self.view),
        }
        step, answer = pages.get(request.page, ("login_page", self.login_page))
        if step not in ("login", "login_page") and request.session is None:
            return step, lambda request: self.redirect(request, "login_page.php")
        return step, answer

    def login_page(self, request):
        return page("Login", '<form method="post" action="login.php">'
                    '<input type="text" name="username" /><input type="password" name="password" />'
                    '</form>')

    def login(self, request):
        user = request.arg("username")
        if self.users.get(user) != request.arg("password") or not user:
            return self.redirect(request, "login_page.php?error=1")
        cookie = self.start_session(user)
        target = "my_view_page.php" if "one_project" in self.options else (
            request.arg("return") or "my_view_page.php")
        return self.redirect(request, target, cookie)

    def select_page(self, request):
        return page("Select project", '<form method="post" action="set_project.php">%s</form>'
                    % select("project_id", PROJECTS), marker='name="project_id"')

    def set_project(self, request):
        number = request.arg("project_id")
        if number not in PROJECTS:
            return page("Error", "<p>APPLICATION ERROR #700: project not found.</p>")
        self.session_state(request)["project"] = number
        return self.redirect(request, "my_view_page.php")

    def my_view(self, request):
        state = self.session_state(request)
        if "one_project" in self.options:
            state.setdefault("project", "1")
            menu = ""
        else:
            current = state.get("project", "1")
            menu = ('<form method="post" action="set_project.php"><select name="project_id">'
                    '<option value="0">All Projects</option>'
                    '<option value="%s" selected="selected">%s</option></select></form>'
                    % (current, attr(PROJECTS[current])))
        marker = menu and ">%s</option>" % PROJECTS[state.get("project", "1")]
        return page("My View", '%s<a href="bug_report_page.php">Report Issue</a>' % menu,
                    marker=marker or 'bug_report_page.php">')

    def search(self, request):
        self.session_state(request)["search"] = request.arg("search")
        return self.redirect(request, "view_all_bug_page.php")

    def bug_list(self, request):
        state = self.session_state(request)
        rows = "".join(
            '<tr><td><a href="bug_update_page.php?bug_id=%d">edit</a></td>'
            '<td><a href="view.php?id=%d">%07d</a></td><td>%s</td></tr>'
            % (bug.number, bug.number, bug.number, attr(bug.summary))
            for bug in self.store.search(state.get("search", ""), PROJECTS[state.get("project", "1")]))
        return page("View Issues", '<form method="post" action="view_all_set.php?f=3">'
                    '<input type="submit" name="reset_query_button" value="Reset" /></form>'
                    '<table>%s</table>' % rows, marker='name="reset_query_button"')

    def report_page(self, request):
        state = self.session_state(request)
        state["report_token"] = secrets.token_hex(6)
        file_input = ('<input name="file" type="file" size="60" />' if "single_file" in self.options
                      else '<input name="ufile[]" type="file" size="60" />')
        form = (
            '<form method="post" enctype="multipart/form-data" action="bug_report.php">'
            '<input type="hidden" name="m_id" value="0" />'
            '<input type="hidden" name="project_id" value="%s" />'
            '<input type="hidden" name="bug_report_token" value="%s" />'
            '%s%s%s%s%s'
            '<input tabindex="5" type="text" name="platform" size="32" value="" />'
            '<input type="text" name="summary" size="105" value="" />'
            '<textarea name="description" cols="80" rows="10"></textarea>'
            '<input type="hidden" name="max_file_size" value="5000000" />%s'
            '<input type="checkbox" name="report_stay" /></form>'
            % (state.get("project", "1"), state["report_token"],
               select("category_id", CATEGORIES, blank=True),
               select("reproducibility", {"10": "always", "70": "have not tried"}, "70"),
               select("severity", {"10": "feature", "50": "minor", "60": "major"}, "50"),
               select("priority", {"20": "low", "30": "normal"}, "30"),
               select("handler_id", HANDLERS, blank=True), file_input))
        return page("Report Issue", form, marker=file_input[:20])

    def report(self, request):
        state = self.session_state(request)
        project = request.arg("project_id")
        category = request.arg("category_id")
        if (request.arg("bug_report_token") != state.get("report_token") or project not in PROJECTS
                or category not in CATEGORIES or not request.arg("summary")):
            return page("Error", "<p>APPLICATION ERROR #11: a necessary field was empty.</p>")
        state.pop("report_token")
        bug = self.store.add(PROJECTS[project], request.arg("summary"), request.fields,
                             category=CATEGORIES[category],
                             assignee=HANDLERS.get(request.arg("handler_id"), ""))
        bug.files = [f for f in request.files if f["name"]]
        self.store.changed()
        return page("Report Issue", '<div>Operation successful.</div>'
                    '<a href="view.php?id=%d">View Submitted Issue %d</a>' % (bug.number, bug.number),
                    marker='href="view.php?id=')

    def update_page(self, request):
        bug = self.store.find(request.arg("bug_id"))
        if bug is None:
            return page("Error", "<p>APPLICATION ERROR #1100: issue not found.</p>")
        state = self.session_state(request)
        state["update_token"] = secrets.token_hex(6)
        current_category = next((k for k, v in CATEGORIES.items() if v == bug.extra.get("category")), "")
        form = (
            '<form method="post" action="bug_update.php">'
            '<input type="hidden" name="bug_update_token" value="%s" />'
            '<input type="hidden" name="bug_id" value="%d" />'
            '<input type="hidden" name="update_mode" value="1" />'
            '%s%s%s%s%s%s%s%s%s'
            '<input type="text" name="summary" size="105" value="%s" />'
            '<textarea name="description">%s</textarea>'
            '<textarea name="additional_information"></textarea>'
            '<textarea name="bugnote_text"></textarea></form>'
            % (state["update_token"], bug.number,
               select("category_id", CATEGORIES, current_category),
               select("severity", {"10": "feature", "50": "minor"}, bug.field("severity", "50")),
               select("reproducibility", {"10": "always", "70": "have not tried"}, "10"),
               select("reporter_id", {"2": "reporter"}, "2"),
               select("view_state", {"10": "public", "50": "private"}, "10"),
               select("handler_id", HANDLERS, bug.field("handler_id"), blank=True),
               select("priority", {"20": "low", "30": "normal"}, bug.field("priority", "30")),
               select("status", STATUSES, bug.status),
               select("resolution", {"10": "open", "20": "fixed"}, "10"),
               attr(bug.summary), attr(bug.field("description"))))
        return page("Update Issue", form, marker='name="severity"')

    def update(self, request):
        state = self.session_state(request)
        bug = self.store.find(request.arg("bug_id"))
        if bug is None or request.arg("bug_update_token") != state.get("update_token"):
            return page("Error", "<p>APPLICATION ERROR #2800: invalid form security token.</p>")
        state.pop("update_token")
        bug.summary = request.arg("summary", bug.summary)
        bug.updates.append(request.fields)
        self.store.changed()
        return self.redirect(request, "view.php?id=%d" % bug.number)

    def view(self, request):
        bug = self.store.find(request.arg("id"))
        if bug is None:
            return page("Error", "<p>APPLICATION ERROR #1100: issue not found.</p>")
        return page("View Issue", '<a href="view.php?id=%d">%07d</a><td>%s</td>'
                    % (bug.number, bug.number, attr(bug.summary)), marker='href="view.php?id=')
