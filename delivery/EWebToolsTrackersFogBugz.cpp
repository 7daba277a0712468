// Filing into a FogBugz tracker: every page is default.asp, told apart by
// its pre, pg and command arguments; bug forms post to an action page that
// carries the form's action token.
#include "delivery/EWebToolsTrackers.h"

namespace {

constexpr std::string_view kPage = "default.asp";
constexpr std::string_view kResolveLink = "command=resolve";

bool LogIn(THTTPConnectionBase& connection, const TTrackerReport& report) {
  connection.SetRequest(kPage, hmPostForm);
  connection.AddField("pre", "preLogon");
  connection.AddField("dest", "");
  connection.AddField("sPerson", report.User);
  connection.AddField("sPassword", report.Password);
  connection.AddField("fRememberPassword", "0");
  const std::string trialId = CustomFieldValue(report.CustomFields, kTrialIdField);
  if (!trialId.empty()) connection.AddField("ID", trialId);
  return connection.ExecuteRequest(false) && connection.ResponseMatches(kPage, "pre=preLogOff");
}

bool Search(THTTPConnectionBase& connection, const TTrackerReport& report) {
  connection.SetRequest(kPage, hmGet);
  connection.AddField("pre", "preSearch");
  connection.AddField("pg", "pgList");
  connection.AddField("pgBack", "pgSearch");
  connection.AddField("search", "1");
  connection.AddField("bAlsoSearchClosedBugs", "ON");
  connection.AddField("searchFor", TrackerSearchText(report.ClassName, report.BugId));
  return connection.ExecuteRequest(false) && connection.ResponseMatches(kPage, "searchFor=");
}

// The bug form of the last response posts here, with its action token.
void PrepareActionPage(THTTPConnectionBase& connection) {
  std::string page = "default.asp?pre=preSubmitBug";
  if (auto token = TextUpToQuote(connection.Response().Body, "sActionToken="))
    page.append("&sActionToken=").append(*token);
  connection.SetRequest(page, hmPostMultipart);
}

void AddInputFields(THTTPConnectionBase& connection, std::initializer_list<const char*> names) {
  for (const char* name : names) connection.AddInputField(name);
}

int FileNewBug(THTTPConnectionBase& connection, const TTrackerReport& report) {
  connection.NotifyState(3, 0);
  connection.SetRequest(kPage, hmGet);
  connection.AddField("command", "new");
  connection.AddField("pg", "pgEditBug");
  if (!connection.ExecuteRequest(false) || !connection.ResponseMatches(kPage, {}))
    return trInsertRefused;

  PrepareActionPage(connection);
  AddInputFields(connection,
                 {"command", "dtTimeStamp", "ixBug", "ixBugEventLatest", "ixPersonLastOwner",
                  "ixDiscussTopic", "ixScreenshot", "sOriginalTitle"});
  connection.AddField("sTitle", TrackerBugTitle(report.Version, report.ClassName, report.BugId));
  connection.AddField(
      "sEvent", TrackerDescription(report.Message,
                                   CustomFieldValue(report.CustomFields, kReproduceTextField)));
  connection.AddOptionField("ixProject", report.Project);
  connection.AddOptionField("ixArea", report.Project + ": " + report.Category);
  if (report.Assignee.empty())
    connection.AddSelectedField("ixPersonAssignedTo");
  else
    connection.AddOptionField("ixPersonAssignedTo", report.Assignee);
  connection.AddSelectedField("ixCategory");
  connection.AddSelectedField("ixFixFor");
  connection.AddField("ixPriority", "1");
  AddInputFields(connection, {"sDueDate", "sDueTime"});
  connection.AddField("hrsCurrEstNew", "");
  AddInputFields(connection, {"hrsElapsedNew", "omitAtt", "fIEFileBrowse"});
  connection.AddField("sVersion", report.Version);
  AddInputFields(connection, {"sComputer", "dblTimeStamp"});
  connection.AddCustomFields(report.CustomFields);
  if (report.AttachedFile.empty()) {
    connection.AddField("nFileCount", "0");
  } else {
    connection.AddField("nFileCount", "1");
    connection.AddFile("File1", report.AttachedFile);
  }
  const bool filed =
      connection.ExecuteRequest(true) && connection.ResponseMatches(kPage, kResolveLink);
  return filed ? trFiled : trInsertRefused;
}

int AddOccurrence(THTTPConnectionBase& connection, const TTrackerReport& report) {
  connection.NotifyState(5, 0);
  const std::string number = TextAfterMarker(connection.Response().Body, "ixBug=", 1);
  connection.SetRequest(kPage, hmGet);
  connection.AddField("pg", "pgEditBug");
  connection.AddField("command", "edit");
  connection.AddField("ixBug", number);
  if (!connection.ExecuteRequest(false) || !connection.ResponseMatches(kPage, "name=\"OK\""))
    return trModifyRefused;

  PrepareActionPage(connection);
  if (!connection.BumpSummaryCounter("sTitle")) return trFiled;
  // Only closed bugs offer their release notes.
  if (connection.ResponseMatches({}, "default.asp?pg=pgEditReleaseNotes")) return trBugClosed;

  AddInputFields(connection, {"command", "dtTimeStamp"});
  connection.AddField("ixBug", number);
  AddInputFields(connection, {"ixBugEventLatest", "ixPersonLastOwner", "ixDiscussTopic",
                              "ixScreenshot", "sOriginalTitle", "sEvent"});
  for (const char* name :
       {"ixProject", "ixArea", "ixPersonAssignedTo", "ixCategory", "ixFixFor", "ixPriority"})
    connection.AddSelectedField(name);
  // The form holds some of these twice; they are sent as often as found.
  AddInputFields(connection,
                 {"sDueDate", "sDueTime", "hrsCurrEstNew", "hrsElapsedNew", "dblTimeStamp",
                  "fIEFileBrowse", "fIEFileBrowse", "hrsCurrEstNew", "idSubscriptionState",
                  "ixDiscussTopic", "ixPersonLastOwner", "nFileCount", "omitAtt", "sComputer"});
  connection.AddTextAreaField("sEvent");
  connection.AddInputField("sOriginalTitle");
  connection.AddField("sVersion", report.Version);
  connection.AddCustomFields(report.CustomFields);
  const bool modified =
      connection.ExecuteRequest(true) && connection.ResponseMatches(kPage, kResolveLink);
  return modified ? trFiled : trModifyRefused;
}

}  // namespace

int THTTPFogBugzSendReport::SendOverConnection(THTTPConnectionBase& connection,
                                               const TTrackerReport& report) {
  if (!LogIn(connection, report)) return trLoginRefused;
  connection.NotifyState(4, 0);
  if (!Search(connection, report)) return trSearchRefused;
  if (!connection.ResponseMatches({}, "default.asp?pg=pgeditbug") &&
      !connection.ResponseMatches({}, "default.asp?pgx=EV&amp;ixBug="))
    return FileNewBug(connection, report);
  return AddOccurrence(connection, report);
}
