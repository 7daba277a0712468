// Bug report texts for the log tests, laid out as the report builder writes
// them: title, numbered sections with aligned ": ", a call stack table and
// the CPU block, CR LF line ends, one CR LF at the end.
#pragma once

#include <string>

struct TSampleReport {
  std::string Id = "1A2B";
  std::string Version = "1.0.0.0";
  std::string Message = "Access violation at address 00401000. Read of address 00000000.";
  std::string Count = "1";
  bool CountShown = true;
};

std::string SampleReport(const TSampleReport& facts = {});
// A report distinguishable by `number` (its bug identifier and message).
std::string NumberedReport(int number);
