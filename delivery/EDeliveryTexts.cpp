#include "delivery/EDeliveryTexts.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "report/EAttachmentNames.h"

namespace {

constexpr std::string_view kThreeLineBreaks = "\r\n\r\n\r\n";

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

}  // namespace

TDeliveryOutcome CombineOutcomes(TDeliveryOutcome sofar, TDeliveryOutcome step) {
  if (sofar == TDeliveryOutcome::Failed || step == TDeliveryOutcome::Failed) {
    return TDeliveryOutcome::Failed;
  }
  if (sofar == TDeliveryOutcome::Withdrawn || step == TDeliveryOutcome::Withdrawn) {
    return TDeliveryOutcome::Withdrawn;
  }
  return TDeliveryOutcome::Sent;
}

std::string BodyWithReport(std::string_view body, bool reportInBody, std::string_view report) {
  std::string text(body);
  if (reportInBody) text.append(kThreeLineBreaks).append(report);
  return text;
}

std::string UploadErrorText(std::string_view road, long code, std::string_view errorText) {
  std::string detail;
  if (code == -1) {
    detail = " - Cannot find the \"wininet.dll\" library.";
  } else if (!errorText.empty()) {
    detail = " (" + std::string(errorText) + ")";
  }
  return std::string(road) + " error code: " + std::to_string(code) + detail;
}

std::string TrackerErrorText(std::string_view resultText, unsigned long errorCode,
                             std::string_view errorMessage) {
  return std::string(resultText) + "\r\n\r\nError Code: " + std::to_string(errorCode) +
         "\r\nError Message: \"" + std::string(errorMessage) + "\"";
}

bool IsKeptPackageName(std::string_view name, std::string_view packageName) {
  const std::string upper = Upper(name);
  const std::string package = Upper(packageName);
  const std::size_t dot = package.find_last_of('.');
  const std::string stem = package.substr(0, dot);
  const std::string extension = dot == std::string::npos ? std::string() : package.substr(dot);
  if (upper.size() < stem.size() + extension.size()) return false;
  if (upper.compare(0, stem.size(), stem) != 0 || !EndsWith(upper, extension)) return false;
  // What lies between the stem and the extension: nothing, the shown-name
  // additions ("__..."), the counter (" (N)"), or the additions and then
  // the counter.
  std::string_view middle(upper);
  middle = middle.substr(stem.size(), upper.size() - stem.size() - extension.size());
  if (EndsWith(middle, ")")) {
    const std::size_t open = middle.rfind(" (");
    if (open == std::string_view::npos) return false;
    const std::string_view digits = middle.substr(open + 2, middle.size() - open - 3);
    if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) {
          return std::isdigit(static_cast<unsigned char>(c));
        })) {
      return false;
    }
    middle = middle.substr(0, open);
  }
  return middle.empty() || middle.substr(0, 2) == "__";
}

std::vector<std::string> PackagesToPrune(std::vector<std::string> names, std::size_t keep) {
  // File names compare without case, as the file system does.
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return Upper(a) < Upper(b); });
  if (names.size() <= keep) return {};
  names.resize(names.size() - keep);
  return names;
}

std::string NumberedName(std::string_view name, int number) {
  return InsertBeforeExtension(name, " (" + std::to_string(number) + ")");
}
