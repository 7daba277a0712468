// The texts and small rules of a delivery run: the mail body with the
// report, the warning texts of the uploads and trackers, the outcome of the
// two steps together, and which kept packages stay in the log's folder.
//
// Pure: no windows.h; never raises except std::bad_alloc.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The outcome of a step or of the whole run. A user who cancelled in the
// mail client withdrew the message: not sent, but no failure either.
enum class TDeliveryOutcome { Sent, Failed, Withdrawn };
// The run's outcome after `step`: a failure stays a failure; a withdrawn
// step makes a sent run withdrawn.
TDeliveryOutcome CombineOutcomes(TDeliveryOutcome sofar, TDeliveryOutcome step);

// The body, followed by "\r\n\r\n\r\n" and the report text when the report
// travels in the body.
std::string BodyWithReport(std::string_view body, bool reportInBody, std::string_view report);

// "%s error code: %d%s": the road ("HTTP", "HTTPS", "FTP"), the result, and
// " - Cannot find the \"wininet.dll\" library." for -1, " (text)" when the
// result carries a text, else nothing.
std::string UploadErrorText(std::string_view road, long code, std::string_view errorText);
// The tracker's refusal: its result's text, "\r\n\r\n" and
// "Error Code: %d\r\nError Message: \"%s\"".
std::string TrackerErrorText(std::string_view resultText, unsigned long errorCode,
                             std::string_view errorMessage);

// Whether `name` is one of the packages a failed delivery keeps: the
// package's own name, or one that the kept names' counter made from it
// ("BugReport (2).zip"), with the names of attached files' shown-name
// additions ("BugReport__PC1__20081209140503.zip") included; letters
// compared without case.
bool IsKeptPackageName(std::string_view name, std::string_view packageName);
// The kept packages among `names` that go: all but the last `keep` in name
// order (the first ones in name order), in that order.
std::vector<std::string> PackagesToPrune(std::vector<std::string> names, std::size_t keep);
// `name`, or, when `taken` says it exists, the name with " (2)", " (3)",
// ... before its extension, the first that is free.
template <class Taken>
std::string FreeKeptName(std::string_view name, const Taken& taken);
std::string NumberedName(std::string_view name, int number);

template <class Taken>
std::string FreeKeptName(std::string_view name, const Taken& taken) {
  std::string candidate(name);
  for (int number = 2; taken(candidate); ++number) candidate = NumberedName(name, number);
  return candidate;
}
