// Filing into a Bugzilla tracker: the search and the new bug are per
// product and component; the report package follows the new bug as an
// attachment of its own.
#include <algorithm>

#include "delivery/EWebToolsHtml.h"
#include "delivery/EWebToolsTrackers.h"

namespace {

constexpr std::string_view kBugLink = "show_bug.cgi?id=";

bool LogIn(THTTPConnectionBase& connection, const TTrackerReport& report) {
  connection.SetRequest("enter_bug.cgi", hmPostForm);
  connection.AddField("project", report.Project);
  connection.AddField("Bugzilla_login", report.User);
  connection.AddField("Bugzilla_password", report.Password);
  return connection.ExecuteRequest(false) &&
         (connection.ResponseMatches("enter_bug.cgi", "relogin.cgi") ||
          connection.ResponseMatches("enter_bug.cgi", "index.cgi?logout=1"));
}

bool Search(THTTPConnectionBase& connection, const TTrackerReport& report) {
  connection.SetRequest("buglist.cgi", hmGet);
  connection.AddField("query_format", "specific");
  connection.AddField("order", "relevance desc");
  connection.AddField("bug_status", "__all__");
  connection.AddField("product", report.Project);
  connection.AddField("component", report.Category);
  connection.AddField("content", TrackerSearchText(report.ClassName, report.BugId));
  return connection.ExecuteRequest(false) &&
         connection.ResponseMatches("buglist.cgi", "href=\"query.cgi?");
}

// The host's version when the form offers it, else the form's own choice.
void AddVersion(THTTPConnectionBase& connection, const std::string& version) {
  if (connection.ResponseMatches({}, "<option value=\"" + version + "\">"))
    connection.AddField("version", version);
  else
    connection.AddSelectedField("version");
}

bool HasValue(const std::vector<std::string>& fields, std::string_view name) {
  return std::any_of(fields.begin(), fields.end(), [&](const std::string& line) {
    return line.size() > name.size() + 1 && line.compare(0, name.size(), name) == 0 &&
           line[name.size()] == '=';
  });
}

int FileNewBug(THTTPConnectionBase& connection, const TTrackerReport& report) {
  connection.NotifyState(3, 0);
  connection.SetRequest("enter_bug.cgi", hmGet);
  connection.AddField("product", report.Project);
  connection.AddField("component", report.Category);
  if (!connection.ExecuteRequest(false) ||
      !connection.ResponseMatches({}, "action=\"post_bug.cgi\""))
    return trProjectRefused;

  connection.SetRequest("post_bug.cgi", hmPostForm);
  connection.AddInputField("product");
  connection.AddInputField("component");
  AddVersion(connection, report.Version);
  connection.AddSelectedField("component");
  // Forms that fill the component menu by script name it only there.
  if (!HasValue(connection.Fields(), "component")) {
    if (auto component = TextUpToQuote(connection.Response().Body, "components[0] = \""))
      connection.AddField("component", *component);
  }
  for (const char* name :
       {"rep_platform", "op_sys", "priority", "bug_severity", "target_milestone"})
    connection.AddSelectedField(name);
  connection.AddInputField("bug_status");
  connection.AddField("assigned_to", report.Assignee.empty() ? report.User : report.Assignee);
  for (const char* name : {"qa_contact", "cc", "estimated_time", "deadline", "bug_file_loc"})
    connection.AddInputField(name);
  connection.AddField("short_desc",
                      TrackerBugTitle(report.Version, report.ClassName, report.BugId));
  connection.AddField(
      "comment", TrackerDescription(report.Message,
                                    CustomFieldValue(report.CustomFields, kReproduceTextField)));
  for (const char* name : {"keywords", "dependson", "blocked"}) connection.AddInputField(name);
  connection.AddField("form_name", "enter_bug");
  connection.AddSelectedField("bug_status");
  connection.AddCustomFields(report.CustomFields);
  if (!connection.ExecuteRequest(false) || !connection.ResponseMatches("post_bug.cgi", kBugLink))
    return trInsertRefused;

  // The new bug's number: its form's id input, else its link.
  std::string bugId = InputValue(connection.Response().Body, "id")
                          .value_or(TextAfterMarker(connection.Response().Body, kBugLink, 1));
  connection.SetRequest("attachment.cgi", hmPostMultipart);
  connection.AddField("bugid", bugId);
  connection.AddField("action", "insert");
  connection.AddField("description", "FILE");
  connection.AddField("contenttypemethod", "list");
  connection.AddField("contenttypeselection", "application/octet-stream");
  connection.AddField("contenttypeentry", "");
  for (const char* name : {"flag_type-1", "flag_type-2", "flag_type-3", "flag_type-4"})
    connection.AddField(name, "X");
  connection.AddField("comment", "");
  if (!report.AttachedFile.empty()) connection.AddFile("data", report.AttachedFile);
  const bool attached = connection.ExecuteRequest(true) &&
                        connection.ResponseMatches("attachment.cgi", "attachment.cgi");
  return attached ? trFiled : trInsertRefused;
}

bool IsBugForm(const THTTPConnectionBase& connection) {
  for (std::string_view marker : {"name=\"form_name\"", "type=\"hidden\" id=\"component\"",
                                  "select id=\"component\" name=\"component\"",
                                  "<label for=\"component\" accesskey=\"", "show_bug.cgi?id="})
    if (connection.ResponseMatches("show_bug.cgi", marker)) return true;
  return false;
}

int AddOccurrence(THTTPConnectionBase& connection, const TTrackerReport& report) {
  connection.NotifyState(5, 0);
  const std::string number = TextAfterMarker(connection.Response().Body, kBugLink, 1);
  connection.SetRequest("show_bug.cgi", hmGet);
  connection.AddField("id", number);
  if (!connection.ExecuteRequest(false) || !IsBugForm(connection)) return trModifyRefused;

  connection.SetRequest("process_bug.cgi", hmPostForm);
  if (!connection.BumpSummaryCounter("short_desc")) return trFiled;
  // A resolved bug offers to reopen it; it is left alone.
  for (std::string_view marker :
       {"value=\"reopen\"", "value=\"reopened\"", "static_bug_status\">RESOLVED"})
    if (connection.ResponseMatches({}, marker)) return trBugClosed;

  for (const char* name : {"delta_ts", "longdesclength", "id", "token", "alias"})
    connection.AddInputField(name);
  if (InputValue(connection.Response().Body, "bug_file_loc"))
    connection.AddInputField("bug_file_loc");
  else
    connection.AddField("bug_file_loc", "");
  for (const char* name : {"product", "component", "rep_platform", "op_sys"})
    connection.AddSelectedField(name);
  AddVersion(connection, report.Version);
  for (const char* name : {"priority", "bug_severity", "target_milestone"})
    connection.AddSelectedField(name);
  for (const char* name :
       {"newcc", "cc", "qa_contact", "bug_file_loc", "status_whiteboard", "keywords"})
    connection.AddInputField(name);
  connection.AddField("flag_type-6", "X");
  for (const char* name : {"requestee_type-6", "dependson", "blocked"})
    connection.AddInputField(name);
  connection.AddTextAreaField("comment");
  connection.AddField("knob", "none");
  connection.AddSelectedFieldIfSet("resolution");
  for (const char* name : {"dup_id", "assigned_to", "form_name"}) connection.AddInputField(name);
  connection.AddCustomFields(report.CustomFields);
  const bool modified =
      connection.ExecuteRequest(true) && connection.ResponseMatches("process_bug.cgi", kBugLink);
  return modified ? trFiled : trModifyRefused;
}

}  // namespace

int THTTPBugzillaSendReport::SendOverConnection(THTTPConnectionBase& connection,
                                                const TTrackerReport& report) {
  if (!LogIn(connection, report)) return trLoginRefused;
  connection.NotifyState(4, 0);
  if (!Search(connection, report)) return trSearchRefused;
  if (!connection.ResponseMatches({}, kBugLink)) return FileNewBug(connection, report);
  return AddOccurrence(connection, report);
}
