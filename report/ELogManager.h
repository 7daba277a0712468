// TLogFile: one log file of bug reports loaded as its stored reports, edited
// in memory and written back whole.
//
// A writable log object holds the log's cross-process lock from its creation
// to its end, and loads the file after taking it: whatever it saves is the
// file as it stood under the lock plus this object's own changes, so another
// writer's report is never dropped. Keep such an object only for one
// load-change-save; never across a callback into the program. A read-only
// object takes no lock and cannot save.
//
// Failures raise EInOutError (no writable place, the lock not had in time, a
// file that exists but cannot be read, a save that cannot be completed).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "report/ELogManagerFile.h"
#include "report/ELogManagerFormat.h"

class TLogFile {
 public:
  // The name goes through WritableLocation (with the per-program subfolder),
  // so an unwritable folder falls back to the engine folder. An existing file
  // is loaded; a missing one gives an empty log (for a read-only object also
  // when no place holds the file).
  TLogFile(const std::string& fileName, bool readOnly);
  TLogFile(const TLogFile&) = delete;
  TLogFile& operator=(const TLogFile&) = delete;

  // The place the log was opened at.
  const std::string& FileName() const { return fileName_; }

  // Drops the oldest reports beyond `limit` (-1: no limit) and adds `report`.
  void Append(std::string_view report, int limit);
  // Replaces the file by the stored reports (an empty log gives an empty
  // file). The file is replaced in one step: a failed save leaves it as it
  // was. Raises on a read-only object.
  void Save();

  int ReportCount() const { return static_cast<int>(reports_.size()); }
  // Every stored report followed by CR LF.
  std::string WholeText() const;
  const TStoredReports& Reports() const { return reports_; }

  // The value of an item of stored report `index`, or empty when the index is
  // outside 0..ReportCount()-1 or the item is absent.
  std::string ItemValue(std::string_view item, int index) const;
  // Sets the item's value, adding it (with `label`) to its section when the
  // report hides it. An index outside the list does nothing.
  void SetItemValue(std::string_view item, std::string_view value, int index,
                    std::string_view label);
  // The index of the last stored report whose item has `value`, or -1.
  int FindReport(std::string_view item, std::string_view value) const;

  // The password that decodes protected names when the log is exported.
  std::string DebugInfoPassword;

 private:
  bool readOnly_;
  std::string fileName_;
  std::optional<TLogFileLock> lock_;
  TStoredReports reports_;
};
