// The delivery's files on disk: the names they are sent under, and a failed
// delivery's package kept beside the log.
//
// Runs on the delivering thread; raises nothing.
#pragma once

#include <string>

class TDovaroModuleOptions;

// How many kept packages stay in the log's folder.
inline constexpr std::size_t kKeptPackages = 10;

// The name a file is sent under, with the computer name and the exception's
// time stamp as FileNameWithComputer and FileNameWithTimestamp ask.
std::string ShownDeliveryName(const TDovaroModuleOptions& options, const std::string& path,
                              double exceptionTime);

// Moves the package into the log file's folder under `shownName` (with a
// counter when that name is taken: a kept package never replaces another),
// then deletes the oldest of the kept packages there (first in name order)
// until kKeptPackages remain. Other files of the folder, other "*.zip"
// files too, are left alone. False when the package could not be moved.
bool KeepPackage(const std::string& packageFile, const std::string& shownName,
                 const std::string& logFileName);
