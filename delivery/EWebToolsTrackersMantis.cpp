// Filing into a Mantis tracker. Its pages are UTF-8: the texts a user
// typed (project, category, assignee, message, reproduce text) are
// converted from the ANSI code page first.
#include "delivery/EWebToolsHtml.h"
#include "delivery/EWebToolsTrackers.h"
#include "delivery/EWebToolsTrackersCodePage.h"

namespace {

constexpr std::string_view kUpdateLink = "bug_update_page.php?bug_id=";
constexpr std::string_view kAdvancedUpdateLink = "bug_update_advanced_page.php?bug_id=";
constexpr std::string_view kProjectSelect = "<select name=\"project_id\"";
constexpr std::string_view kViewLink = "href=\"view.php?id=";

struct TMantisTexts {
  std::string Project, Category, Assignee, Message, ReproduceText;
};

bool LogIn(THTTPConnectionBase& connection, const TTrackerReport& report) {
  connection.SetRequest("login.php", hmPostForm);
  connection.AddField("return", "login_select_proj_page.php");
  connection.AddField("username", report.User);
  connection.AddField("password", report.Password);
  const bool sent = connection.ExecuteRequest(false);
  return (sent &&
          connection.ResponseMatches("login_select_proj_page.php", "name=\"project_id\"")) ||
         connection.ResponseMatches("my_view_page.php", "bug_report_page.php\">");
}

bool SelectProject(THTTPConnectionBase& connection, const std::string& project) {
  // A user with one project lands on his view page without a project menu.
  if (!connection.ResponseMatches("my_view_page.php", {}, kProjectSelect)) {
    connection.SetRequest("set_project.php", hmPostForm);
    connection.AddOptionField("project_id", project);
    if (!connection.ExecuteRequest(false)) return false;
  }
  return connection.ResponseMatches("my_view_page.php", ">" + project + "</option>") ||
         connection.ResponseMatches("my_view_page.php", " " + project + "</option>") ||
         connection.ResponseMatches("my_view_page.php", {}, kProjectSelect);
}

bool Search(THTTPConnectionBase& connection, const TTrackerReport& report) {
  connection.SetRequest("view_all_set.php?f=3", hmPostForm);
  connection.AddField("type", "1");
  connection.AddField("page_number", "1");
  connection.AddField("view_type", "simple");
  connection.AddField("search", TrackerSearchText(report.ClassName, report.BugId));
  return connection.ExecuteRequest(false) &&
         (connection.ResponseMatches("view_all_bug_page.php", "name=\"reset_query_button\"") ||
          connection.ResponseMatches("view_all_bug_page.php", "name=\"source_query_id\""));
}

int FileNewBug(THTTPConnectionBase& connection, const TTrackerReport& report,
               const TMantisTexts& texts) {
  connection.SetRequest("bug_report_advanced_page.php", hmGet);
  if (!connection.ExecuteRequest(false)) return trInsertRefused;
  const bool multipleFiles = connection.ResponseMatches({}, "name=\"ufile[]\"");
  if (!multipleFiles && !connection.ResponseMatches({}, "name=\"file\" type=\"file\""))
    return trInsertRefused;

  connection.SetRequest("bug_report.php", hmPostMultipart);
  connection.AddInputField("m_id");
  connection.AddInputField("project_id");
  connection.AddOptionField("handler_id", texts.Assignee);
  connection.AddOptionField("category", texts.Category);
  connection.AddField("reproducibility", "10");
  connection.AddSelectedField("severity");
  connection.AddSelectedField("priority");
  connection.AddInputField("platform");
  connection.AddField("os", CustomFieldValue(report.CustomFields, kOsTypeField));
  connection.AddField("os_build", CustomFieldValue(report.CustomFields, kOsBuildField));
  connection.AddField("build", report.Version);
  connection.AddField("summary", TrackerBugTitle(report.Version, report.ClassName, report.BugId));
  connection.AddField("description", texts.Message);
  connection.AddField("steps_to_reproduce", texts.ReproduceText);
  connection.AddField("additional_info", "");
  connection.AddField("view_state", "10");
  connection.AddInputField("report_stay");
  connection.AddInputField("bug_report_token");
  connection.AddOptionField("category_id", texts.Category);
  connection.AddCustomFields(report.CustomFields);
  if (!report.AttachedFile.empty())
    connection.AddFile(multipleFiles ? "ufile[]" : "file", report.AttachedFile);
  const bool filed =
      connection.ExecuteRequest(true) && connection.ResponseMatches("bug_report.php", kViewLink);
  return filed ? trFiled : trInsertRefused;
}

int AddOccurrence(THTTPConnectionBase& connection, const TTrackerReport& report) {
  connection.NotifyState(5, 0);
  std::string number = TextAfterMarker(connection.Response().Body, kUpdateLink, 1);
  if (number.empty()) number = TextAfterMarker(connection.Response().Body, kAdvancedUpdateLink, 1);

  connection.SetRequest("bug_update_page.php", hmGet);
  connection.AddField("bug_id", number);
  if (!connection.ExecuteRequest(false) || !connection.ResponseMatches({}, "name=\"severity\""))
    return trModifyRefused;

  connection.SetRequest("bug_update.php", hmPostForm);
  // A counter at its limit is not raised any more; the report counts as delivered.
  if (!connection.BumpSummaryCounter("summary")) return trFiled;
  // Resolved (80) and closed (90) bugs are left alone.
  const auto status = SelectedOptionValue(connection.Response().Body, "status");
  if (status && (*status == "80" || *status == "90")) return trBugClosed;

  connection.AddField("bug_id", number);
  connection.AddInputField("update_mode");
  for (const char* name : {"category", "severity", "reproducibility", "reporter_id", "view_state",
                           "handler_id", "priority"})
    connection.AddSelectedField(name);
  connection.AddSelectedFieldIfSet("resolution");
  for (const char* name : {"description", "additional_information", "bugnote_text"})
    connection.AddTextAreaField(name);
  connection.AddField("build", report.Version);
  connection.AddInputField("bug_update_token");
  connection.AddSelectedField("category_id");
  connection.AddCustomFields(report.CustomFields);
  const bool modified =
      connection.ExecuteRequest(true) && (connection.ResponseMatches("bug_update.php", kViewLink) ||
                                          connection.ResponseMatches("view.php", kViewLink));
  return modified ? trFiled : trModifyRefused;
}

}  // namespace

int THTTPMantisSendReport::SendOverConnection(THTTPConnectionBase& connection,
                                              const TTrackerReport& report) {
  const TMantisTexts texts{AnsiToUtf8(report.Project), AnsiToUtf8(report.Category),
                           AnsiToUtf8(report.Assignee), AnsiToUtf8(report.Message),
                           AnsiToUtf8(CustomFieldValue(report.CustomFields, kReproduceTextField))};
  if (!LogIn(connection, report)) return trLoginRefused;
  connection.NotifyState(3, 0);
  if (!SelectProject(connection, texts.Project)) return trProjectRefused;
  connection.NotifyState(4, 0);
  if (!Search(connection, report)) return trSearchRefused;
  if (!connection.ResponseMatches({}, kUpdateLink) &&
      !connection.ResponseMatches({}, kAdvancedUpdateLink))
    return FileNewBug(connection, report, texts);
  return AddOccurrence(connection, report);
}
