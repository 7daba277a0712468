#include "tests/support/LineDiff.h"

#include <algorithm>
#include <vector>

namespace {

constexpr std::size_t kContext = 3;

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const auto end = text.find('\n');
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::string Shown(std::string_view line) {
  std::string shown;
  for (char c : line) shown += c == '\r' ? std::string("\\r") : std::string(1, c);
  return shown;
}

struct TEdit {
  char Kind;  // ' ', '-' or '+'
  std::size_t ExpectedLine, ActualLine;
  std::string_view Text;
};

// The edits of a longest common subsequence of the lines.
std::vector<TEdit> Edits(const std::vector<std::string_view>& a,
                         const std::vector<std::string_view>& b) {
  std::vector<std::vector<std::size_t>> common(a.size() + 1,
                                               std::vector<std::size_t>(b.size() + 1));
  for (std::size_t i = a.size(); i-- > 0;)
    for (std::size_t j = b.size(); j-- > 0;)
      common[i][j] =
          a[i] == b[j] ? common[i + 1][j + 1] + 1 : std::max(common[i + 1][j], common[i][j + 1]);
  std::vector<TEdit> edits;
  std::size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    if (i < a.size() && j < b.size() && a[i] == b[j]) {
      edits.push_back({' ', i, j, a[i]});
      ++i;
      ++j;
    } else if (i < a.size() && (j == b.size() || common[i + 1][j] >= common[i][j + 1])) {
      edits.push_back({'-', i, j, a[i]});
      ++i;
    } else {
      edits.push_back({'+', i, j, b[j]});
      ++j;
    }
  }
  return edits;
}

}  // namespace

std::string LineDiff(std::string_view expected, std::string_view actual) {
  if (expected == actual) return {};
  const std::vector<TEdit> edits = Edits(Lines(expected), Lines(actual));
  std::vector<bool> shown(edits.size(), false);
  for (std::size_t k = 0; k < edits.size(); ++k) {
    if (edits[k].Kind == ' ') continue;
    const std::size_t from = k > kContext ? k - kContext : 0;
    const std::size_t to = std::min(edits.size(), k + kContext + 1);
    std::fill(shown.begin() + from, shown.begin() + to, true);
  }
  std::string text;
  for (std::size_t k = 0; k < edits.size(); ++k) {
    if (!shown[k]) continue;
    if (k == 0 || !shown[k - 1]) {
      text += "@@ expected line " + std::to_string(edits[k].ExpectedLine + 1) + ", actual line " +
              std::to_string(edits[k].ActualLine + 1) + " @@\n";
    }
    text += edits[k].Kind + Shown(edits[k].Text) + "\n";
  }
  if (text.empty()) text = "(the texts differ only in a final line break)\n";
  return text;
}
