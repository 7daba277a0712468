// Where the database engine's library is looked for, in this order:
//   1. each folder that the engine's installation record names (DLLPATH);
//   2. the folder of this module (an installer that ships the engine beside
//      its plug-in);
//   3. the system folder.
// Never the current folder, nor the host program's folder unless it is one
// of these: the engine is loaded by full path, so a library of the same name
// planted elsewhere is never picked up.
#pragma once

#include <string>
#include <vector>

// The folders of a DLLPATH value, each with a final "\": separated by ";",
// blanks around each trimmed, empty entries dropped.
std::vector<std::string> FoldersOfEnginePath(const std::string& value);

// The folders tried, in order (the record's environment variables expanded
// when it is REG_EXPAND_SZ).
std::vector<std::string> EngineLibraryFolders();

// The full path of the engine library in the first of `folders` that holds
// it; empty when none does.
std::string FindEngineLibrary(const std::vector<std::string>& folders);
