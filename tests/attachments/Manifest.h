// What the test program leaves for the Linux-side checker: the files in one
// output folder and, beside each case's files, "<case>.json" saying what they
// must hold. Texts are written with every byte as the code point of the same
// value (\u00XX for the bytes that JSON needs escaped or that are not ASCII).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// The folder named by VIPC_ATTACHMENTS_OUT (created), with a final "\".
const std::string& OutputFolder();

std::string JsonText(std::string_view bytes);
std::string JsonList(const std::vector<std::string>& items);  // items already JSON
std::string JsonInts(std::initializer_list<int> values);

// A JSON object built member by member and written as "<case>.json".
class TManifest {
 public:
  explicit TManifest(std::string caseName) : case_(std::move(caseName)) {}
  TManifest& Text(std::string_view key, std::string_view value) {
    return Raw(key, JsonText(value));
  }
  TManifest& Number(std::string_view key, long long value) {
    return Raw(key, std::to_string(value));
  }
  TManifest& Raw(std::string_view key, std::string_view json);
  // Writes the file; the case's files must be in place by then.
  void Write() const;

 private:
  std::string case_;
  std::string members_;
};
